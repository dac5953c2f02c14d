#include <PY/PY_Python.h>

#include <PY/PY_InterpreterAutoLock.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Object.h"
#include "py_Ref.h"

// Everything below runs with the GIL held.
namespace
{

std::string py_typeName(PyObject *object)
{
    return Py_TYPE(object)->tp_name;
}

// Error texts are for people, so anything that cannot be encoded is shown escaped rather
// than lost.
std::string py_toText(PyObject *text)
{
    std::string out;
    if (pyToText(text, out))
        return out;
    PyErr_Clear();
    py_Ref bytes(PyUnicode_AsEncodedString(text, "utf-8", "backslashreplace"));
    if (!bytes)
    {
        PyErr_Clear();
        return "<unprintable>";
    }
    return std::string(PyBytes_AS_STRING(bytes.get()),
                       static_cast<size_t>(PyBytes_GET_SIZE(bytes.get())));
}

// Takes the pending exception, leaving none set, as "ExceptionType: message". Fetching (rather
// than printing) is what keeps SystemExit from ending the process.
std::string py_takeError()
{
    py_Exception pending(true);
    PyObject *type = pending.type();
    PyObject *value = pending.value();
    if (!type)
        return "unknown Python error";

    std::string name =
        PyType_Check(type) ? reinterpret_cast<PyTypeObject *>(type)->tp_name : py_typeName(type);
    // Builtin exception names carry no module; keep only the last component for the rest too,
    // so the text reads the same however the class was defined.
    if (size_t dot = name.rfind('.'); dot != std::string::npos)
        name.erase(0, dot + 1);

    std::string message;
    if (value)
    {
        // str() may run a user's __str__, which may itself raise.
        py_Ref text(PyObject_Str(value));
        if (text)
            message = py_toText(text.get());
        else
        {
            PyErr_Clear();
            message = "<unprintable>";
        }
    }
    return message.empty() ? name : name + ": " + message;
}

const char *const theOutOfRange = "integer out of range";

bool py_toInt(PyObject *number, int64_t &out, std::string &error)
{
    int overflow = 0;
    long long value = PyLong_AsLongLongAndOverflow(number, &overflow);
    if (overflow)
    {
        error = theOutOfRange;
        return false;
    }
    if (value == -1 && PyErr_Occurred())
    {
        error = py_takeError();
        return false;
    }
    out = static_cast<int64_t>(value);
    return true;
}

bool py_toDouble(PyObject *number, double &out, std::string &error)
{
    double value = PyLong_Check(number) ? PyLong_AsDouble(number) : PyFloat_AsDouble(number);
    if (value == -1.0 && PyErr_Occurred())
    {
        error = py_takeError();
        return false;
    }
    out = value;
    return true;
}

bool py_toString(PyObject *text, std::string &out, std::string &error)
{
    if (pyToText(text, out))
        return true;
    error = py_takeError();
    return false;
}

// Every item converted by `convert`, which says in `error` why one cannot be.
template <typename T, typename F>
bool py_items(PyObject **items, Py_ssize_t size, std::vector<T> &out, std::string &error, F convert)
{
    out.resize(static_cast<size_t>(size));
    for (Py_ssize_t k = 0; k < size; ++k)
        if (!convert(items[k], out[static_cast<size_t>(k)], error))
            return false;
    return true;
}

bool py_isSequence(PyObject *object)
{
    return PyList_Check(object) || PyTuple_Check(object);
}

// Converts a list or tuple into whichever array kind its items allow; `kind` receives it.
bool py_toArray(PyObject *sequence, PY_Result::Type desired, PY_Result::Type &kind,
                std::vector<int64_t> &ints, std::vector<double> &doubles,
                std::vector<std::string> &strings, std::string &error)
{
    py_Ref fast(PySequence_Fast(sequence, "not a sequence"));
    if (!fast)
    {
        error = py_takeError();
        return false;
    }
    Py_ssize_t size = PySequence_Fast_GET_SIZE(fast.get());
    PyObject **items = PySequence_Fast_ITEMS(fast.get());

    bool allText = true;
    bool allNumbers = true;
    bool anyFloat = false;
    for (Py_ssize_t k = 0; k < size; ++k)
    {
        PyObject *item = items[k];
        bool isText = PyUnicode_Check(item);
        bool isFloat = PyFloat_Check(item);
        allText = allText && isText;
        allNumbers = allNumbers && (isFloat || PyLong_Check(item));
        anyFloat = anyFloat || isFloat;
        if (!allText && !allNumbers)
        {
            error =
                "cannot convert " + py_typeName(sequence) + " item of type " + py_typeName(item);
            return false;
        }
    }

    // An empty sequence has no item kind of its own; callers expect it as text.
    if (allText)
    {
        kind = PY_Result::STRING_ARRAY;
        return py_items(items, size, strings, error, py_toString);
    }
    if (anyFloat || desired == PY_Result::DOUBLE_ARRAY)
    {
        kind = PY_Result::DOUBLE_ARRAY;
        return py_items(items, size, doubles, error, py_toDouble);
    }
    kind = PY_Result::INT_ARRAY;
    return py_items(items, size, ints, error, py_toInt);
}

// An int, float, str, or a list or tuple of them; anything else cannot be converted.
bool py_convertPlain(PyObject *value, PY_Result::Type desired, PY_Result &result,
                     std::string &error)
{
    if (PyLong_Check(value))
    {
        if (desired == PY_Result::DOUBLE)
        {
            result.myResultType = PY_Result::DOUBLE;
            return py_toDouble(value, result.myDoubleValue, error);
        }
        result.myResultType = PY_Result::INT;
        return py_toInt(value, result.myIntValue, error);
    }
    if (PyFloat_Check(value))
    {
        result.myResultType = PY_Result::DOUBLE;
        return py_toDouble(value, result.myDoubleValue, error);
    }
    if (PyUnicode_Check(value))
    {
        result.myResultType = PY_Result::STRING;
        return py_toString(value, result.myStringValue, error);
    }
    if (py_isSequence(value))
        return py_toArray(value, desired, result.myResultType, result.myIntArray,
                          result.myDoubleArray, result.myStringArray, error);
    error = "cannot convert " + py_typeName(value);
    return false;
}

bool py_toOption(PyObject *value, const std::string &name, UT_Options &options, std::string &error)
{
    const char *key = name.c_str();
    if (PyBool_Check(value))
    {
        options.setOptionB(key, value == Py_True);
        return true;
    }
    PY_Result plain;
    if (!py_convertPlain(value, PY_Result::NONE, plain, error))
        return false;
    switch (plain.myResultType)
    {
    case PY_Result::INT:
        options.setOptionI(key, plain.myIntValue);
        break;
    case PY_Result::DOUBLE:
        options.setOptionF(key, plain.myDoubleValue);
        break;
    case PY_Result::STRING:
    {
        // Built directly, not through setOptionS, so that NUL characters survive.
        UT_OptionEntry entry;
        entry.type = UT_OPTION_STRING;
        entry.s = std::move(plain.myStringValue);
        options.setOption(key, std::move(entry));
        break;
    }
    case PY_Result::INT_ARRAY:
        options.setOptionIArray(key, std::move(plain.myIntArray));
        break;
    case PY_Result::DOUBLE_ARRAY:
        options.setOptionFArray(key, std::move(plain.myDoubleArray));
        break;
    default:
        options.setOptionSArray(key, std::move(plain.myStringArray));
        break;
    }
    return true;
}

bool py_toOptions(PyObject *dict, UT_Options &options, std::string &error)
{
    Py_ssize_t position = 0;
    PyObject *key = nullptr;
    PyObject *value = nullptr;
    while (PyDict_Next(dict, &position, &key, &value))
    {
        if (!PyUnicode_Check(key))
        {
            error = "cannot convert dict with key of type " + py_typeName(key);
            return false;
        }
        std::string name;
        if (!pyToText(key, name))
        {
            error = py_takeError();
            return false;
        }
        // Option names are C strings; a NUL would silently shorten this one into another.
        if (name.find('\0') != std::string::npos)
        {
            error = "option name contains a NUL character";
            return false;
        }
        if (!py_toOption(value, name, options, error))
        {
            error = "option '" + name + "': " + error;
            return false;
        }
    }
    return true;
}

PY_Result py_convert(PyObject *value, PY_Result::Type desired)
{
    PY_Result result;
    std::string error;
    bool ok = true;
    if (value == Py_None)
        result.myResultType = PY_Result::NONE;
    else if (PyDict_Check(value))
    {
        result.myResultType = PY_Result::OPTIONS;
        ok = py_toOptions(value, result.myOptions, error);
    }
    else
        ok = py_convertPlain(value, desired, result, error);
    return ok ? result : PY_Result::error(std::move(error));
}

} // namespace

