#pragma once

// Private to host/PY: needs <Python.h> included first.

#include <ostream>

/// The Python type `host.Stream`: what sys.stdout and sys.stderr are while a script runs, each
/// writing to a C++ stream. A script may keep a reference past its run, so a stream is closed
/// (not freed) when the run ends and then raises on use.
class py_Stream
{
public:
    /// Makes the type; false with the Python error set.
    static bool makeType();
    /// A new stream object writing to `stream`, or null with the Python error set.
    static PyObject *open(std::ostream &stream);
    /// Cuts a stream object from its C++ stream; writing to it raises from then on.
    static void close(PyObject *object);
};
