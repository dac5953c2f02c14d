#include <PY/PY_HostModule.h>

#include <CH/CH_Manager.h>
#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_Node.h>
#include <OP/OP_Operator.h>
#include <PRM/PRM_Parm.h>
#include <PY/PY_InterpreterAutoLock.h>
#include <UT/UT_ErrorManager.h>
#include <UT/UT_File.h>
#include <UT/UT_PathSearch.h>
#include <UT/UT_Thread.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Ref.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sstream>
#include <unordered_map>
#include <utility>

// Everything below runs with the GIL held: the module's functions are called by Python, and
// runFile takes the lock first. Host calls never release it, so the graph is never touched by
// two Python threads at once.
namespace
{

// Host text is bytes; undecodable ones travel as lone surrogates and come back unchanged.
PyObject *py_fromText(const std::string &text)
{
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()),
                                "surrogateescape");
}

bool py_toText(PyObject *object, std::string &text)
{
    py_Ref bytes(PyUnicode_AsEncodedString(object, "utf-8", "surrogateescape"));
    if (!bytes)
        return false;
    text.assign(PyBytes_AS_STRING(bytes.get()), static_cast<size_t>(PyBytes_GET_SIZE(bytes.get())));
    return true;
}

PyObject *py_raise(PyObject *type, const std::string &message)
{
    py_Ref text(py_fromText(message));
    if (text)
        PyErr_SetObject(type, text.get());
    return nullptr;
}

// Inside an evaluation (Python called from an expression or a cook) that evaluation's time,
// else the host's global time.
float py_currentTime()
{
    return CHgetManager()->getEvaluateTime(UT_Thread::getMySequentialThreadIndex());
}

// The time argument of the evaluation methods: None is the current time.
bool py_time(PyObject *object, float &time)
{
    if (!object || object == Py_None)
    {
        time = py_currentTime();
        return true;
    }
    const double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred())
        return false;
    time = static_cast<float>(value);
    return true;
}

// Writes to sys.stdout or sys.stderr, whatever they are at the moment. Losing a warning is
// better than replacing the caller's result by an error about the warning.
void py_writeSysStream(const char *name, const std::string &text)
{
    PyObject *stream = PySys_GetObject(name); // borrowed
    if (text.empty() || !stream || stream == Py_None)
        return;
    py_Ref item(py_fromText(text));
    py_Ref result(item ? PyObject_CallMethod(stream, "write", "O", item.get()) : nullptr);
    if (!result)
        PyErr_Clear();
}

// Stream ---------------------------------------------------------------------------------------

// What sys.stdout and sys.stderr are while a script runs. A script may keep a reference past
// its run, so the stream is closed (not freed) when the run ends and then raises on use.
struct py_StreamObject
{
    PyObject_HEAD std::ostream *myStream;
};

PyObject *py_streamWrite(PyObject *self, PyObject *arg)
{
    std::ostream *stream = reinterpret_cast<py_StreamObject *>(self)->myStream;
    if (!stream)
        return py_raise(PyExc_ValueError, "I/O operation on closed file.");
    if (!PyUnicode_Check(arg))
        return py_raise(PyExc_TypeError,
                        std::string("write() argument must be str, not ") + Py_TYPE(arg)->tp_name);
    std::string text;
    if (!py_toText(arg, text))
        return nullptr;
    stream->write(text.data(), static_cast<std::streamsize>(text.size()));
    return PyLong_FromSsize_t(PyUnicode_GET_LENGTH(arg));
}

PyObject *py_streamFlush(PyObject *self, PyObject *)
{
    if (std::ostream *stream = reinterpret_cast<py_StreamObject *>(self)->myStream)
        stream->flush();
    Py_RETURN_NONE;
}

PyObject *py_streamFalse(PyObject *, PyObject *)
{
    Py_RETURN_FALSE;
}

PyObject *py_streamTrue(PyObject *, PyObject *)
{
    Py_RETURN_TRUE;
}

PyObject *py_streamClosed(PyObject *self, void *)
{
    return PyBool_FromLong(reinterpret_cast<py_StreamObject *>(self)->myStream == nullptr);
}

PyObject *py_streamEncoding(PyObject *, void *)
{
    return PyUnicode_FromString("utf-8");
}

