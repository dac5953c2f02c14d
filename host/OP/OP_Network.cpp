#include <OP/OP_Network.h>

#include <EV/EV_Expression.h>
#include <OP/OP_Director.h>
#include <OP/OP_NodePin.h>
#include <OP/OP_OperatorFilter.h>
#include <OP/OP_OperatorTable.h>
#include <OP/OP_UndoRecorder.h>

#include <algorithm>
#include <cctype>
#include <cstring>

OP_Network::OP_Network(OP_Network *parent, const char *name, OP_Operator *op)
    : OP_Node(parent, name, op)
{
}

OP_Network::~OP_Network()
{
    // Deepest first, by a walk rather than by each network destroying its own children: a
    // tree may be nested far deeper than the stack allows calls. Within a network the last
    // made goes first, so nodes wired to earlier siblings leave before them. Every network
    // is marked before its children go, so that they leave quietly.
    myBeingDestroyed = true;
    std::vector<OP_Network *> path{this};
    while (!path.empty())
    {
        OP_Network *network = path.back();
        OP_Node *last = network->myChildren.back();
        if (!last)
        {
            path.pop_back();
            if (!path.empty())
                path.back()->myChildren.removeLast().reset();
            continue;
        }
        OP_Network *inner = last->isNetwork() ? static_cast<OP_Network *>(last) : nullptr;
        if (inner && !inner->myChildren.empty())
        {
            inner->myBeingDestroyed = true;
            path.push_back(inner);
        }
        else
            network->myChildren.removeLast().reset();
    }
}

OP_OperatorTable *OP_Network::getOperatorTable() const
{
    const std::string &table = getOperator()->getChildTableName();
    return table.empty() ? nullptr : OPgetDirector()->getOperatorTable(table.c_str());
}

const char *OP_Network::getChildType() const
{
    return getOperator()->getChildTableName().c_str();
}

bool OP_Network::isValidNodeName(const char *name)
{
    if (!name || !*name || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    for (const char *c = name; *c; ++c)
        if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '_' && *c != '.' && *c != '-')
            return false;
    return true;
}

std::string OP_Network::getUniqueName(const char *name) const
{
    return myChildren.uniqueName(name);
}

OP_Node *OP_Network::createNode(const char *type, const char *name, std::string &error)
{
    OP_OperatorTable *table = getOperatorTable();
    OP_Operator *op = table ? table->getOperator(type) : nullptr;
    if (!op)
    {
        error = "Unknown node type '" + std::string(type ? type : "") + "' in " + getFullPath();
        return nullptr;
    }
    if (OP_OperatorFilter *filter = getOperatorFilter();
        filter && !filter->allowOperatorAsChild(op))
    {
        error = "A node of type '" + op->getName() + "' is not allowed in " + getFullPath();
        return nullptr;
    }
    std::string wanted = name && *name ? name : op->getName() + "1";
    if (!isValidNodeName(wanted.c_str()))
    {
        error = "Bad node name '" + wanted + "'";
        return nullptr;
    }
    std::string unique = getUniqueName(wanted.c_str());
    OP_Node *node = op->constructNode(this, unique.c_str());
    if (!node)
    {
        error = "Could not create a node of type '" + op->getName() + "'";
        return nullptr;
    }
    myChildren.append(std::unique_ptr<OP_Node>(node));
    OP_UndoRecorder::nodeCreated(*node);
    childCreated(node);
    opChanged(OP_CHILD_CREATED, node);
    // A node read from a scene file comes back as it was saved, with whatever its creation
    // script once made, so the script does not run again.
    if (OPgetDirector()->isLoading())
        return node;
    // The script may run any command, deleting the node among them; only its id is safe.
    const int id = node->getUniqueId();
    const bool scripted = node->runCreateScript();
    node = OPgetDirector()->lookupNode(id);
    if (!node)
    {
        error = "The creation script of '" + unique + "' deleted it";
        return nullptr;
    }
    // A node whose set-up failed is still a usable node, so it stays, carrying the warning.
    if (!scripted)
        node->getErrorManager().addError(UT_Error(
            "OP", 1, UT_ERROR_WARNING, "Creation script of " + node->getFullPath() + " failed"));
    return node;
}

bool OP_Network::isSubNetwork(bool includeManagers) const
{
    const OP_Network *parent = getParent();
    if (!parent)
        return false;
    if (!parent->getParent())
        return includeManagers;
    // Tables are known by their names: comparing those spares two lookups per level of the
    // walks up a deep tree (getCreator).
    return parent->getOperator()->getChildTableName() == getOperator()->getChildTableName();
}

OP_Network *OP_Network::getCreator()
{
    OP_Network *net = this;
    while (net->isSubNetwork(false) && net->getParent())
        net = net->getParent();
    return net;
}

