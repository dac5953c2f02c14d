#pragma once

// Private to host/PY: needs <Python.h> included first.

/// A strong reference released on every path out, so that early error returns cannot leak.
class py_Ref
{
public:
    explicit py_Ref(PyObject *object = nullptr) : myObject(object) {}
    ~py_Ref() { Py_XDECREF(myObject); }
    py_Ref(const py_Ref &) = delete;
    py_Ref &operator=(const py_Ref &) = delete;

    PyObject *get() const { return myObject; }
    PyObject *release()
    {
        PyObject *object = myObject;
        myObject = nullptr;
        return object;
    }
    explicit operator bool() const { return myObject != nullptr; }

private:
    PyObject *myObject;
};
