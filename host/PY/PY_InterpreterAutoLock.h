#pragma once

/// Holds Python's global interpreter lock for its lifetime. The first guard in the process
/// starts the interpreter (without Python's signal handlers, so the host keeps its own), with the
/// module `host` built in and the search path's python/ folders on sys.path. Guards work from any
/// thread and may nest; each releases exactly what it took.
class PY_InterpreterAutoLock
{
public:
    PY_InterpreterAutoLock();
    ~PY_InterpreterAutoLock();

    PY_InterpreterAutoLock(const PY_InterpreterAutoLock &) = delete;
    PY_InterpreterAutoLock &operator=(const PY_InterpreterAutoLock &) = delete;

private:
    // A PyGILState_STATE, kept as an int so that this header does not need <Python.h>.
    int myState;
};