void OP_Network::finishedLoadingTree()
{
    // Parents first, each network's children by index counted afresh: a node finishing its
    // load may make children, which are told in turn. Ids rather than pointers on the walk,
    // since a node finishing its load may also delete others.
    OP_Director *director = OPgetDirector();
    finishedLoadingNetwork();
    std::vector<std::pair<int, int>> path{{getUniqueId(), 0}}; // network id, next child
    while (!path.empty())
    {
        auto &[id, next] = path.back();
        OP_Node *node = director->lookupNode(id);
        OP_Node *child =
            node && node->isNetwork() ? static_cast<OP_Network *>(node)->getChild(next++) : nullptr;
        if (!child)
        {
            path.pop_back();
            continue;
        }
        const int childId = child->getUniqueId();
        {
            // The child stays while it finishes, whatever its creation scripts delete.
            OP_NodePin pin(child, OP_USE_REQUEST);
            child->finishedLoadingNetwork();
        }
        if (OP_Node *still = director->lookupNode(childId); still && still->isNetwork())
            path.emplace_back(childId, 0);
    }
}

OP_Node *OP_Network::createNode(const char *type, const char *name)
{
    std::string error;
    return createNode(type, name, error);
}

namespace
{
// Rewrites every expression in the scene that names `oldPath` or a node below it.
void op_renameReferences(const std::string &oldPath, const std::string &newPath)
{
    OP_Director::traverse(OPgetDirector()->getRoot(),
                          [&](OP_Node &node)
                          {
                              PRM_ParmList *parms = node.getParmList();
                              for (int i = 0; i < parms->getEntries(); ++i)
                              {
                                  PRM_Parm *parm = parms->getParmPtr(i);
                                  for (int c = 0; c < parm->getVectorSize(); ++c)
                                      if (EV_Expression *expr = parm->getExpression(c))
                                          expr->renameReferences(&node, oldPath, newPath);
                              }
                          });
}
} // namespace

bool OP_Network::renameNode(OP_Node *child, const char *name, std::string &error)
{
    if (!child || child->getParent() != this)
    {
        error = "No such node in " + getFullPath();
        return false;
    }
    if (!isValidNodeName(name))
    {
        error = "Bad node name '" + std::string(name ? name : "") + "'";
        return false;
    }
    if (child->getName() == name)
        return true;
    if (getChild(name))
    {
        error = "A node named '" + std::string(name) + "' already exists in " + getFullPath();
        return false;
    }
    const std::string oldPath = child->getFullPath();
    const std::string oldName = child->getName();
    myChildren.rename(child, name);
    OP_UndoRecorder::nodeRenamed(*child, oldName);
    op_renameReferences(oldPath, child->getFullPath());
    child->opChanged(OP_NAME_CHANGED);
    return true;
}

bool OP_Network::moveNode(OP_Node *child, OP_Network *destination, std::string &error)
{
    if (!destination || !myChildren.contains(child))
    {
        error = "No such node in " + getFullPath();
        return false;
    }
    if (destination == this)
        return true;
    OP_OperatorTable *table = destination->getOperatorTable();
    if (!table ||
        table->getOperator(child->getOperator()->getName().c_str()) != child->getOperator())
    {
        error = "A " + child->getOperator()->getName() + " node cannot be placed in " +
                destination->getFullPath();
        return false;
    }
    for (OP_Node *n = destination; n; n = n->getParent())
        if (n == child)
        {
            error = "Cannot move " + child->getFullPath() + " inside itself";
            return false;
        }

    const std::string oldPath = child->getFullPath();
    child->disconnectWires();
    std::unique_ptr<OP_Node> moving = myChildren.remove(child);
    moving->setNameInternal(destination->getUniqueName(moving->getName().c_str()));
    moving->myParent = destination;
    destination->myChildren.append(std::move(moving));
    child->parentChanged(this);
    op_renameReferences(oldPath, child->getFullPath());
    opChanged(OP_CHILD_DELETED, child);
    destination->opChanged(OP_CHILD_CREATED, child);
    return true;
}

bool OP_Network::destroyNode(OP_Node *child)
{
    std::string error;
    return destroyNode(child, error);
}

bool OP_Network::destroyNode(OP_Node *child, std::string &error)
{
    // Found by address alone: the caller's pointer may be to a node deleted already.
    if (!myChildren.contains(child))
    {
        error = "No such node in " + getFullPath();
        return false;
    }
    // Whoever uses the node further up the stack would be left with freed memory.
    if (const std::string use = OP_NodePin::describeUse(*child); !use.empty())
    {
        error = "Cannot delete " + child->getFullPath() + ": " + use;
        return false;
    }
    OP_UndoRecorder::nodeDeleting(*child);
    std::unique_ptr<OP_Node> doomed = myChildren.remove(child);
    doomed.reset();
    childDeleted(child); // only the address: the node is gone
    opChanged(OP_CHILD_DELETED, child);
    return true;
}
