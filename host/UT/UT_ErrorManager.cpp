#include <UT/UT_ErrorManager.h>

#include <algorithm>
#include <mutex>

namespace
{

thread_local std::vector<UT_ErrorManager *> theCurrentManagers;

UT_ErrorManager &processErrorManager()
{
    static UT_ErrorManager theManager;
    return theManager;
}

std::mutex &processErrorLock()
{
    static std::mutex theLock;
    return theLock;
}

void report(UT_Error error)
{
    UT_ErrorManager &manager = UTgetErrorManager();
    if (&manager != &processErrorManager())
    {
        manager.addError(std::move(error));
        return;
    }
    // The process-wide list is the one several threads can reach at once.
    std::lock_guard<std::mutex> guard(processErrorLock());
    manager.addError(std::move(error));
    // Errors raised outside any node's work (a request answered after its cook, say) would
    // otherwise pile up for the life of the process. Trimmed in halves, so rarely.
    constexpr size_t theKept = 1000;
    if (static_cast<size_t>(manager.getNumErrors()) > 2 * theKept)
        manager.keepLatest(theKept);
}

void report(const char *type, int code, UT_ErrorSeverity severity, const char *message)
{
    report(UT_Error(type ? type : "", code, severity, message ? message : ""));
}

} // namespace

void UT_ErrorManager::addError(UT_Error error)
{
    myErrors.push_back(std::move(error));
}

UT_ErrorSeverity UT_ErrorManager::getSeverity() const
{
    UT_ErrorSeverity severity = UT_ERROR_NONE;
    for (const UT_Error &error : myErrors)
        severity = std::max(severity, error.getSeverity());
    return severity;
}

UT_AutoErrorManager::UT_AutoErrorManager(UT_ErrorManager &manager) : myManager(&manager)
{
    theCurrentManagers.push_back(&manager);
}

UT_AutoErrorManager::~UT_AutoErrorManager()
{
    // Guards normally end innermost first; searching from the back keeps the stack right even
    // when one outlives a guard made after it.
    auto it = std::find(theCurrentManagers.rbegin(), theCurrentManagers.rend(), myManager);
    if (it != theCurrentManagers.rend())
        theCurrentManagers.erase(std::next(it).base());
}

UT_ErrorManager &UTgetErrorManager()
{
    if (theCurrentManagers.empty())
        return processErrorManager();
    return *theCurrentManagers.back();
}

void UTaddError(const char *type, int code, const char *message)
{
    report(type, code, UT_ERROR_ABORT, message);
}

void UTaddMessage(const char *type, int code, const char *message)
{
    report(type, code, UT_ERROR_MESSAGE, message);
}

void UTaddWarning(const char *type, int code, const char *message)
{
    report(type, code, UT_ERROR_WARNING, message);
}

void UTaddFatal(const char *type, int code, const char *message)
{
    report(type, code, UT_ERROR_FATAL, message);
}

void UTaddPrompt(const char *type, int code, const char *message)
{
    report(type, code, UT_ERROR_PROMPT, message);
}

void UTaddError(const UT_Error &error)
{
    report(error);
}

void UTaddSystemError(const char *message)
{
    report("System", 0, UT_ERROR_ABORT, message);
}

void UTaddCommonError(UT_CommonErrorCode code, const char *message)
{
    report("Common", code, UT_ERROR_ABORT, message);
}
