#include <OP/OP_Director.h>
#include <OP/OP_Node.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_ErrorManager.h>
#include <UT/UT_FloatText.h>
#include <UT/UT_Thread.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Node.h"
#include "py_Object.h"
#include "py_Parm.h"
#include "py_Ref.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

namespace
{
struct py_ParmObject
{
    PyObject_HEAD int myNodeId;
    int myFirst;
    int myCount; // -1: every component
    std::string myName;
};

// Kept as long as the process: a module imported again makes a new type while objects of the
// old one keep theirs alive.
PyTypeObject *theType = nullptr;

py_ParmObject &py_self(PyObject *self)
{
    return *reinterpret_cast<py_ParmObject *>(self);
}

void py_dealloc(PyObject *self)
{
    PyTypeObject *type = Py_TYPE(self);
    py_self(self).myName.~basic_string();
    type->tp_free(self);
    Py_DECREF(type);
}

// The parameter a Parm stands for, with its node; a spare parameter may have gone since.
PRM_Parm *py_parm(PyObject *object, OP_Node *&node)
{
    const py_ParmObject &self = py_self(object);
    node = py_Node::lookup(self.myNodeId);
    if (!node)
        return nullptr;
    PRM_Parm *parm = node->getParmPtr(self.myName.c_str());
    if (!parm || self.myFirst >= parm->getVectorSize())
    {
        PyErr_SetString(PyExc_RuntimeError, "parameter no longer exists");
        return nullptr;
    }
    return parm;
}

int py_viewSize(PyObject *object, const PRM_Parm &parm)
{
    const int count = py_self(object).myCount;
    return count < 0 ? parm.getVectorSize() : count;
}

std::string py_viewName(PyObject *object, const PRM_Parm &parm)
{
    const py_ParmObject &self = py_self(object);
    return self.myCount < 0 ? self.myName : parm.getChannelToken(self.myFirst);
}

// The parameter, its node, and the parameter's component that the view's `component` is; null
// with the Python error set (the message is the host's own for a component it lacks).
PRM_Parm *py_component(PyObject *object, int component, OP_Node *&node, int &index)
{
    PRM_Parm *parm = py_parm(object, node);
    if (!parm)
        return nullptr;
    if (component < 0 || component >= py_viewSize(object, *parm))
    {
        pyRaise(PyExc_ValueError, "Parameter '" + py_viewName(object, *parm) +
                                      "' has no component " + std::to_string(component));
        return nullptr;
    }
    index = py_self(object).myFirst + component;
    return parm;
}

// The time argument of the evaluation methods: None is the current time.
bool py_time(PyObject *object, float &time)
{
    if (!object || object == Py_None)
    {
        time = pyCurrentTime();
        return true;
    }
    const double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred())
        return false;
    time = static_cast<float>(value);
    return true;
}

// What a method whose only argument is a time works on, as evalAll(time=None) does: the
// node, the parameter, the components of the view and the time.
struct py_View
{
    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    int first = 0;
    int size = 0;
    float time = 0;
};

bool py_viewAtTime(const char *format, PyObject *self, PyObject *args, PyObject *kwargs,
                   py_View &view)
{
    static const char *theKeywords[] = {"time", nullptr};
    PyObject *timeArg = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, format, const_cast<char **>(theKeywords),
                                     &timeArg) ||
        !py_time(timeArg, view.time))
        return false;
    view.parm = py_parm(self, view.node);
    if (!view.parm)
        return false;
    view.first = py_self(self).myFirst;
    view.size = py_viewSize(self, *view.parm);
    return true;
}

PyObject *py_evalComponent(OP_Node &node, const PRM_Parm &parm, int index, float time)
{
    UT_ErrorManager &errors = node.getErrorManager();
    const int before = errors.getNumErrors();
    const PRM_BasicType basic = parm.getTemplatePtr()->getBasicType();
    EV_Value value;
    if (!parm.evalValue(index, time, UT_Thread::getMySequentialThreadIndex(),
                        basic == PRM_BASIC_STRING ? EV_TYPE_STRING : EV_TYPE_FLOAT, value))
    {
        // A failing expression is an error, never a 0 that looks like a value.
        return pyRaise(PyExc_RuntimeError,
                       errors.getNumErrors() > before
                           ? errors.getError(errors.getNumErrors() - 1).getText()
                           : "Parameter '" + parm.getChannelToken(index) + "' cannot be evaluated");
    }
    if (basic == PRM_BASIC_STRING)
        return pyFromText(value.str);
    // A float parameter holds single precision; the double of its shortest decimal text is
    // what was typed (0.1 reads back as 0.1, not 0.10000000149).
    if (basic == PRM_BASIC_FLOAT)
        return PyFloat_FromDouble(
            std::strtod(UTshortestFloatText(static_cast<float>(value.num)).c_str(), nullptr));
    return PyLong_FromLongLong(static_cast<long long>(value.num));
}

PyObject *py_name(PyObject *self, PyObject *)
{
    OP_Node *node = nullptr;
    PRM_Parm *parm = py_parm(self, node);
    return parm ? pyFromText(py_viewName(self, *parm)) : nullptr;
}

PyObject *py_eval(PyObject *self, PyObject *args, PyObject *kwargs)
{
    static const char *theKeywords[] = {"component", "time", nullptr};
    int component = 0;
    PyObject *timeArg = nullptr;
    float time = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|iO:eval", const_cast<char **>(theKeywords),
                                     &component, &timeArg) ||
        !py_time(timeArg, time))
        return nullptr;
    OP_Node *node = nullptr;
    int index = 0;
    PRM_Parm *parm = py_component(self, component, node, index);
    return parm ? py_evalComponent(*node, *parm, index, time) : nullptr;
}

