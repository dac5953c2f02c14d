#pragma once

// Private to host/PY: needs <Python.h> included first.

#include "py_Ref.h"

#include <ostream>
#include <string>
#include <vector>

/// One run of a Python file as __main__. The interpreter state a run replaces (sys.stdout,
/// sys.stderr, sys.argv and the __main__ module) is put back when it ends, so that runs nest:
/// a script may run another through host.cmd.
class py_ScriptRun
{
public:
    /// Runs `source`, the text of the file `path`, with sys.argv = [path, args...], sending
    /// what it prints to `out` and `err`. False with `error` set when it raises (the last line
    /// of the traceback; the rest goes to `err`) or exits with a non-zero code. Call it with
    /// the interpreter lock held.
    static bool run(const std::string &path, const std::string &source,
                    const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                    std::string &error);

    py_ScriptRun(const py_ScriptRun &) = delete;
    py_ScriptRun &operator=(const py_ScriptRun &) = delete;

private:
    py_ScriptRun(const std::string &path, const std::vector<std::string> &args, std::ostream &out,
                 std::ostream &err);
    ~py_ScriptRun();

    bool ready() const { return myReady; }
    PyObject *globals() const { return PyModule_GetDict(myMain.get()); }

    // The namespace of the module sys, where the run's settings go and are put back.
    py_Ref mySys;
    py_Ref myOldOut;
    py_Ref myOldErr;
    py_Ref myOldArgv;
    py_Ref myOldMain;
    py_Ref myOut;
    py_Ref myErr;
    py_Ref myMain;
    bool myReady = false;
};
