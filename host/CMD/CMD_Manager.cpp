#include <CMD/CMD_Manager.h>

#include <CH/CH_Manager.h>
#include <CMD/CMD_NodeCommands.h>
#include <CMD/CMD_PythonCommands.h>
#include <CMD/CMD_SceneCommands.h>
#include <CMD/CMD_Tokenizer.h>
#include <EV/EV_Function.h>
#include <OP/OP_Director.h>
#include <UT/UT_File.h>
#include <UT/UT_Progress.h>
#include <UT/UT_UndoManager.h>
#include <UT/UT_Utf8.h>

#include <algorithm>
#include <cstring>
#include <iostream>

bool CMD_Args::found(char opt) const
{
    for (const cmd_Option &option : myOptions)
        if (option.letter == opt)
            return true;
    return false;
}

const char *CMD_Args::argp(char opt) const
{
    for (auto it = myOptions.rbegin(); it != myOptions.rend(); ++it)
        if (it->letter == opt)
            return it->value;
    return nullptr;
}

const std::vector<std::string> &CMD_Args::argValues(char opt) const
{
    auto [it, added] = myValues.try_emplace(opt);
    if (added)
        for (const cmd_Option &option : myOptions)
            if (option.letter == opt)
                it->second.emplace_back(option.value);
    return it->second;
}

CMD_Manager *CMDgetManager()
{
    static CMD_Manager theManager;
    return &theManager;
}

CMD_Manager::CMD_Manager()
{
    CMD_NodeCommands::install(*this);
    CMD_PythonCommands::install(*this);
    CMD_SceneCommands::install(*this);
}

void CMD_Manager::installCommand(const char *name, const char *options, CMD_Callback callback,
                                 bool isSafe, const char *usage)
{
    // "x(explain)" gives the letter x the long name "--explain"; the letters alone are kept
    // for the parser, so that the long name's letters are not options themselves.
    cmd_Command command{"", callback, isSafe, usage ? usage : name, {}};
    for (const char *p = options ? options : ""; *p; ++p)
    {
        if (*p != '(')
        {
            command.options += *p;
            continue;
        }
        const char *close = std::strchr(p, ')');
        if (!close)
            break;
        const char letter = command.options.empty() ? '\0'
                            : command.options.back() == ':'
                                ? command.options[command.options.size() - 2]
                                : command.options.back();
        command.longNames[std::string(p + 1, close)] = letter;
        p = close;
    }
    myCommands[name] = std::move(command);
}

std::vector<std::string> CMD_Manager::getCommandNames() const
{
    std::vector<std::string> names;
    for (const auto &[name, command] : myCommands)
        names.push_back(name);
    return names;
}

const char *CMD_Manager::getUsage(const char *name) const
{
    auto it = myCommands.find(name ? name : "");
    return it == myCommands.end() ? nullptr : it->second.usage.c_str();
}

float CMD_Manager::getTime() const
{
    return CHgetManager()->getTime();
}

bool CMD_Manager::parseOptions(const cmd_Command &command, CMD_Args &args, std::string &error)
{
    CMD_Tokenizer::Words &words = args.myWords;
    bool optionsEnded = false;
    for (size_t i = 1; i < words.size();)
    {
        const std::string_view word = words[i];
        const bool plain = !optionsEnded && words.plain(i);
        if (plain && word == "--")
        {
            optionsEnded = true;
            words.erase(i, 1);
            continue;
        }
        std::string::size_type at = std::string::npos;
        char letter = word.size() == 2 ? word[1] : '\0';
        if (plain && word.size() > 2 && word.starts_with("--"))
        {
            auto named = command.longNames.find(word.substr(2));
            if (named != command.longNames.end())
                letter = named->second;
        }
        if (plain && letter && letter != ':' && word[0] == '-')
            at = command.options.find(letter);
        if (at == std::string::npos)
        {
            ++i; // an argument
            continue;
        }
        const bool takesValue = at + 1 < command.options.size() && command.options[at + 1] == ':';
        if (takesValue && i + 1 >= words.size())
        {
            error = "Option " + std::string(word) + " of " + args.getName() + " needs a value";
            return false;
        }
        args.myOptions.push_back({letter, takesValue ? words.c_str(i + 1) : ""});
        words.erase(i, takesValue ? 2 : 1);
    }
    return true;
}

bool CMD_Manager::execute(const std::string &line, std::ostream &out, std::ostream &err,
                          std::string &error)
{
    CMD_Tokenizer::Words words;
    if (!mySpareWords.empty())
    {
        words = std::move(mySpareWords.back());
        mySpareWords.pop_back();
    }
    CMD_Args args(std::move(words), out, err);
    if (!mySpareOptions.empty())
    {
        args.myOptions = std::move(mySpareOptions.back());
        mySpareOptions.pop_back();
    }
    const bool done = dispatch(line, args, error);
    // The words of a very long line give their memory back.
    constexpr size_t theKeptMemory = size_t(1) << 16;
    if (args.myWords.capacity() <= theKeptMemory)
        mySpareWords.push_back(std::move(args.myWords));
    args.myOptions.clear();
    if (args.myOptions.capacity() <= theKeptMemory / sizeof(CMD_Args::cmd_Option))
        mySpareOptions.push_back(std::move(args.myOptions));
    return done;
}

