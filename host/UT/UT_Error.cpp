#include <UT/UT_Error.h>

#include <deque>
#include <map>
#include <mutex>
#include <utility>

namespace
{

struct ErrorTextTable
{
    std::mutex lock;
    std::map<std::pair<std::string, int>, const std::string *> texts;
    // UTgetErrorText hands out raw pointers, so a replaced text must stay alive: every text ever
    // registered is kept here (deque elements never move).
    std::deque<std::string> storage;
};

ErrorTextTable &errorTextTable()
{
    static ErrorTextTable theTable;
    return theTable;
}

} // namespace

const char *UTseverityName(UT_ErrorSeverity severity)
{
    switch (severity)
    {
    case UT_ERROR_FATAL:
        return "Fatal";
    case UT_ERROR_ABORT:
        return "Error";
    case UT_ERROR_WARNING:
        return "Warning";
    default:
        return "Message";
    }
}

void UTsetErrorText(const char *type, int code, const char *text)
{
    ErrorTextTable &table = errorTextTable();
    std::lock_guard<std::mutex> guard(table.lock);
    auto key = std::make_pair(std::string(type ? type : ""), code);
    if (!text)
    {
        table.texts.erase(key);
        return;
    }
    table.storage.emplace_back(text);
    table.texts[key] = &table.storage.back();
}

const char *UTgetErrorText(const char *type, int code)
{
    ErrorTextTable &table = errorTextTable();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.texts.find(std::make_pair(std::string(type ? type : ""), code));
    return it == table.texts.end() ? nullptr : it->second->c_str();
}

std::string UT_Error::getText() const
{
    const char *format = UTgetErrorText(myType.c_str(), myCode);
    if (!format)
    {
        std::string text = myType + " error " + std::to_string(myCode);
        if (!myMessage.empty())
            text += ": " + myMessage;
        return text;
    }
    // Filled in by hand rather than by printf: the message is user text and may itself hold
    // '%' sequences.
    std::string pattern(format);
    std::string text;
    size_t pos = 0;
    for (size_t hit = pattern.find("%s"); hit != std::string::npos; hit = pattern.find("%s", pos))
    {
        text.append(pattern, pos, hit - pos);
        text += myMessage;
        pos = hit + 2;
    }
    text.append(pattern, pos, std::string::npos);
    return text;
}
