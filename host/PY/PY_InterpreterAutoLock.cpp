#include <PY/PY_InterpreterAutoLock.h>

#include <PY/PY_HostModule.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <mutex>

// GCC announces AddressSanitizer with a macro, clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define PY_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PY_ADDRESS_SANITIZER 1
#endif
#endif

namespace
{

void py_startInterpreter()
{
    // A host that is itself running inside Python already has an interpreter and a GIL owner.
    if (Py_IsInitialized())
        return;
#if defined(PY_ADDRESS_SANITIZER)
    // The interpreter is never finalized (other threads may still hold guards at exit). Its
    // small-object allocator keeps objects in mmap'ed arenas that LeakSanitizer does not scan,
    // so everything they point to looked leaked; with plain malloc every object stays reachable
    // from the interpreter's globals and AddressSanitizer checks Python's memory use as well.
    PyPreConfig preconfig;
    PyPreConfig_InitPythonConfig(&preconfig);
    preconfig.allocator = PYMEM_ALLOCATOR_MALLOC;
    Py_PreInitialize(&preconfig);
#endif
    // Built-in modules can only be added to the table before the interpreter reads it.
    PY_HostModule::registerModule();
    Py_InitializeEx(0);
    PY_HostModule::interpreterStarted();
    // Initialization leaves this thread holding the GIL; dropping it lets every guard,
    // on whichever thread, take it through PyGILState_Ensure alike.
    PyEval_SaveThread();
}

} // namespace

PY_InterpreterAutoLock::PY_InterpreterAutoLock()
{
    static std::once_flag theStarted;
    std::call_once(theStarted, py_startInterpreter);
    myState = static_cast<int>(PyGILState_Ensure());
}

PY_InterpreterAutoLock::~PY_InterpreterAutoLock()
{
    PyGILState_Release(static_cast<PyGILState_STATE>(myState));
}
