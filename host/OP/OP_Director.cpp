#include <OP/OP_Director.h>

#include <OP/OP_ExprFunctions.h>
#include <OP/OP_NodePin.h>
#include <OP/OP_SpareParmState.h>
#include <OP/OP_UndoRecorder.h>
#include <UT/UT_Error.h>
#include <UT/UT_Thread.h>
#include <UT/UT_UndoManager.h>

#include <algorithm>
#include <set>

namespace
{
// The root is a plain network whose children come from the root table.
class op_RootNetwork : public OP_Network
{
public:
    op_RootNetwork(OP_Operator *op) : OP_Network(nullptr, "", op) {}
};

// Children one by one, last first, so that each deletion disconnects wires and tells
// dependants while everything else still stands.
void op_destroyChildren(OP_Network &network)
{
    while (network.getNchildren() > 0)
        network.destroyNode(network.getChild(network.getNchildren() - 1));
}
} // namespace

OP_Director *OPgetDirector()
{
    static OP_Director theDirector;
    return &theDirector;
}

OP_Director::OP_Director()
{
    OPinstallExpressionFunctions();
    OP_UndoRecorder::installParmHook();
    // Node framework errors carry their whole text.
    UTsetErrorText("OP", 1, "%s");
    UTsetErrorText("OP", 2, "%s");
    myRootOperator = std::make_unique<OP_Operator>("root", "Root", nullptr, nullptr, 0, 0);
    myRootOperator->setChildTableName(theRootTableName);
    myRootOperator->setFlags(OP_FLAG_NETWORK);
}

OP_Director::~OP_Director()
{
    // Nodes reach the director while they are torn down, so the root goes while all else is
    // intact.
    myRoot.reset();
}

OP_Network *OP_Director::getRoot() const
{
    // Made here rather than in the constructor: making a node asks for the director.
    if (!myRoot)
        myRoot = std::make_unique<op_RootNetwork>(myRootOperator.get());
    return myRoot.get();
}

OP_OperatorTable *OP_Director::getOperatorTable(const char *name)
{
    auto &table = myTables[name ? name : ""];
    if (!table)
        table = std::make_unique<OP_OperatorTable>(name);
    return table.get();
}

OP_Network *OP_Director::getCwd() const
{
    auto it = myCwd.find(UT_Thread::getMySequentialThreadIndex());
    if (it != myCwd.end())
        if (OP_Node *node = lookupNode(it->second); node && node->isNetwork())
            return static_cast<OP_Network *>(node);
    return getRoot();
}

void OP_Director::setCwd(OP_Network *network)
{
    myCwd[UT_Thread::getMySequentialThreadIndex()] = network ? network->getUniqueId() : -1;
}

int OP_Director::registerNode(OP_Node *node)
{
    OP_Node::countChange();
    myNodes.push_back(node);
    return static_cast<int>(myNodes.size()) - 1;
}

void OP_Director::unregisterNode(int id)
{
    OP_Node::countChange();
    if (id >= 0 && static_cast<size_t>(id) < myNodes.size())
        myNodes[static_cast<size_t>(id)] = nullptr;
}

OP_Node *OP_Director::lookupNode(int id) const
{
    return id >= 0 && static_cast<size_t>(id) < myNodes.size() ? myNodes[static_cast<size_t>(id)]
                                                               : nullptr;
}

OP_Node *OP_Director::findNode(const char *path) const
{
    return getRoot() && path && path[0] == '/' ? getRoot()->findNode(path) : nullptr;
}

void OP_Director::addShopClerk(const char *renderName)
{
    if (renderName &&
        std::find(myShopClerks.begin(), myShopClerks.end(), renderName) == myShopClerks.end())
        myShopClerks.emplace_back(renderName);
}

bool OP_Director::clearNetwork()
{
    if (!myRoot)
        return true;
    if (!OP_NodePin::describeUse(*myRoot).empty())
        return false;
    op_destroyChildren(*myRoot);
    myCwd.clear();
    return true;
}

std::unique_ptr<OP_Network> OP_Director::detachRoot()
{
    getRoot();
    std::unique_ptr<OP_Network> previous = std::move(myRoot);
    getRoot();
    return previous;
}

void OP_Director::restoreRoot(std::unique_ptr<OP_Network> root)
{
    if (!root)
        return;
    std::unique_ptr<OP_Network> replaced = std::move(myRoot);
    myRoot = std::move(root);
    destroyRoot(std::move(replaced));
}

void OP_Director::destroyRoot(std::unique_ptr<OP_Network> root)
{
    if (root)
        op_destroyChildren(*root);
}

void OP_Director::changeNodeSpareParms(OP_Node &node, const PRM_Template *templates,
                                       UT_String &errors)
{
    OP_SpareParmState::record(node);
    // What the parameters that stay hold, by name, as it was typed: they are made again in
    // the new order, with the new templates.
    OP_SpareParmState::Values kept = OP_SpareParmState::captureValues(node);
    std::vector<std::string> names;
    for (const PRM_Template *t = node.getSpareParmTemplates(); t && !t->isTerminator(); ++t)
        names.emplace_back(t->getToken());
    for (const std::string &name : names)
        node.removeSpareParm(name.c_str());
    for (const PRM_Template *t = templates; t && !t->isTerminator(); ++t)
    {
        std::string error;
        if (!node.addSpareParm(*t, error))
            errors.str() += (errors.isstring() ? "\n" : "") + error;
    }
    // Values the parameters had already: the set's own record takes them back.
    UTgetUndoManager()->disable();
    OP_SpareParmState::restoreValues(node, kept);
    UTgetUndoManager()->enable();
    node.opChanged(OP_SPAREPARM_MODIFIED);
}

void OP_Director::traverse(OP_Network *network, const std::function<void(OP_Node &)> &visit)
{
    // A walk with its own stack of networks, not a call per level: trees may be nested far
    // deeper than the stack allows calls. Child counts are read afresh at every step, as a
    // visit may add children.
    std::vector<std::pair<OP_Network *, int>> path; // network, next child
    if (network)
        path.emplace_back(network, 0);
    while (!path.empty())
    {
        auto &[current, next] = path.back();
        OP_Node *child = current->getChild(next++);
        if (!child)
        {
            path.pop_back();
            continue;
        }
        visit(*child);
        if (child->isNetwork())
            path.emplace_back(static_cast<OP_Network *>(child), 0);
    }
}
