#pragma once

#include <string>
#include <vector>

/// Severity of a reported problem. A severity of UT_ERROR_ABORT or more means failure.
enum UT_ErrorSeverity
{
    UT_ERROR_NONE = 0,
    UT_ERROR_MESSAGE = 1,
    UT_ERROR_PROMPT = 2,
    UT_ERROR_WARNING = 3,
    UT_ERROR_ABORT = 4,
    UT_ERROR_FATAL = 5,
};

/// The word a severity is shown with: "Message" (prompts and no severity too), "Warning",
/// "Error" or "Fatal".
const char *UTseverityName(UT_ErrorSeverity severity);

/// Codes of the "Common" error type, shared by every part of the host.
enum UT_CommonErrorCode
{
    UT_CE_OK = 0,
    UT_CE_FILE_ERROR = 1,
    UT_CE_NODE_NOT_FOUND = 2,
    UT_CE_BAD_VALUE = 3,
    UT_CE_INTERNAL = 4,
};

/// One reported problem: its error type (the area that reported it), code, message and
/// severity.
class UT_Error
{
public:
    UT_Error(std::string type, int code, UT_ErrorSeverity severity, std::string message = {})
        : myType(std::move(type)), myCode(code), mySeverity(severity), myMessage(std::move(message))
    {
    }

    const std::string &getType() const { return myType; }
    int getCode() const { return myCode; }
    UT_ErrorSeverity getSeverity() const { return mySeverity; }
    const std::string &getMessage() const { return myMessage; }

    /// The readable text: the host's message text for (type, code) with the message filled in;
    /// "<type> error <code>" followed by the message when the table has no text for it.
    std::string getText() const;

private:
    std::string myType;
    int myCode;
    UT_ErrorSeverity mySeverity;
    std::string myMessage;
};

/// The host's table of message texts by error type and code. A text may hold one "%s" where the
/// error's message goes.
void UTsetErrorText(const char *type, int code, const char *text);
const char *UTgetErrorText(const char *type, int code);