PyMethodDef theStreamMethods[] = {
    {"write", py_streamWrite, METH_O, nullptr},
    {"flush", py_streamFlush, METH_NOARGS, nullptr},
    {"isatty", py_streamFalse, METH_NOARGS, nullptr},
    {"readable", py_streamFalse, METH_NOARGS, nullptr},
    {"seekable", py_streamFalse, METH_NOARGS, nullptr},
    {"writable", py_streamTrue, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef theStreamGetSets[] = {
    {"closed", py_streamClosed, nullptr, nullptr, nullptr},
    {"encoding", py_streamEncoding, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// Node -----------------------------------------------------------------------------------------

struct py_NodeObject
{
    PyObject_HEAD int myId;
};

// A parameter by name, or one component of it when it was found by a channel name.
struct py_ParmObject
{
    PyObject_HEAD int myNodeId;
    int myFirst;
    int myCount; // -1: every component
    std::string myName;
};

PyTypeObject *theNodeType = nullptr;
PyTypeObject *theParmType = nullptr;
PyTypeObject *theStreamType = nullptr;

PyObject *py_newNode(const OP_Node &node)
{
    auto *self = reinterpret_cast<py_NodeObject *>(theNodeType->tp_alloc(theNodeType, 0));
    if (self)
        self->myId = node.getUniqueId();
    return reinterpret_cast<PyObject *>(self);
}

PyObject *py_newParm(const OP_Node &node, const PRM_Parm &parm, int first, int count)
{
    auto *self = reinterpret_cast<py_ParmObject *>(theParmType->tp_alloc(theParmType, 0));
    if (!self)
        return nullptr;
    self->myNodeId = node.getUniqueId();
    self->myFirst = first;
    self->myCount = count;
    new (&self->myName) std::string(parm.getToken());
    return reinterpret_cast<PyObject *>(self);
}

void py_parmDealloc(PyObject *self)
{
    PyTypeObject *type = Py_TYPE(self);
    reinterpret_cast<py_ParmObject *>(self)->myName.~basic_string();
    type->tp_free(self);
    Py_DECREF(type);
}

void py_plainDealloc(PyObject *self)
{
    PyTypeObject *type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

OP_Node *py_node(int id)
{
    OP_Node *node = OPgetDirector()->lookupNode(id);
    if (!node)
        PyErr_SetString(PyExc_RuntimeError, "node no longer exists");
    return node;
}

OP_Node *py_node(PyObject *self)
{
    return py_node(reinterpret_cast<py_NodeObject *>(self)->myId);
}

PyObject *py_nodePath(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    return node ? py_fromText(node->getFullPath()) : nullptr;
}

PyObject *py_nodeName(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    return node ? py_fromText(node->getName()) : nullptr;
}

PyObject *py_nodeType(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    if (!node)
        return nullptr;
    return py_fromText(node->getOperator() ? node->getOperator()->getName() : std::string());
}

PyObject *py_nodeShaderType(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    return node ? PyLong_FromLong(node->getDataClass()) : nullptr;
}

PyObject *py_nodeParm(PyObject *self, PyObject *arg)
{
    OP_Node *node = py_node(self);
    if (!node)
        return nullptr;
    if (!PyUnicode_Check(arg))
        return py_raise(PyExc_TypeError,
                        std::string("parm() argument must be str, not ") + Py_TYPE(arg)->tp_name);
    std::string name;
    if (!py_toText(arg, name))
        return nullptr;
    if (name.find('\0') == std::string::npos)
    {
        if (PRM_Parm *parm = node->getParmPtr(name.c_str()))
            return py_newParm(*node, *parm, 0, -1);
        int component = 0;
        if (PRM_Parm *parm = node->getParmList()->getParmPtrFromChannel(name.c_str(), &component))
            return py_newParm(*node, *parm, component, 1);
    }
    Py_RETURN_NONE;
}

PyObject *py_nodeParms(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    if (!node)
        return nullptr;
    const PRM_ParmList &parms = *node->getParmList();
    py_Ref list(PyList_New(parms.getEntries()));
    if (!list)
        return nullptr;
    for (int i = 0; i < parms.getEntries(); ++i)
    {
        PyObject *item = py_newParm(*node, *parms.getParmPtr(i), 0, -1);
        if (!item)
            return nullptr;
        PyList_SET_ITEM(list.get(), i, item);
    }
    return list.release();
}

PyObject *py_nodeRepr(PyObject *self)
{
    OP_Node *node = OPgetDirector()->lookupNode(reinterpret_cast<py_NodeObject *>(self)->myId);
    return py_fromText("<host.Node " + (node ? node->getFullPath() : "(deleted)") + ">");
}

// Two objects for one node compare equal, so that nodes work as dict keys and in sets.
PyObject *py_nodeCompare(PyObject *self, PyObject *other, int op)
{
    if (!PyObject_TypeCheck(other, Py_TYPE(self)) || (op != Py_EQ && op != Py_NE))
        Py_RETURN_NOTIMPLEMENTED;
    const bool same = reinterpret_cast<py_NodeObject *>(self)->myId ==
                      reinterpret_cast<py_NodeObject *>(other)->myId;
    return PyBool_FromLong(same == (op == Py_EQ));
}

Py_hash_t py_nodeHash(PyObject *self)
{
    const Py_hash_t id = reinterpret_cast<py_NodeObject *>(self)->myId;
    return id == -1 ? -2 : id;
}

PyMethodDef theNodeMethods[] = {
    {"path", py_nodePath, METH_NOARGS, "The absolute path of the node."},
    {"name", py_nodeName, METH_NOARGS, "The name of the node."},
    {"type", py_nodeType, METH_NOARGS, "The name of the node's operator."},
    {"shaderType", py_nodeShaderType, METH_NOARGS, "The node's data class as an int."},
    {"parm", py_nodeParm, METH_O, "The parameter of that name or channel name, or None."},
    {"parms", py_nodeParms, METH_NOARGS, "Every parameter of the node."},
    {nullptr, nullptr, 0, nullptr},
};

// Parm -----------------------------------------------------------------------------------------

// The parameter a Parm stands for, with its node; a spare parameter may have gone since.
PRM_Parm *py_parm(PyObject *object, OP_Node *&node)
{
    auto *self = reinterpret_cast<py_ParmObject *>(object);
    node = py_node(self->myNodeId);
    if (!node)
        return nullptr;
    PRM_Parm *parm = node->getParmPtr(self->myName.c_str());
    if (!parm || self->myFirst >= parm->getVectorSize())
    {
        PyErr_SetString(PyExc_RuntimeError, "parameter no longer exists");
        return nullptr;
    }
    return parm;
}

int py_viewSize(PyObject *object, const PRM_Parm &parm)
{
    auto *self = reinterpret_cast<py_ParmObject *>(object);
    return self->myCount < 0 ? parm.getVectorSize() : self->myCount;
}

std::string py_viewName(PyObject *object, const PRM_Parm &parm)
{
    auto *self = reinterpret_cast<py_ParmObject *>(object);
    return self->myCount < 0 ? self->myName : parm.getChannelToken(self->myFirst);
}

// Maps a component of the view to one of the parameter; the message is the host's own.
bool py_component(PyObject *object, const PRM_Parm &parm, int component, int &index)
{
    if (component < 0 || component >= py_viewSize(object, parm))
    {
        py_raise(PyExc_ValueError, "Parameter '" + py_viewName(object, parm) +
                                       "' has no component " + std::to_string(component));
        return false;
    }
    index = reinterpret_cast<py_ParmObject *>(object)->myFirst + component;
    return true;
}

// A float parameter holds single precision; the double of its shortest decimal text is what
// was typed (0.1 reads back as 0.1, not 0.10000000149).
double py_floatValue(float value)
{
    char text[64];
    for (int digits = 6; digits <= 9; ++digits)
    {
        std::snprintf(text, sizeof(text), "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    return std::strtod(text, nullptr);
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
        return py_raise(PyExc_RuntimeError,
                        errors.getNumErrors() > before
                            ? errors.getError(errors.getNumErrors() - 1).getText()
                            : "Parameter '" + parm.getChannelToken(index) +
                                  "' cannot be evaluated");
    }
    if (basic == PRM_BASIC_STRING)
        return py_fromText(value.str);
    if (basic == PRM_BASIC_FLOAT)
        return PyFloat_FromDouble(py_floatValue(static_cast<float>(value.num)));
    return PyLong_FromLongLong(static_cast<long long>(value.num));
}

PyObject *py_parmName(PyObject *self, PyObject *)
{
    OP_Node *node = nullptr;
    PRM_Parm *parm = py_parm(self, node);
    return parm ? py_fromText(py_viewName(self, *parm)) : nullptr;
}

PyObject *py_parmEval(PyObject *self, PyObject *args, PyObject *kwargs)
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
    PRM_Parm *parm = py_parm(self, node);
    int index = 0;
    if (!parm || !py_component(self, *parm, component, index))
        return nullptr;
    return py_evalComponent(*node, *parm, index, time);
}

PyObject *py_parmEvalAll(PyObject *self, PyObject *args, PyObject *kwargs)
{
    static const char *theKeywords[] = {"time", nullptr};
    PyObject *timeArg = nullptr;
    float time = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:evalAll", const_cast<char **>(theKeywords),
                                     &timeArg) ||
        !py_time(timeArg, time))
        return nullptr;
    OP_Node *node = nullptr;
    PRM_Parm *parm = py_parm(self, node);
    if (!parm)
        return nullptr;
    const int size = py_viewSize(self, *parm);
    const int first = reinterpret_cast<py_ParmObject *>(self)->myFirst;
    py_Ref list(PyList_New(size));
    if (!list)
        return nullptr;
    for (int c = 0; c < size; ++c)
    {
        PyObject *item = py_evalComponent(*node, *parm, first + c, time);
        if (!item)
            return nullptr;
        PyList_SET_ITEM(list.get(), c, item);
    }
    return list.release();
}

PyObject *py_parmIsAtDefault(PyObject *self, PyObject *args, PyObject *kwargs)
{
    static const char *theKeywords[] = {"time", nullptr};
    PyObject *timeArg = nullptr;
    float time = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:isAtDefault",
                                     const_cast<char **>(theKeywords), &timeArg) ||
        !py_time(timeArg, time))
        return nullptr;
    OP_Node *node = nullptr;
    PRM_Parm *parm = py_parm(self, node);
    if (!parm)
        return nullptr;
    const int first = reinterpret_cast<py_ParmObject *>(self)->myFirst;
    const int size = py_viewSize(self, *parm);
    bool atDefault = true;
    for (int c = first; c < first + size; ++c)
    {
        // Evaluated first, as a reader of the value would; whether it is still the default is
        // a question about what the component holds, so a failing expression does not raise.
        EV_Value value;
        parm->evalValue(c, time, UT_Thread::getMySequentialThreadIndex(), EV_TYPE_FLOAT, value);
        atDefault = atDefault && parm->isFactoryDefault(c);
    }
    return PyBool_FromLong(atDefault);
}

PyObject *py_parmSet(PyObject *self, PyObject *args, PyObject *kwargs)
{
    static const char *theKeywords[] = {"value", "component", nullptr};
    PyObject *value = nullptr;
    int component = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|i:set", const_cast<char **>(theKeywords),
                                     &value, &component))
        return nullptr;
    OP_Node *node = nullptr;
    PRM_Parm *parm = py_parm(self, node);
    int index = 0;
    if (!parm || !py_component(self, *parm, component, index))
        return nullptr;
    std::string error;
    if (PyUnicode_Check(value))
    {
        std::string text;
        if (!py_toText(value, text))
            return nullptr;
        // The host takes C strings; a NUL would silently cut the value short.
        if (text.find('\0') != std::string::npos)
            return py_raise(PyExc_ValueError, "Bad value for parameter '" +
                                                  std::string(parm->getToken()) +
                                                  "': the text contains a NUL character");
        if (!parm->setValueFromText(index, text.c_str(), error))
            return py_raise(PyExc_ValueError, error);
        Py_RETURN_NONE;
    }
    if (!PyLong_Check(value) && !PyFloat_Check(value))
        return py_raise(PyExc_TypeError, std::string("set() takes a number or a str, not ") +
                                             Py_TYPE(value)->tp_name);
    const double number = PyFloat_AsDouble(value);
    if (number == -1.0 && PyErr_Occurred())
        return nullptr;
    // The host refuses NaN; infinities are no more a value anyone means.
    if (!std::isfinite(number) || !parm->setValue(index, number))
    {
        py_Ref text(PyObject_Repr(value));
        std::string shown;
        if (!text || !py_toText(text.get(), shown))
            PyErr_Clear();
        return py_raise(PyExc_ValueError,
                        "Bad value '" + shown + "' for parameter '" + parm->getToken() + "'");
    }
    Py_RETURN_NONE;
}

