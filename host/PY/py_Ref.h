#pragma once

// Private to host/PY: needs <Python.h> included first.

#include <utility>

/// A strong reference released on every path out, so that early error returns cannot leak.
class py_Ref
{
public:
    /// Takes over a new reference (null is allowed: a failed call's result).
    explicit py_Ref(PyObject *object = nullptr) : myObject(object) {}
    ~py_Ref() { Py_XDECREF(myObject); }
    py_Ref(const py_Ref &) = delete;
    py_Ref &operator=(const py_Ref &) = delete;
    py_Ref(py_Ref &&other) noexcept : myObject(other.release()) {}
    py_Ref &operator=(py_Ref &&other) noexcept
    {
        reset(other.release());
        return *this;
    }

    /// A reference of its own to an object borrowed from elsewhere.
    static py_Ref borrow(PyObject *object)
    {
        Py_XINCREF(object);
        return py_Ref(object);
    }

    PyObject *get() const { return myObject; }
    /// Hands the reference to the caller (a function returning a new reference).
    PyObject *release() { return std::exchange(myObject, nullptr); }
    /// Another new reference to the same object, for the caller to keep.
    PyObject *share() const
    {
        Py_XINCREF(myObject);
        return myObject;
    }
    void reset(PyObject *object = nullptr)
    {
        // Released after the swap: freeing an object may run code that looks at this one.
        PyObject *old = std::exchange(myObject, object);
        Py_XDECREF(old);
    }
    explicit operator bool() const { return myObject != nullptr; }

private:
    PyObject *myObject;
};

/// The pending exception taken out of the interpreter, so that code may run meanwhile (and
/// the exception be put back) or the exception be looked at and dropped.
class py_Exception
{
public:
    /// Takes the pending exception, leaving none set; normalised when asked, so that the value
    /// is an instance of the type.
    explicit py_Exception(bool normalise)
    {
        PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
        PyErr_Fetch(&type, &value, &traceback);
        if (normalise && type)
            PyErr_NormalizeException(&type, &value, &traceback);
        myType.reset(type);
        myValue.reset(value);
        myTraceback.reset(traceback);
    }

    /// Makes the exception pending again; the object holds nothing afterwards.
    void restore() { PyErr_Restore(myType.release(), myValue.release(), myTraceback.release()); }

    PyObject *type() const { return myType.get(); }
    PyObject *value() const { return myValue.get(); }
    PyObject *traceback() const { return myTraceback.get(); }

private:
    py_Ref myType;
    py_Ref myValue;
    py_Ref myTraceback;
};