PyObject *py_evalAll(PyObject *self, PyObject *args, PyObject *kwargs)
{
    py_View view;
    if (!py_viewAtTime("|O:evalAll", self, args, kwargs, view))
        return nullptr;
    py_Ref list(PyList_New(view.size));
    if (!list)
        return nullptr;
    for (int c = 0; c < view.size; ++c)
    {
        PyObject *item = py_evalComponent(*view.node, *view.parm, view.first + c, view.time);
        if (!item)
            return nullptr;
        PyList_SET_ITEM(list.get(), c, item);
    }
    return list.release();
}

PyObject *py_isAtDefault(PyObject *self, PyObject *args, PyObject *kwargs)
{
    py_View view;
    if (!py_viewAtTime("|O:isAtDefault", self, args, kwargs, view))
        return nullptr;
    bool atDefault = true;
    for (int c = view.first; c < view.first + view.size; ++c)
    {
        // Evaluated first, as a reader of the value would; whether it is still the default is
        // a question about what the component holds, so a failing expression does not raise.
        EV_Value value;
        view.parm->evalValue(c, view.time, UT_Thread::getMySequentialThreadIndex(), EV_TYPE_FLOAT,
                             value);
        atDefault = atDefault && view.parm->isFactoryDefault(c);
    }
    return PyBool_FromLong(atDefault);
}

PyObject *py_setText(PRM_Parm &parm, int index, PyObject *value)
{
    std::string text;
    if (!pyToText(value, text))
        return nullptr;
    // The host takes C strings; a NUL would silently cut the value short.
    if (text.find('\0') != std::string::npos)
        return pyRaise(PyExc_ValueError, "Bad value for parameter '" +
                                             std::string(parm.getToken()) +
                                             "': the text contains a NUL character");
    std::string error;
    if (!parm.setValueFromText(index, text.c_str(), error))
        return pyRaise(PyExc_ValueError, error);
    Py_RETURN_NONE;
}

PyObject *py_setNumber(PRM_Parm &parm, int index, PyObject *value)
{
    const double number = PyFloat_AsDouble(value);
    if (number == -1.0 && PyErr_Occurred())
        return nullptr;
    // The host refuses NaN; infinities are no more a value anyone means.
    if (std::isfinite(number) && parm.setValue(index, number))
        Py_RETURN_NONE;
    py_Ref text(PyObject_Repr(value));
    std::string shown;
    if (!text || !pyToText(text.get(), shown))
        PyErr_Clear();
    return pyRaise(PyExc_ValueError,
                   "Bad value '" + shown + "' for parameter '" + parm.getToken() + "'");
}

PyObject *py_set(PyObject *self, PyObject *args, PyObject *kwargs)
{
    static const char *theKeywords[] = {"value", "component", nullptr};
    PyObject *value = nullptr;
    int component = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|i:set", const_cast<char **>(theKeywords),
                                     &value, &component))
        return nullptr;
    OP_Node *node = nullptr;
    int index = 0;
    PRM_Parm *parm = py_component(self, component, node, index);
    if (!parm)
        return nullptr;
    if (PyUnicode_Check(value))
        return py_setText(*parm, index, value);
    if (!PyLong_Check(value) && !PyFloat_Check(value))
        return pyRaise(PyExc_TypeError, std::string("set() takes a number or a str, not ") +
                                            Py_TYPE(value)->tp_name);
    return py_setNumber(*parm, index, value);
}

PyObject *py_repr(PyObject *self)
{
    const py_ParmObject &parm = py_self(self);
    OP_Node *node = OPgetDirector()->lookupNode(parm.myNodeId);
    return pyFromText("<host.Parm " + (node ? node->getFullPath() : "(deleted)") + " " +
                      parm.myName + ">");
}

// Methods with keywords are called with them, whatever PyCFunction's own signature says.
template <typename F>
PyCFunction py_withKeywords(F function)
{
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

PyMethodDef theMethods[] = {
    {"name", py_name, METH_NOARGS, "The parameter's name (a channel name for one component)."},
    {"eval", py_withKeywords(py_eval), METH_VARARGS | METH_KEYWORDS,
     "eval(component=0, time=None): one component's value."},
    {"evalAll", py_withKeywords(py_evalAll), METH_VARARGS | METH_KEYWORDS,
     "evalAll(time=None): every component's value."},
    {"isAtDefault", py_withKeywords(py_isAtDefault), METH_VARARGS | METH_KEYWORDS,
     "isAtDefault(time=None): whether it holds its default."},
    {"set", py_withKeywords(py_set), METH_VARARGS | METH_KEYWORDS,
     "set(value, component=0): a number or a text."},
    {nullptr, nullptr, 0, nullptr},
};
} // namespace

bool py_Parm::makeType()
{
    Py_XSETREF(theType, pyMakeType("host.Parm", sizeof(py_ParmObject), theMethods, nullptr,
                                   py_dealloc, py_repr));
    return theType != nullptr;
}

PyTypeObject *py_Parm::type()
{
    return theType;
}

PyObject *py_Parm::wrap(const OP_Node &node, const PRM_Parm &parm, int first, int count)
{
    auto *self = reinterpret_cast<py_ParmObject *>(theType->tp_alloc(theType, 0));
    if (!self)
        return nullptr;
    self->myNodeId = node.getUniqueId();
    self->myFirst = first;
    self->myCount = count;
    new (&self->myName) std::string(parm.getToken());
    return reinterpret_cast<PyObject *>(self);
}
