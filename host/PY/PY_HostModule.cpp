#include <PY/PY_HostModule.h>

#include <OP/OP_Director.h>
#include <OP/OP_Network.h>
#include <PY/PY_InterpreterAutoLock.h>
#include <UT/UT_CachedFile.h>
#include <UT/UT_PathSearch.h>
#include <UT/UT_UndoManager.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Node.h"
#include "py_Object.h"
#include "py_Parm.h"
#include "py_Ref.h"
#include "py_ScriptRun.h"
#include "py_Stream.h"

#include <memory>
#include <sstream>
#include <string_view>
#include <vector>

// Everything below runs with the GIL held: the module's functions are called by Python, and
// runFile takes the lock first. Host calls never release it, so the graph is never touched by
// two Python threads at once.
namespace
{
PY_HostModule::CommandRunner theCommandRunner = nullptr;

// Writes to sys.stdout or sys.stderr, whatever they are at the moment. Losing a warning is
// better than replacing the caller's result by an error about the warning.
void py_writeSysStream(const char *name, std::string_view text)
{
    if (text.empty())
        return;
    PyObject *stream = PySys_GetObject(name); // borrowed
    if (!stream || stream == Py_None)
        return;
    py_Ref item(pyFromText(std::string(text)));
    py_Ref result(item ? PyObject_CallMethod(stream, "write", "O", item.get()) : nullptr);
    if (!result)
        PyErr_Clear();
}

PyObject *py_node(PyObject *, PyObject *arg)
{
    std::string path;
    if (!pyTextArg("node", arg, path))
        return nullptr;
    OP_Node *node = path.find('\0') == std::string::npos
                        ? OPgetDirector()->getCwd()->findNode(path.c_str())
                        : nullptr;
    if (!node)
        Py_RETURN_NONE;
    return py_Node::wrap(*node);
}

// The streams host.cmd writes commands' output to, kept for the next call at the same depth
// of calls (a command may run a script that calls host.cmd again). Main thread only, as the
// interpreter lock makes every call.
class py_CmdStreams
{
public:
    py_CmdStreams()
    {
        if (theDepth == thePool.size())
            thePool.push_back(std::make_unique<Pair>());
        myPair = thePool[theDepth++].get();
    }
    ~py_CmdStreams() { --theDepth; }
    py_CmdStreams(const py_CmdStreams &) = delete;
    py_CmdStreams &operator=(const py_CmdStreams &) = delete;

