#include <PY/PY_HostLock.h>

#include <PY/PY_InterpreterAutoLock.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Ref.h"

namespace
{
// Joining releases the lock while it waits; threads may start others, so the list is taken
// again until none is left. What they printed is flushed: the interpreter is never finalized.
const char *const theWaitForThreads = R"(
import sys, threading
_me = threading.current_thread()
while True:
    _alive = [t for t in threading.enumerate() if t is not _me and not t.daemon and t.is_alive()]
    if not _alive:
        break
    for _thread in _alive:
        _thread.join()
for _stream in (sys.stdout, sys.stderr):
    try:
        _stream.flush()
    except Exception:
        pass
)";
} // namespace

void PY_HostLock::hold()
{
    // Never released: the guard lives as long as the process, so that threads left running
    // at exit cannot reach a scene that is being torn down.
    static PY_InterpreterAutoLock *const theLock = new PY_InterpreterAutoLock;
    (void)theLock;
}

void PY_HostLock::waitForThreads()
{
    PY_InterpreterAutoLock lock;
    py_Ref globals(PyDict_New());
    if (!globals || PyDict_SetItemString(globals.get(), "__builtins__", PyEval_GetBuiltins()) < 0)
    {
        PyErr_Clear();
        return;
    }
    py_Ref result(PyRun_String(theWaitForThreads, Py_file_input, globals.get(), globals.get()));
    if (!result)
        PyErr_Clear();
}

PY_HostLock::Released::Released()
    : myState(Py_IsInitialized() && PyGILState_Check() ? PyEval_SaveThread() : nullptr)
{
}

PY_HostLock::Released::~Released()
{
    if (myState)
        PyEval_RestoreThread(static_cast<PyThreadState *>(myState));
}
