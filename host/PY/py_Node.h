#pragma once

// Private to host/PY: needs <Python.h> included first.

class OP_Node;

/// The Python type `host.Node`. An object holds the node's unique id, never a pointer, so
/// using one after its node was deleted raises RuntimeError.
class py_Node
{
public:
    /// Makes the type; false with the Python error set.
    static bool makeType();
    static PyTypeObject *type();
    /// A new Node object for `node`, or null with the Python error set.
    static PyObject *wrap(const OP_Node &node);
    /// The node of that id, or null with RuntimeError set when it has gone.
    static OP_Node *lookup(int id);
};
