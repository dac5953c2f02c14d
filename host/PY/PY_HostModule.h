#pragma once

#include <ostream>
#include <string>
#include <vector>

/// The built-in Python module `host`, through which Python code reaches the node graph:
///
///   host.node(path)      the Node at a path absolute or relative to the calling thread's
///                        current network, or None
///   host.cmd(text)       runs command lines, returns what they printed; a failing line raises
///                        RuntimeError("Error: <what>"); what they print as warnings goes to
///                        sys.stderr
///   host.time()          the current evaluation time (float seconds): the time being
///                        evaluated when Python runs inside an evaluation, else the global time
///
///   Node: path(), name(), type() (the operator name), shaderType(), parm(name), parms()
///         shaderType() is OP_Node::getDataClass() as an int: the host does not know the
///         library's shader type names, the library maps the number to one.
///   Parm: name(), eval(component=0, time=None), evalAll(time=None), isAtDefault(time=None),
///         set(value, component=0)
///         Ordinal parameters evaluate to int, float parameters to float, string parameters to
///         str; time None is host.time(). A failing expression raises RuntimeError with the
///         node's error; a bad value or component raises ValueError with the host's message.
///         parm() takes a parameter name or a channel name; a Parm found by channel name
///         stands for that one component (name() is the channel name, eval() reads it).
///
/// Node and Parm objects hold the node's unique id and the parameter's name, never pointers,
/// so using one after its node (or spare parameter) was deleted raises RuntimeError.
class PY_HostModule
{
public:
    /// What host.cmd runs each line with: true when the line succeeded, else false with
    /// `error` saying why (empty when the reason went to `err` already).
    using CommandRunner = bool (*)(const std::string &line, std::ostream &out, std::ostream &err,
                                   std::string &error);
    /// Sets what host.cmd runs lines with, returning what it was; the command language sets
    /// itself when it loads. With none set, host.cmd raises RuntimeError.
    static CommandRunner setCommandRunner(CommandRunner runner);

    /// Makes `import host` work; must run before the interpreter initialises.
    static void registerModule();
    /// Runs once, GIL held, right after the interpreter started: puts the python/ folder of
    /// every search-path folder, in path order, at the front of sys.path.
    static void interpreterStarted();

    /// Runs a Python file as __main__ with sys.argv = [path, args...], sending what it prints to
    /// `out` and `err`. False with `error` set when the file cannot be read, raises (the last
    /// line of the traceback; the rest of it goes to `err`), or exits with a non-zero code.
    static bool runFile(const std::string &path, const std::vector<std::string> &args,
                        std::ostream &out, std::ostream &err, std::string &error);
};
