#include <shop/node/SHOP_AutoBuilder.h>

#include <shop/node/SHOP_Node.h>

#include <UT/UT_Options.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// The nodes this thread is building, innermost last. Builds on other threads are no loop.
thread_local std::vector<const SHOP_Node *> theBuilding;

std::string shop_loopText(const SHOP_Node &node)
{
    return node.getFullPath() + ": references loop back to its build";
}

// Said once however often the build comes back. The error belongs to the build that found it,
// not to the node's cook: it stays after the build for users to read.
void shop_reportLoop(SHOP_Node &node)
{
    const std::string text = shop_loopText(node);
    UT_ErrorManager &errors = node.getErrorManager();
    for (const UT_Error &error : errors.getErrors())
        if (error.getText() == text)
            return;
    errors.addError(UT_Error("OP", 1, UT_ERROR_ABORT, text));
}

// A reference is no dependency, so the node need not cook again once the loop is broken
// elsewhere: every build starts without the last one's loop.
void shop_forgetLoop(SHOP_Node &node)
{
    UT_ErrorManager &errors = node.getErrorManager();
    const std::string text = shop_loopText(node);
    std::vector<UT_Error> kept;
    for (const UT_Error &error : errors.getErrors())
        if (error.getText() != text)
            kept.push_back(error);
    if (kept.size() == errors.getErrors().size())
        return;
    errors.clearAndDestroyErrors();
    for (UT_Error &error : kept)
        errors.addError(std::move(error));
}
} // namespace

SHOP_AutoBuilder::SHOP_AutoBuilder(SHOP_Node *node, float now, OP_Node *obj, OP_Node *sop,
                                   const UT_Options *overrides, const char *defaultRenderer,
                                   bool needsString)
    : myNode(node), myPin(node, OP_USE_BUILD), myObjectPin(obj, OP_USE_REQUEST),
      mySopPin(sop, OP_USE_REQUEST), mySavedObject(node->getCallingOBJ()),
      mySavedSop(node->getCallingSOP())
{
    if (std::find(theBuilding.begin(), theBuilding.end(), node) != theBuilding.end())
    {
        shop_reportLoop(*node);
        return;
    }
    theBuilding.push_back(node);
    myEntered = true;
    shop_forgetLoop(*node);

    OP_Context context(now);
    node->cook(context);

    if (obj)
    {
        node->setCallingOBJ(obj);
        node->setCallingSOP(sop);
    }
    else if (sop)
    {
        node->setCallingOBJ(sop->getParent());
        node->setCallingSOP(sop);
    }

    std::string renderer = defaultRenderer ? defaultRenderer : "";
    if (overrides)
        overrides->importOption("rendertype", renderer);
    if (!renderer.empty() && renderer != "*")
        myClerk = node->getClerk(renderer.c_str());
    else
        myClerk = node->getAnyClerk(needsString);
}

SHOP_AutoBuilder::~SHOP_AutoBuilder()
{
    if (!myEntered)
        return;
    myNode->setCallingOBJ(mySavedObject);
    myNode->setCallingSOP(mySavedSop);
    theBuilding.pop_back();
}
