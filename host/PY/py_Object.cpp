#include <CH/CH_Manager.h>
#include <UT/UT_Thread.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Object.h"
#include "py_Ref.h"

PyObject *pyFromText(const std::string &text)
{
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()),
                                "surrogateescape");
}

bool pyToText(PyObject *object, std::string &text)
{
    py_Ref bytes(PyUnicode_AsEncodedString(object, "utf-8", "surrogateescape"));
    if (!bytes)
        return false;
    text.assign(PyBytes_AS_STRING(bytes.get()), static_cast<size_t>(PyBytes_GET_SIZE(bytes.get())));
    return true;
}

PyObject *pyRaise(PyObject *type, const std::string &message)
{
    py_Ref text(pyFromText(message));
    if (text)
        PyErr_SetObject(type, text.get());
    return nullptr;
}

bool pyTextArg(const char *method, PyObject *arg, std::string &text)
{
    if (!PyUnicode_Check(arg))
    {
        pyRaise(PyExc_TypeError,
                std::string(method) + "() argument must be str, not " + Py_TYPE(arg)->tp_name);
        return false;
    }
    return pyToText(arg, text);
}

std::string pyLastLine(const std::string &text)
{
    std::string::size_type end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return {};
    std::string::size_type start = text.rfind('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    return text.substr(start, end + 1 - start);
}

float pyCurrentTime()
{
    return CHgetManager()->getEvaluateTime(UT_Thread::getMySequentialThreadIndex());
}

PyTypeObject *pyMakeType(const char *name, int size, PyMethodDef *methods, PyGetSetDef *getsets,
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

void pyPlainDealloc(PyObject *self)
{
    PyTypeObject *type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}
