#pragma once

#include <UT/UT_Error.h>

#include <cstddef>
#include <vector>

/// A list of reported problems; its severity is the highest of them.
class UT_ErrorManager
{
public:
    void addError(UT_Error error);
    void clearAndDestroyErrors() { myErrors.clear(); }
    UT_ErrorSeverity getSeverity() const;
    int getNumErrors() const { return static_cast<int>(myErrors.size()); }
    const UT_Error &getError(int i) const { return myErrors[i]; }
    const std::vector<UT_Error> &getErrors() const { return myErrors; }
    /// Drops all but the `count` most recent errors.
    void keepLatest(size_t count)
    {
        if (myErrors.size() > count)
            myErrors.erase(myErrors.begin(), myErrors.end() - static_cast<std::ptrdiff_t>(count));
    }

private:
    std::vector<UT_Error> myErrors;
};

/// Makes `manager` the calling thread's current error list for the guard's lifetime. Guards
/// nest: the innermost is current. With none in place errors go to a process-wide list, which
/// keeps the latest thousand or so: nobody owns it to empty it.
class UT_AutoErrorManager
{
public:
    explicit UT_AutoErrorManager(UT_ErrorManager &manager);
    ~UT_AutoErrorManager();
    UT_AutoErrorManager(const UT_AutoErrorManager &) = delete;
    UT_AutoErrorManager &operator=(const UT_AutoErrorManager &) = delete;

private:
    UT_ErrorManager *myManager;
};

/// The calling thread's current error list.
UT_ErrorManager &UTgetErrorManager();

/// Report on the current error list.
void UTaddError(const char *type, int code, const char *message = nullptr);
void UTaddMessage(const char *type, int code, const char *message = nullptr);
void UTaddWarning(const char *type, int code, const char *message = nullptr);
void UTaddFatal(const char *type, int code, const char *message = nullptr);
void UTaddPrompt(const char *type, int code, const char *message = nullptr);
void UTaddError(const UT_Error &error);
void UTaddSystemError(const char *message = nullptr);
void UTaddCommonError(UT_CommonErrorCode code, const char *message = nullptr);