PyObject *py_parmRepr(PyObject *self)
{
    auto *parm = reinterpret_cast<py_ParmObject *>(self);
    OP_Node *node = OPgetDirector()->lookupNode(parm->myNodeId);
    return py_fromText("<host.Parm " + (node ? node->getFullPath() : "(deleted)") + " " +
                       parm->myName + ">");
}

PyMethodDef theParmMethods[] = {
    {"name", py_parmName, METH_NOARGS, "The parameter's name (a channel name for one component)."},
    {"eval", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_parmEval)),
     METH_VARARGS | METH_KEYWORDS, "eval(component=0, time=None): one component's value."},
    {"evalAll", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_parmEvalAll)),
     METH_VARARGS | METH_KEYWORDS, "evalAll(time=None): every component's value."},
    {"isAtDefault", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_parmIsAtDefault)),
     METH_VARARGS | METH_KEYWORDS, "isAtDefault(time=None): whether it holds its default."},
    {"set", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_parmSet)),
     METH_VARARGS | METH_KEYWORDS, "set(value, component=0): a number or a text."},
    {nullptr, nullptr, 0, nullptr},
};

// Module functions -----------------------------------------------------------------------------

PyObject *py_hostNode(PyObject *, PyObject *arg)
{
    if (!PyUnicode_Check(arg))
        return py_raise(PyExc_TypeError,
                        std::string("node() argument must be str, not ") + Py_TYPE(arg)->tp_name);
    std::string path;
    if (!py_toText(arg, path))
        return nullptr;
    OP_Node *node = path.find('\0') == std::string::npos
                        ? OPgetDirector()->getCwd()->findNode(path.c_str())
                        : nullptr;
    if (!node)
        Py_RETURN_NONE;
    return py_newNode(*node);
}

