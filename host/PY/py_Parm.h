#pragma once

// Private to host/PY: needs <Python.h> included first.

class OP_Node;
class PRM_Parm;

/// The Python type `host.Parm`: a parameter by name, or one component of it when it was found
/// by a channel name. An object holds the node's unique id and the parameter's name, never
/// pointers, so using one after its node or spare parameter was deleted raises RuntimeError.
class py_Parm
{
public:
    /// Makes the type; false with the Python error set.
    static bool makeType();
    static PyTypeObject *type();
    /// A new Parm object for components first..first+count-1 of `parm` (count -1: all of them),
    /// or null with the Python error set.
    static PyObject *wrap(const OP_Node &node, const PRM_Parm &parm, int first, int count);
};
