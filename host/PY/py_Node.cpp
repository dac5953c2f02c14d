#include <OP/OP_Director.h>
#include <OP/OP_Node.h>
#include <OP/OP_Operator.h>
#include <PRM/PRM_ParmList.h>

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "py_Node.h"
#include "py_Object.h"
#include "py_Parm.h"
#include "py_Ref.h"

#include <string>

namespace
{
struct py_NodeObject
{
    PyObject_HEAD int myId;
};

// Kept as long as the process: a module imported again makes a new type while objects of the
// old one keep theirs alive.
PyTypeObject *theType = nullptr;

int py_id(PyObject *self)
{
    return reinterpret_cast<py_NodeObject *>(self)->myId;
}

OP_Node *py_node(PyObject *self)
{
    return py_Node::lookup(py_id(self));
}

PyObject *py_path(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    return node ? pyFromText(node->getFullPath()) : nullptr;
}

PyObject *py_name(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    return node ? pyFromText(node->getName()) : nullptr;
}

PyObject *py_type(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    if (!node)
        return nullptr;
    return pyFromText(node->getOperator() ? node->getOperator()->getName() : std::string());
}

PyObject *py_shaderType(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    return node ? PyLong_FromLong(node->getDataClass()) : nullptr;
}

PyObject *py_parm(PyObject *self, PyObject *arg)
{
    OP_Node *node = py_node(self);
    std::string name;
    if (!node || !pyTextArg("parm", arg, name))
        return nullptr;
    // A NUL would cut the name short into another one.
    int component = -1;
    PRM_Parm *parm = name.find('\0') == std::string::npos
                         ? node->getParmList()->findParmOrChannel(name.c_str(), &component)
                         : nullptr;
    if (!parm)
        Py_RETURN_NONE;
    return component < 0 ? py_Parm::wrap(*node, *parm, 0, -1)
                         : py_Parm::wrap(*node, *parm, component, 1);
}

PyObject *py_parms(PyObject *self, PyObject *)
{
    OP_Node *node = py_node(self);
    if (!node)
        return nullptr;
    const PRM_ParmList &parms = *node->getParmList();
    py_Ref list(PyList_New(parms.getEntries()));
    if (!list)
        return nullptr;
    for (int i = 0; i < parms.getEntries(); ++i)
    {
        PyObject *item = py_Parm::wrap(*node, *parms.getParmPtr(i), 0, -1);
        if (!item)
            return nullptr;
        PyList_SET_ITEM(list.get(), i, item);
    }
    return list.release();
}

PyObject *py_repr(PyObject *self)
{
    OP_Node *node = OPgetDirector()->lookupNode(py_id(self));
    return pyFromText("<host.Node " + (node ? node->getFullPath() : "(deleted)") + ">");
}

// Two objects for one node compare equal, so that nodes work as dict keys and in sets.
PyObject *py_compare(PyObject *self, PyObject *other, int op)
{
    if (!PyObject_TypeCheck(other, Py_TYPE(self)) || (op != Py_EQ && op != Py_NE))
        Py_RETURN_NOTIMPLEMENTED;
    const bool same = py_id(self) == py_id(other);
    return PyBool_FromLong(same == (op == Py_EQ));
}

Py_hash_t py_hash(PyObject *self)
{
    const Py_hash_t id = py_id(self);
    return id == -1 ? -2 : id;
}

PyMethodDef theMethods[] = {
    {"path", py_path, METH_NOARGS, "The absolute path of the node."},
    {"name", py_name, METH_NOARGS, "The name of the node."},
    {"type", py_type, METH_NOARGS, "The name of the node's operator."},
    {"shaderType", py_shaderType, METH_NOARGS, "The node's data class as an int."},
    {"parm", py_parm, METH_O, "The parameter of that name or channel name, or None."},
    {"parms", py_parms, METH_NOARGS, "Every parameter of the node."},
    {nullptr, nullptr, 0, nullptr},
};
} // namespace

bool py_Node::makeType()
{
    Py_XSETREF(theType, pyMakeType("host.Node", sizeof(py_NodeObject), theMethods, nullptr,
                                   pyPlainDealloc, py_repr, py_compare, py_hash));
    return theType != nullptr;
}

PyTypeObject *py_Node::type()
{
    return theType;
}

PyObject *py_Node::wrap(const OP_Node &node)
{
    auto *self = reinterpret_cast<py_NodeObject *>(theType->tp_alloc(theType, 0));
    if (self)
        self->myId = node.getUniqueId();
    return reinterpret_cast<PyObject *>(self);
}

OP_Node *py_Node::lookup(int id)
{
    OP_Node *node = OPgetDirector()->lookupNode(id);
    if (!node)
        PyErr_SetString(PyExc_RuntimeError, "node no longer exists");
    return node;
}