bool CMD_Manager::dispatch(const std::string &line, CMD_Args &args, std::string &error)
{
    auto expand = [this](const std::string &expr, std::string &value, std::string &why)
    {
        EV_Value result;
        if (!OPgetDirector()->getCwd()->evaluateExpression(expr, getTime(), result, why))
            return false;
        value = result.asString();
        return true;
    };
    if (!CMD_Tokenizer::split(line, args.myWords, error, expand))
        return false;
    if (args.myWords.empty())
        return true;
    const std::string_view name = args.myWords[0];
    auto it = myLastCommand != myCommands.end() && myLastCommand->first == name
                  ? myLastCommand
                  : myCommands.find(name);
    if (it != myCommands.end())
        myLastCommand = it;
    if (it == myCommands.end())
    {
        error = "Unknown command '" + std::string(name) + "'";
        return false;
    }
    args.myName = name;
    if (!parseOptions(it->second, args, error))
        return false;
    {
        // Each command is one step of the history, with whatever it runs in turn. A command
        // that fails keeps what it changed before failing, as one step.
        UT_AutoUndoBlock step(line.c_str());
        it->second.callback(args);
    }
    if (args.failed())
    {
        error = args.failure();
        return false;
    }
    return true;
}

bool CMD_Manager::enterScript(const std::string &source, std::ostream &err)
{
    // A script that sources itself would otherwise recurse until the stack runs out.
    constexpr int theMaxSourceDepth = 32;
    if (mySourceDepth >= theMaxSourceDepth)
    {
        err << "Error: scripts nested too deeply (" << printable(source) << ")" << std::endl;
        return false;
    }
    ++mySourceDepth;
    return true;
}

bool CMD_Manager::runScriptLine(std::string &line, int number, const std::string &source,
                                std::ostream &out, std::ostream &err)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (myEcho)
        out << line << std::endl;
    std::string error;
    bool done = execute(line, out, err, error);
    // Output that never arrives is lost work, not success.
    if (done && out.fail())
    {
        done = false;
        error = "Cannot write the output";
    }
    if (!done && !error.empty())
        err << "Error: " << printable(error) << " (" << printable(source) << ":" << number << ")"
            << std::endl;
    return done;
}

template <typename NextLine>
bool CMD_Manager::runLines(NextLine nextLine, const std::string &source, std::ostream &out,
                           std::ostream &err, bool stopOnError, UT_Progress *progress)
{
    if (!enterScript(source, err))
        return false;
    bool ok = true;
    std::string line;
    uint64_t end = 0;
    for (int number = 1; nextLine(line, end); ++number)
    {
        if (runScriptLine(line, number, source, out, err))
        {
            if (progress)
                progress->update(end);
            continue;
        }
        ok = false;
        if (stopOnError)
            break;
    }
    --mySourceDepth;
    return ok;
}

bool CMD_Manager::runScript(std::istream &in, const std::string &source, std::ostream &out,
                            std::ostream &err, bool stopOnError, UT_Progress *progress)
{
    auto nextLine = [&in, progress](std::string &line, uint64_t &end)
    {
        if (!std::getline(in, line))
            return false;
        // Where the stream stands is asked only when someone listens.
        if (progress)
            end = static_cast<uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
        return true;
    };
    return runLines(nextLine, source, out, err, stopOnError, progress);
}

bool CMD_Manager::runScript(std::string_view text, const std::string &source, std::ostream &out,
                            std::ostream &err, bool stopOnError, UT_Progress *progress)
{
    // Lines as std::getline reads them: a last line without its line break still counts.
    size_t pos = 0;
    auto nextLine = [text, &pos](std::string &line, uint64_t &end)
    {
        if (pos >= text.size())
            return false;
        const size_t stop = std::min(text.find('\n', pos), text.size());
        line.assign(text.substr(pos, stop - pos));
        pos = std::min(stop + 1, text.size());
        end = pos;
        return true;
    };
    return runLines(nextLine, source, out, err, stopOnError, progress);
}

bool CMD_Manager::readScript(const std::string &path, std::string &text, std::string &error)
{
    if (UT_File::readRegular(path, text, error))
        return true;
    error = "Cannot open script '" + path + "': " + error;
    return false;
}

bool CMD_Manager::runFile(const std::string &path, std::ostream &out, std::ostream &err)
{
    std::string text, error;
    if (!readScript(path, text, error))
    {
        err << "Error: " << printable(error) << std::endl;
        return false;
    }
    return runScript(text, path, out, err);
}

bool CMD_Manager::sendInput(const char *text)
{
    // Commands sent by scripts are not the user's typing, so they are never echoed back.
    const bool echo = myEcho;
    myEcho = false;
    const bool ok = runScript(std::string_view(text ? text : ""), "input", std::cout, std::cerr);
    myEcho = echo;
    return ok;
}

std::string CMD_Manager::printable(const std::string &text)
{
    std::string shown;
    shown.reserve(text.size());
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    for (size_t i = 0; i < text.size();)
    {
        const unsigned char c = bytes[i];
        const size_t length = UTutf8SequenceLength(bytes + i, text.size() - i);
        // U+0080 to U+009F, written C2 80 to C2 9F, are the C1 controls.
        const bool control =
            c < 0x20 || c == 0x7F || (c == 0xC2 && length == 2 && bytes[i + 1] < 0xA0);
        if (length > 0 && !control)
        {
            shown.append(text, i, length);
            i += length;
            continue;
        }
        const size_t escaped = length > 0 ? length : 1;
        for (size_t k = 0; k < escaped; ++k)
        {
            const unsigned char b = bytes[i + k];
            if (b == '\n')
                shown += "\\n";
            else if (b == '\t')
                shown += "\\t";
            else if (b == '\r')
                shown += "\\r";
            else
            {
                static const char theDigits[] = "0123456789abcdef";
                shown += "\\x";
                shown += theDigits[b >> 4];
                shown += theDigits[b & 15];
            }
        }
        i += escaped;
    }
    return shown;
}
