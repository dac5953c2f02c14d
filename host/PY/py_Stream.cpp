#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Object.h"
#include "py_Stream.h"

#include <string>

namespace
{
struct py_StreamObject
{
    PyObject_HEAD std::ostream *myStream;
};

// Kept as long as the process: a module imported again makes a new type while objects of the
// old one keep theirs alive.
PyTypeObject *theType = nullptr;

std::ostream *py_stream(PyObject *self)
{
    return reinterpret_cast<py_StreamObject *>(self)->myStream;
}

PyObject *py_write(PyObject *self, PyObject *arg)
{
    std::ostream *stream = py_stream(self);
    if (!stream)
        return pyRaise(PyExc_ValueError, "I/O operation on closed file.");
    std::string text;
    if (!pyTextArg("write", arg, text))
        return nullptr;
    stream->write(text.data(), static_cast<std::streamsize>(text.size()));
    return PyLong_FromSsize_t(PyUnicode_GET_LENGTH(arg));
}

PyObject *py_flush(PyObject *self, PyObject *)
{
    if (std::ostream *stream = py_stream(self))
        stream->flush();
    Py_RETURN_NONE;
}

PyObject *py_false(PyObject *, PyObject *)
{
    Py_RETURN_FALSE;
}

PyObject *py_true(PyObject *, PyObject *)
{
    Py_RETURN_TRUE;
}

PyObject *py_closed(PyObject *self, void *)
{
    return PyBool_FromLong(py_stream(self) == nullptr);
}

PyObject *py_encoding(PyObject *, void *)
{
    return PyUnicode_FromString("utf-8");
}

PyMethodDef theMethods[] = {
    {"write", py_write, METH_O, nullptr},
    {"flush", py_flush, METH_NOARGS, nullptr},
    {"isatty", py_false, METH_NOARGS, nullptr},
    {"readable", py_false, METH_NOARGS, nullptr},
    {"seekable", py_false, METH_NOARGS, nullptr},
    {"writable", py_true, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef theGetSets[] = {
    {"closed", py_closed, nullptr, nullptr, nullptr},
    {"encoding", py_encoding, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};
} // namespace

bool py_Stream::makeType()
{
    Py_XSETREF(theType, pyMakeType("host.Stream", sizeof(py_StreamObject), theMethods, theGetSets,
                                   pyPlainDealloc));
    return theType != nullptr;
}

PyObject *py_Stream::open(std::ostream &stream)
{
    auto *self = reinterpret_cast<py_StreamObject *>(theType->tp_alloc(theType, 0));
    if (self)
        self->myStream = &stream;
    return reinterpret_cast<PyObject *>(self);
}

void py_Stream::close(PyObject *object)
{
    if (object)
        reinterpret_cast<py_StreamObject *>(object)->myStream = nullptr;
}
