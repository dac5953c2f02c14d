#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Object.h"
#include "py_Ref.h"
#include "py_ScriptRun.h"
#include "py_Stream.h"

#include <unordered_map>
#include <utility>

namespace
{
// A script that runs itself through host.cmd would otherwise recurse until the stack runs out.
constexpr int theMaxRunDepth = 32;
int theRunDepth = 0;

py_Ref py_fileName(const std::string &path)
{
    return py_Ref(
        PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
}

// The names a run sets and puts back, each made once rather than at every use: a creation
// script runs for every new node. Kept, as the interpreter is.
struct py_Names
{
    PyObject *out = PyUnicode_InternFromString("stdout");
    PyObject *err = PyUnicode_InternFromString("stderr");
    PyObject *argv = PyUnicode_InternFromString("argv");
    PyObject *main = PyUnicode_InternFromString("__main__");
    PyObject *builtins = PyUnicode_InternFromString("__builtins__");
    PyObject *file = PyUnicode_InternFromString("__file__");

    bool ready() const { return out && err && argv && main && builtins && file; }
};

const py_Names &py_names()
{
    static const py_Names *const theNames = new py_Names;
    return *theNames;
}

// The module sys's namespace, where PySys_GetObject and PySys_SetObject look. Borrowed; found
// once, as it lasts as long as the interpreter.
PyObject *py_sysDict()
{
    static PyObject *theDict = nullptr;
    if (!theDict)
        if (PyObject *sys = PyImport_AddModule("sys")) // borrowed
            theDict = Py_NewRef(PyModule_GetDict(sys));
    return theDict;
}

PyObject *py_sysGet(PyObject *dict, PyObject *name) // borrowed, null when not set
{
    return dict ? PyDict_GetItemWithError(dict, name) : nullptr;
}

// Sets `name` in `dict` to `value`, or removes it for a null value. False with the Python
// error set.
bool py_put(PyObject *dict, PyObject *name, PyObject *value)
{
    if (!dict)
        return false;
    if (value)
        return PyDict_SetItem(dict, name, value) == 0;
    if (PyDict_DelItem(dict, name) == 0)
        return true;
    // Nothing to remove is what was wanted.
    if (!PyErr_ExceptionMatches(PyExc_KeyError))
        return false;
    PyErr_Clear();
    return true;
}

void py_restore(PyObject *sys, PyObject *name, py_Ref &old)
{
    if (!py_put(sys, name, old.get()))
        PyErr_Clear();
    old.reset();
}

// The exception as Python would print it: the traceback goes to `err` but for its last line,
// which becomes the reason the run failed.
std::string py_reportException(std::ostream &err)
{
    py_Exception pending(true);
    PyObject *type = pending.type();
    PyObject *value = pending.value();
    PyObject *traceback = pending.traceback();
    if (!type)
        return "unknown Python error";
    if (value && traceback)
        PyException_SetTraceback(value, traceback);

    std::string text;
    py_Ref module(PyImport_ImportModule("traceback"));
    py_Ref lines(module
                     ? PyObject_CallMethod(module.get(), "format_exception", "OOO", type,
                                           value ? value : Py_None, traceback ? traceback : Py_None)
                     : nullptr);
    py_Ref empty(PyUnicode_FromString(""));
    py_Ref joined(lines && empty ? PyUnicode_Join(empty.get(), lines.get()) : nullptr);
    if (!joined || !pyToText(joined.get(), text))
    {
        // Without the traceback module the bare exception still says what went wrong.
        PyErr_Clear();
        text = PyType_Check(type) ? reinterpret_cast<PyTypeObject *>(type)->tp_name : "Exception";
        py_Ref message(value ? PyObject_Str(value) : nullptr);
        std::string shown;
        if (message && pyToText(message.get(), shown) && !shown.empty())
            text += ": " + shown;
        PyErr_Clear();
    }
    const std::string last = pyLastLine(text);
    const std::string::size_type end = text.find_last_not_of('\n');
    if (end != std::string::npos && end + 1 > last.size())
        err << text.substr(0, end + 1 - last.size());
    return last.empty() ? "unknown Python error" : last;
}

// The text Python shows for an exit code, or `fallback` when it has none.
std::string py_shown(PyObject *code, const std::string &fallback)
{
    py_Ref shown(PyObject_Str(code));
    std::string text;
    if (!shown || !pyToText(shown.get(), text))
    {
        PyErr_Clear();
        return fallback;
    }
    return text;
}

// SystemExit ends the script, never the process: code None or 0 is success.
bool py_exitStatus(const std::string &path, std::string &error)
{
    py_Exception pending(true);
    py_Ref code(pending.value() ? PyObject_GetAttrString(pending.value(), "code") : nullptr);
    PyErr_Clear();
    if (!code || code.get() == Py_None)
        return true;
    if (!PyLong_Check(code.get()))
    {
        // Python shows any other code as the message it is.
        error = py_shown(code.get(), "Python script '" + path + "' exited");
        return false;
    }
    int overflow = 0;
    const long long status = PyLong_AsLongLongAndOverflow(code.get(), &overflow);
    PyErr_Clear();
    if (status == 0 && !overflow)
        return true;
    error = "Python script '" + path + "' exited with code " + py_shown(code.get(), "");
    return false;
}

// The code of a script file, compiled once for as long as the file holds the same text: a
// creation script runs for every new node, and compiling it cost more than all else it does.
// Null with the Python error set.
py_Ref py_compiled(const std::string &path, const std::string &source)
{
    // Under the interpreter lock, and kept until exit as the interpreter is (never destroyed,
    // since nothing may touch Python objects once the program ends); a few entries, since
    // scripts that run again and again are few.
    static auto &theCompiled = *new std::unordered_map<std::string, std::pair<std::string, py_Ref>>;
    constexpr size_t theMaxCompiled = 64;
    auto it = theCompiled.find(path);
    if (it != theCompiled.end() && it->second.first == source)
        return py_Ref(it->second.second.share());
    // compile() of the bytes honours a coding declaration and refuses NUL bytes, as the
    // python program does.
    py_Ref bytes(PyBytes_FromStringAndSize(source.data(), static_cast<Py_ssize_t>(source.size())));
    py_Ref file = py_fileName(path);
    PyObject *compile =
        bytes && file ? PyDict_GetItemString(PyEval_GetBuiltins(), "compile") : nullptr; // borrowed
    py_Ref code(compile ? PyObject_CallFunction(compile, "OOs", bytes.get(), file.get(), "exec")
                        : nullptr);
    if (!code)
        return code;
    if (theCompiled.size() >= theMaxCompiled && it == theCompiled.end())
        theCompiled.clear();
    theCompiled[path] = {source, py_Ref(code.share())};
    return code;
}

// The module's types are made when it is first imported, and the streams need theirs. Once
// imported it is taken as it is, without the import machinery, run after run.
py_Ref py_hostModule()
{
    static PyObject *const theName = PyUnicode_InternFromString("host"); // kept, as Python is
    PyObject *imported = theName ? PyImport_GetModule(theName) : nullptr;
    if (!imported && !PyErr_Occurred())
        imported = PyImport_ImportModule("host");
    return py_Ref(imported);
}
} // namespace

py_ScriptRun::py_ScriptRun(const std::string &path, const std::vector<std::string> &args,
                           std::ostream &out, std::ostream &err)
    : mySys(py_Ref::borrow(py_sysDict())),
      myOldOut(py_Ref::borrow(py_sysGet(mySys.get(), py_names().out))),
      myOldErr(py_Ref::borrow(py_sysGet(mySys.get(), py_names().err))),
      myOldArgv(py_Ref::borrow(py_sysGet(mySys.get(), py_names().argv))),
      myOldMain(py_Ref::borrow(PyDict_GetItemWithError(PyImport_GetModuleDict(), py_names().main))),
      myOut(py_Stream::open(out)), myErr(py_Stream::open(err)),
      myMain(py_names().main ? PyModule_NewObject(py_names().main) : nullptr)
{
    ++theRunDepth;
    const py_Names &names = py_names();
    py_Ref argv(PyList_New(0));
    py_Ref file = py_fileName(path);
    if (!names.ready() || PyErr_Occurred() || !myOut || !myErr || !argv || !file || !myMain ||
        PyList_Append(argv.get(), file.get()))
        return;
    for (const std::string &arg : args)
    {
        py_Ref item(pyFromText(arg));
        if (!item || PyList_Append(argv.get(), item.get()) < 0)
            return;
    }
    PyObject *globals = PyModule_GetDict(myMain.get()); // borrowed
    PyObject *sys = mySys.get();
    myReady = py_put(globals, names.builtins, PyEval_GetBuiltins()) &&
              py_put(globals, names.file, file.get()) && py_put(sys, names.out, myOut.get()) &&
              py_put(sys, names.err, myErr.get()) && py_put(sys, names.argv, argv.get()) &&
              py_put(PyImport_GetModuleDict(), names.main, myMain.get());
}

py_ScriptRun::~py_ScriptRun()
{
    // Whatever failed while putting things back must not surface in the caller's next call.
    py_Exception pending(false);
    py_Stream::close(myOut.get());
    py_Stream::close(myErr.get());
    const py_Names &names = py_names();
    py_restore(mySys.get(), names.out, myOldOut);
    py_restore(mySys.get(), names.err, myOldErr);
    py_restore(mySys.get(), names.argv, myOldArgv);
    if (!py_put(PyImport_GetModuleDict(), names.main, myOldMain.get()))
        PyErr_Clear();
    myOldMain.reset();
    myOut.reset();
    myErr.reset();
    myMain.reset();
    mySys.reset();
    pending.restore();
    --theRunDepth;
}

bool py_ScriptRun::run(const std::string &path, const std::string &source,
                       const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                       std::string &error)
{
    if (theRunDepth >= theMaxRunDepth)
    {
        error = "Python scripts nested too deeply (" + path + ")";
        return false;
    }
    py_Ref module = py_hostModule();
    if (!module)
    {
        error = py_reportException(err);
        return false;
    }
    py_ScriptRun run(path, args, out, err);
    if (!run.ready())
    {
        error = py_reportException(err);
        return false;
    }
    py_Ref code = py_compiled(path, source);
    py_Ref result(code ? PyEval_EvalCode(code.get(), run.globals(), run.globals()) : nullptr);
    if (result)
        return true;
    if (PyErr_ExceptionMatches(PyExc_SystemExit))
        return py_exitStatus(path, error);
    error = py_reportException(err);
    return false;
}