PY_Result PYrunPythonExpression(const char *expression, PY_Result::Type desired)
{
    if (!expression)
        return PY_Result::error("no expression");
    PY_InterpreterAutoLock lock;
    py_Ref globals(PyDict_New());
    if (!globals || PyDict_SetItemString(globals.get(), "__builtins__", PyEval_GetBuiltins()) < 0)
        return PY_Result::error(py_takeError());
    py_Ref code(Py_CompileString(expression, "<expression>", Py_eval_input));
    if (!code)
        return PY_Result::error(py_takeError());
    py_Ref value(PyEval_EvalCode(code.get(), globals.get(), globals.get()));
    if (!value)
        return PY_Result::error(py_takeError());
    PY_Result result = py_convert(value.get(), desired);
    // Conversion reports its own failures; nothing may stay pending for the next caller.
    if (PyErr_Occurred())
        PyErr_Clear();
    return result;
}

void PYsetSysPath(const std::vector<std::string> &folders)
{
    PY_InterpreterAutoLock lock;
    PyObject *borrowed = PySys_GetObject("path");
    if (!borrowed || !PyList_Check(borrowed))
    {
        py_Ref fresh(PyList_New(0));
        if (!fresh || PySys_SetObject("path", fresh.get()) < 0)
        {
            PyErr_Clear();
            return;
        }
        borrowed = fresh.get();
    }
    py_Ref path = py_Ref::borrow(borrowed);
    // Inserting the last folder first leaves the folders at the front in their given order.
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
    {
        py_Ref item(PyUnicode_DecodeFSDefaultAndSize(folder->data(),
                                                     static_cast<Py_ssize_t>(folder->size())));
        if (!item)
        {
            PyErr_Clear();
            continue;
        }
        // Only str entries are compared, so no user code can run and reshape the list.
        for (Py_ssize_t k = PyList_GET_SIZE(path.get()) - 1; k >= 0; --k)
        {
            PyObject *entry = PyList_GET_ITEM(path.get(), k);
            if (PyUnicode_Check(entry) && PyUnicode_Compare(entry, item.get()) == 0 &&
                PySequence_DelItem(path.get(), k) < 0)
                PyErr_Clear();
        }
        if (PyList_Insert(path.get(), 0, item.get()) < 0)
            PyErr_Clear();
    }
}