std::string py_lastLine(const std::string &text)
{
    std::string::size_type end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return {};
    std::string::size_type start = text.rfind('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    return text.substr(start, end + 1 - start);
}

PyObject *py_hostCmd(PyObject *, PyObject *arg)
{
    if (!PyUnicode_Check(arg))
        return py_raise(PyExc_TypeError,
                        std::string("cmd() argument must be str, not ") + Py_TYPE(arg)->tp_name);
    std::string text;
    if (!py_toText(arg, text))
        return nullptr;
    std::string output;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::ostringstream out;
        std::ostringstream err;
        std::string error;
        const bool ok = CMDgetManager()->execute(line, out, err, error);
        output += out.str();
        py_writeSysStream("stderr", err.str());
        if (!ok)
        {
            // An empty reason means the failure was reported on the error stream already (a
            // sourced script's line), and that report is the most precise text there is.
            return py_raise(PyExc_RuntimeError,
                            error.empty() ? py_lastLine(err.str()) : "Error: " + error);
        }
    }
    return py_fromText(output);
}

PyObject *py_hostTime(PyObject *, PyObject *)
{
    return PyFloat_FromDouble(py_currentTime());
}

PyMethodDef theModuleMethods[] = {
    {"node", py_hostNode, METH_O, "node(path): the node at the path, or None."},
    {"cmd", py_hostCmd, METH_O, "cmd(text): runs command lines and returns their output."},
    {"time", py_hostTime, METH_NOARGS, "time(): the current evaluation time."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef theModule = {
    PyModuleDef_HEAD_INIT,
    "host",
    "The node graph of the host application.",
    -1,
    theModuleMethods,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

PyTypeObject *py_makeType(const char *name, int size, PyMethodDef *methods, PyGetSetDef *getsets,
                          destructor dealloc, reprfunc repr, richcmpfunc compare, hashfunc hash)
{
    PyType_Slot slots[8];
    int n = 0;
    slots[n++] = {Py_tp_methods, methods};
    slots[n++] = {Py_tp_dealloc, reinterpret_cast<void *>(dealloc)};
    if (getsets)
        slots[n++] = {Py_tp_getset, getsets};
    if (repr)
        slots[n++] = {Py_tp_repr, reinterpret_cast<void *>(repr)};
    if (compare)
        slots[n++] = {Py_tp_richcompare, reinterpret_cast<void *>(compare)};
    if (hash)
        slots[n++] = {Py_tp_hash, reinterpret_cast<void *>(hash)};
    slots[n] = {0, nullptr};
    // Objects are made only by the module: node() and parm() are the ways to get one.
    PyType_Spec description = {name, size, 0,
                               Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, slots};
    return reinterpret_cast<PyTypeObject *>(PyType_FromSpec(&description));
}

PyObject *py_initModule()
{
    py_Ref module(PyModule_Create(&theModule));
    if (!module)
        return nullptr;
    // The types live as long as the process; a module imported again makes new ones while
    // objects of the old ones keep theirs alive.
    Py_XSETREF(theNodeType, py_makeType("host.Node", sizeof(py_NodeObject), theNodeMethods, nullptr,
                                        py_plainDealloc, py_nodeRepr, py_nodeCompare, py_nodeHash));
    Py_XSETREF(theParmType, py_makeType("host.Parm", sizeof(py_ParmObject), theParmMethods, nullptr,
                                        py_parmDealloc, py_parmRepr, nullptr, nullptr));
    Py_XSETREF(theStreamType,
               py_makeType("host.Stream", sizeof(py_StreamObject), theStreamMethods,
                           theStreamGetSets, py_plainDealloc, nullptr, nullptr, nullptr));
    if (!theNodeType || !theParmType || !theStreamType)
        return nullptr;
    if (PyModule_AddObjectRef(module.get(), "Node", reinterpret_cast<PyObject *>(theNodeType)) <
            0 ||
        PyModule_AddObjectRef(module.get(), "Parm", reinterpret_cast<PyObject *>(theParmType)) < 0)
        return nullptr;
    return module.release();
}

// Running files --------------------------------------------------------------------------------

// A script that runs itself through host.cmd would otherwise recurse until the stack runs out.
constexpr int theMaxRunDepth = 32;
int theRunDepth = 0;

// The interpreter state a script run replaces: sys.stdout, sys.stderr, sys.argv and the
// __main__ module, all put back when the run ends, so that runs may nest.
class py_ScriptRun
{
public:
    py_ScriptRun(const std::string &path, const std::vector<std::string> &args, std::ostream &out,
                 std::ostream &err)
    {
        ++theRunDepth;
        myOldOut = py_borrow(PySys_GetObject("stdout"));
        myOldErr = py_borrow(PySys_GetObject("stderr"));
        myOldArgv = py_borrow(PySys_GetObject("argv"));
        myOldMain = py_borrow(PyDict_GetItemString(PyImport_GetModuleDict(), "__main__"));

        myOut = py_newStream(out);
        myErr = py_newStream(err);
        py_Ref argv(PyList_New(0));
        py_Ref file(
            PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
        myMain = PyModule_New("__main__");
        if (!myOut || !myErr || !argv || !file || !myMain || PyList_Append(argv.get(), file.get()))
            return;
        for (const std::string &arg : args)
        {
            py_Ref item(py_fromText(arg));
            if (!item || PyList_Append(argv.get(), item.get()) < 0)
                return;
        }
        PyObject *globals = PyModule_GetDict(myMain); // borrowed
        myReady = PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()) == 0 &&
                  PyDict_SetItemString(globals, "__file__", file.get()) == 0 &&
                  PySys_SetObject("stdout", myOut) == 0 && PySys_SetObject("stderr", myErr) == 0 &&
                  PySys_SetObject("argv", argv.get()) == 0 &&
                  PyDict_SetItemString(PyImport_GetModuleDict(), "__main__", myMain) == 0;
    }

    ~py_ScriptRun()
    {
        // Whatever failed while putting things back must not surface in the caller's next call.
        PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
        PyErr_Fetch(&type, &value, &traceback);
        for (PyObject *stream : {myOut, myErr})
            if (stream)
                reinterpret_cast<py_StreamObject *>(stream)->myStream = nullptr;
        py_restore("stdout", myOldOut);
        py_restore("stderr", myOldErr);
        py_restore("argv", myOldArgv);
        PyObject *modules = PyImport_GetModuleDict();
        if (myOldMain ? PyDict_SetItemString(modules, "__main__", myOldMain) < 0
                      : PyDict_DelItemString(modules, "__main__") < 0)
            PyErr_Clear();
        Py_XDECREF(myOldMain);
        Py_XDECREF(myOut);
        Py_XDECREF(myErr);
        Py_XDECREF(myMain);
        PyErr_Restore(type, value, traceback);
        --theRunDepth;
    }

    py_ScriptRun(const py_ScriptRun &) = delete;
    py_ScriptRun &operator=(const py_ScriptRun &) = delete;

    bool ready() const { return myReady; }
    PyObject *globals() const { return PyModule_GetDict(myMain); }

private:
    static PyObject *py_borrow(PyObject *object)
    {
        Py_XINCREF(object);
        return object;
    }

    static PyObject *py_newStream(std::ostream &stream)
    {
        auto *self = reinterpret_cast<py_StreamObject *>(theStreamType->tp_alloc(theStreamType, 0));
        if (self)
            self->myStream = &stream;
        return reinterpret_cast<PyObject *>(self);
    }

    static void py_restore(const char *name, PyObject *old)
    {
        if (PySys_SetObject(name, old) < 0)
            PyErr_Clear();
        Py_XDECREF(old);
    }

    PyObject *myOldOut = nullptr;
    PyObject *myOldErr = nullptr;
    PyObject *myOldArgv = nullptr;
    PyObject *myOldMain = nullptr;
    PyObject *myOut = nullptr;
    PyObject *myErr = nullptr;
    PyObject *myMain = nullptr;
    bool myReady = false;
};

// The exception as Python would print it: the traceback goes to `err` but for its last line,
// which becomes the reason the run failed.
std::string py_reportException(std::ostream &err)
{
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    if (value && traceback)
        PyException_SetTraceback(value, traceback);
    py_Ref typeRef(type), valueRef(value), tracebackRef(traceback);
    if (!type)
        return "unknown Python error";

    std::string text;
    py_Ref module(PyImport_ImportModule("traceback"));
    py_Ref lines(module
                     ? PyObject_CallMethod(module.get(), "format_exception", "OOO", type,
                                           value ? value : Py_None, traceback ? traceback : Py_None)
                     : nullptr);
    py_Ref empty(PyUnicode_FromString(""));
    py_Ref joined(lines && empty ? PyUnicode_Join(empty.get(), lines.get()) : nullptr);
    if (!joined || !py_toText(joined.get(), text))
    {
        // Without the traceback module the bare exception still says what went wrong.
        PyErr_Clear();
        text = PyType_Check(type) ? reinterpret_cast<PyTypeObject *>(type)->tp_name : "Exception";
        py_Ref message(value ? PyObject_Str(value) : nullptr);
        std::string shown;
        if (message && py_toText(message.get(), shown) && !shown.empty())
            text += ": " + shown;
        PyErr_Clear();
    }
    const std::string last = py_lastLine(text);
    const std::string::size_type end = text.find_last_not_of('\n');
    if (end != std::string::npos && end + 1 > last.size())
        err << text.substr(0, end + 1 - last.size());
    return last.empty() ? "unknown Python error" : last;
}

// SystemExit ends the script, never the process: code None or 0 is success.
bool py_exitStatus(const std::string &path, std::string &error)
{
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    py_Ref typeRef(type), valueRef(value), tracebackRef(traceback);
    py_Ref code(value ? PyObject_GetAttrString(value, "code") : nullptr);
    PyErr_Clear();
    if (!code || code.get() == Py_None)
        return true;
    if (PyLong_Check(code.get()))
    {
        int overflow = 0;
        const long long status = PyLong_AsLongLongAndOverflow(code.get(), &overflow);
        PyErr_Clear();
        if (status == 0 && !overflow)
            return true;
        py_Ref shown(PyObject_Str(code.get()));
        std::string number;
        if (!shown || !py_toText(shown.get(), number))
            PyErr_Clear();
        error = "Python script '" + path + "' exited with code " + number;
        return false;
    }
    // Python shows any other code as the message it is.
    py_Ref shown(PyObject_Str(code.get()));
    if (!shown || !py_toText(shown.get(), error))
    {
        PyErr_Clear();
        error = "Python script '" + path + "' exited";
    }
    return false;
}

} // namespace

void PY_HostModule::registerModule()
{
    PyImport_AppendInittab("host", py_initModule);
}

void PY_HostModule::interpreterStarted()
{
    PyObject *path = PySys_GetObject("path"); // borrowed
    if (!path || !PyList_Check(path))
        return;
    Py_ssize_t at = 0;
    for (const std::string &folder : UT_PathSearch::getInstance()->getDirectories())
    {
        const std::string python = folder + "/python";
        py_Ref item(PyUnicode_DecodeFSDefaultAndSize(python.data(),
                                                     static_cast<Py_ssize_t>(python.size())));
        if (!item || PyList_Insert(path, at, item.get()) < 0)
        {
            PyErr_Clear();
            continue;
        }
        ++at;
    }
}

namespace
{
// The code of a script file, compiled once for as long as the file holds the same text: a
// creation script runs for every new node, and compiling it cost more than all else it does.
// A new reference, or null with the Python error set.
PyObject *py_compiled(const std::string &path, const std::string &source)
{
    // Under the interpreter lock, kept until exit as the interpreter is (never destroyed: the
    // interpreter is never finalized, and its objects must stay reachable while threads end);
    // a few entries, since scripts that run again and again are few.
    static auto &theCompiled =
        *new std::unordered_map<std::string, std::pair<std::string, PyObject *>>;
    constexpr size_t theMaxCompiled = 64;
    auto it = theCompiled.find(path);
    if (it != theCompiled.end() && it->second.first == source)
    {
        Py_INCREF(it->second.second);
        return it->second.second;
    }
    // compile() of the bytes honours a coding declaration and refuses NUL bytes, as the
    // python program does.
    py_Ref bytes(PyBytes_FromStringAndSize(source.data(), static_cast<Py_ssize_t>(source.size())));
    py_Ref file(
        PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
    PyObject *compile =
        bytes && file ? PyDict_GetItemString(PyEval_GetBuiltins(), "compile") : nullptr; // borrowed
    PyObject *code =
        compile ? PyObject_CallFunction(compile, "OOs", bytes.get(), file.get(), "exec") : nullptr;
    if (!code)
        return nullptr;
    if (theCompiled.size() >= theMaxCompiled && it == theCompiled.end())
    {
        for (auto &entry : theCompiled)
            Py_DECREF(entry.second.second);
        theCompiled.clear();
        it = theCompiled.end();
    }
    if (it != theCompiled.end())
        Py_DECREF(it->second.second);
    Py_INCREF(code);
    theCompiled[path] = {source, code};
    return code;
}
} // namespace

bool PY_HostModule::runFile(const std::string &path, const std::vector<std::string> &args,
                            std::ostream &out, std::ostream &err, std::string &error)
{
    // Only a regular file: a folder would read as an empty script, a FIFO would block.
    std::string source;
    if (!UT_File::readRegular(path, source, error))
    {
        error = "Cannot open Python script '" + path + "': " + error;
        return false;
    }

    PY_InterpreterAutoLock lock;
    if (theRunDepth >= theMaxRunDepth)
    {
        error = "Python scripts nested too deeply (" + path + ")";
        return false;
    }
    // The module's types are made when it is first imported, and the streams need theirs.
    // Once imported it is taken as it is, without the import machinery, run after run.
    static PyObject *const theName = PyUnicode_InternFromString("host"); // kept, as Python is
    PyObject *imported = theName ? PyImport_GetModule(theName) : nullptr;
    if (!imported && !PyErr_Occurred())
        imported = PyImport_ImportModule("host");
    py_Ref module(imported);
    if (!module)
    {
        error = py_reportException(err);
        return false;
    }
    py_ScriptRun run(path, args, out, err);
    if (!run.ready())
    {
        error = py_reportException(err);
        return false;
    }
    py_Ref code(py_compiled(path, source));
    py_Ref result(code ? PyEval_EvalCode(code.get(), run.globals(), run.globals()) : nullptr);
    if (result)
        return true;
    if (PyErr_ExceptionMatches(PyExc_SystemExit))
        return py_exitStatus(path, error);
    error = py_reportException(err);
    return false;
}