    std::ostringstream &out() { return myPair->out; }
    std::ostringstream &err() { return myPair->err; }

private:
    struct Pair
    {
        std::ostringstream out, err;
    };
    static inline std::vector<std::unique_ptr<Pair>> thePool;
    static inline size_t theDepth = 0;
    Pair *myPair;
};

PyObject *py_cmd(PyObject *, PyObject *arg)
{
    std::string text;
    if (!pyTextArg("cmd", arg, text))
        return nullptr;
    if (!theCommandRunner)
        return pyRaise(PyExc_RuntimeError, "Error: no command language to run commands with");
    std::string output;
    // One pair of streams for all the lines, and for every call at this depth: a creation
    // script runs for every new node, and a stream costs more to make than a short command.
    py_CmdStreams streams;
    std::ostringstream &out = streams.out();
    std::ostringstream &err = streams.err();
    std::string_view rest = text;
    std::string line;
    while (!rest.empty())
    {
        const std::string_view::size_type end = rest.find('\n');
        line.assign(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.str(std::string());
        err.str(std::string());
        out.clear();
        err.clear();
        std::string error;
        const bool ok = theCommandRunner(line, out, err, error);
        output += out.view();
        const std::string_view errors = err.view();
        py_writeSysStream("stderr", errors);
        if (!ok)
        {
            // An empty reason means the failure was reported on the error stream already (a
            // sourced script's line), and that report is the most precise text there is.
            return pyRaise(PyExc_RuntimeError,
                           error.empty() ? pyLastLine(std::string(errors)) : "Error: " + error);
        }
    }
    return pyFromText(output);
}

// Take back or replay one step of the history; True when there was one.
PyObject *py_undo(PyObject *, PyObject *)
{
    return PyBool_FromLong(UTgetUndoManager()->undo());
}

PyObject *py_redo(PyObject *, PyObject *)
{
    return PyBool_FromLong(UTgetUndoManager()->redo());
}

PyObject *py_time(PyObject *, PyObject *)
{
    return PyFloat_FromDouble(pyCurrentTime());
}

PyMethodDef theModuleMethods[] = {
    {"node", py_node, METH_O, "node(path): the node at the path, or None."},
    {"cmd", py_cmd, METH_O, "cmd(text): runs command lines and returns their output."},
    {"time", py_time, METH_NOARGS, "time(): the current evaluation time."},
    {"undo", py_undo, METH_NOARGS, "undo(): takes back the last step; False when there is none."},
    {"redo", py_redo, METH_NOARGS, "redo(): replays the last step taken back; False when none."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef theModule = {
    PyModuleDef_HEAD_INIT,
    "host",
    "The node graph of the host application.",
    -1,
    theModuleMethods,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

PyObject *py_initModule()
{
    py_Ref module(PyModule_Create(&theModule));
    if (!module)
        return nullptr;
    if (!py_Node::makeType() || !py_Parm::makeType() || !py_Stream::makeType())
        return nullptr;
    if (PyModule_AddObjectRef(module.get(), "Node", reinterpret_cast<PyObject *>(py_Node::type())) <
            0 ||
        PyModule_AddObjectRef(module.get(), "Parm", reinterpret_cast<PyObject *>(py_Parm::type())) <
            0)
        return nullptr;
    return module.release();
}
} // namespace

PY_HostModule::CommandRunner PY_HostModule::setCommandRunner(CommandRunner runner)
{
    CommandRunner old = theCommandRunner;
    theCommandRunner = runner;
    return old;
}

void PY_HostModule::registerModule()
{
    PyImport_AppendInittab("host", py_initModule);
}

namespace
{
// Importing a module already imported asks its spec whether it is still initializing. The
// modules the interpreter sets up before its import system (sys among them) have no answer,
// so every `import sys` raised and dropped an AttributeError: give them the answer the import
// system gives every module it finishes loading. A creation script, run for every new node,
// imports sys.
void py_markModulesInitialized()
{
    PyObject *modules = PyImport_GetModuleDict(); // borrowed
    py_Ref initializing(PyUnicode_InternFromString("_initializing"));
    PyObject *name = nullptr;
    PyObject *module = nullptr;
    Py_ssize_t at = 0;
    while (initializing && PyDict_Next(modules, &at, &name, &module))
    {
        py_Ref spec(PyObject_GetAttrString(module, "__spec__"));
        if (spec && spec.get() != Py_None && !PyObject_HasAttr(spec.get(), initializing.get()))
            PyObject_SetAttr(spec.get(), initializing.get(), Py_False);
        PyErr_Clear();
    }
    PyErr_Clear();
}
} // namespace

void PY_HostModule::interpreterStarted()
{
    py_markModulesInitialized();
    PyObject *path = PySys_GetObject("path"); // borrowed
    if (!path || !PyList_Check(path))
        return;
    Py_ssize_t at = 0;
    for (const std::string &folder : UT_PathSearch::getInstance()->getDirectories())
    {
        const std::string python = folder + "/python";
        py_Ref item(PyUnicode_DecodeFSDefaultAndSize(python.data(),
                                                     static_cast<Py_ssize_t>(python.size())));
        if (!item || PyList_Insert(path, at, item.get()) < 0)
        {
            PyErr_Clear();
            continue;
        }
        ++at;
    }
}

bool PY_HostModule::runFile(const std::string &path, const std::vector<std::string> &args,
                            std::ostream &out, std::ostream &err, std::string &error)
{
    // Only a regular file: a folder would read as an empty script, a FIFO would block. A
    // creation script runs for every new node: its text is read again only when it changed.
    const std::shared_ptr<const std::string> source = UT_CachedFile::read(path, error);
    if (!source)
    {
        error = "Cannot open Python script '" + path + "': " + error;
        return false;
    }
    PY_InterpreterAutoLock lock;
    return py_ScriptRun::run(path, *source, args, out, err, error);
}
