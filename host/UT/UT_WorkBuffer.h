#pragma once

#include <cstdarg>
#include <string>

/// A growable text buffer with formatted append. Formatting never truncates: the buffer grows
/// to whatever the format produces.
class UT_WorkBuffer
{
public:
    UT_WorkBuffer() = default;
    explicit UT_WorkBuffer(const char *s) : myData(s ? s : "") {}

    const char *buffer() const { return myData.c_str(); }
    const std::string &toStdString() const { return myData; }
    int length() const { return static_cast<int>(myData.size()); }
    bool isEmpty() const { return myData.empty(); }
    void clear() { myData.clear(); }

    void append(const char *s) { myData += s ? s : ""; }
    void append(const std::string &s) { myData += s; }
    void append(char c) { myData += c; }
    void strcpy(const char *s) { myData = s ? s : ""; }

    /// printf-style append.
    void appendSprintf(const char *fmt, ...) __attribute__((format(printf, 2, 3)));
    /// printf-style replace.
    void sprintf(const char *fmt, ...) __attribute__((format(printf, 2, 3)));
    void vappendSprintf(const char *fmt, va_list args);

    /// Appends `value` exactly as "%.*g" writes it with `precision`, several times faster and
    /// with no limit on the precision (a negative one means 6, as for printf).
    void appendNumber(double value, int precision);

    /// Appends `text` so that the command tokenizer reads it back as exactly one word equal to
    /// `text`, whatever it holds (blanks, quotes, backslashes, backquotes, newlines, nothing).
    void protectedStrcat(const char *text);

    /// The protected form of `text` on its own.
    static std::string protect(const char *text);
    /// `text` between double quotes, with '"', '\\' and '`' escaped by a backslash and line
    /// breaks and tabs written \n, \r and \t: one line that the command language and the
    /// expression language both read back as `text`.
    static std::string doubleQuote(const std::string &text);

private:
    std::string myData;
};
