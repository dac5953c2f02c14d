#pragma once

// Private to host/PY: needs <Python.h> included first. What the host module's functions and
// object types share. Everything here runs with the interpreter lock held.

#include <string>

/// Host text as a str: host text is bytes, so undecodable ones travel as lone surrogates and
/// come back unchanged. A new reference, or null with the Python error set.
PyObject *pyFromText(const std::string &text);
/// The bytes a str stands for (see pyFromText); false with the Python error set.
bool pyToText(PyObject *object, std::string &text);
/// Sets a Python exception of `type` with `message`; returns null for the caller to return.
PyObject *pyRaise(PyObject *type, const std::string &message);
/// The text of a method's str argument; false with the Python error set (a TypeError naming
/// the method when the argument is no str).
bool pyTextArg(const char *method, PyObject *arg, std::string &text);

/// The last line of `text`, newlines at its end passed over ("" when it has none).
std::string pyLastLine(const std::string &text);

/// Inside an evaluation (Python called from an expression or a cook) that evaluation's time,
/// else the host's global time.
float pyCurrentTime();

/// A type whose objects only the module makes; null with the Python error set.
PyTypeObject *pyMakeType(const char *name, int size, PyMethodDef *methods, PyGetSetDef *getsets,
                         destructor dealloc, reprfunc repr = nullptr, richcmpfunc compare = nullptr,
                         hashfunc hash = nullptr);
/// The deallocator of a type made by pyMakeType whose objects hold nothing to destroy.
void pyPlainDealloc(PyObject *self);
