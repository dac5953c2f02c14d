#include <shop/node/SHOP_AutoBuilder.h>

#include <shop/node/SHOP_BuildCheck.h>
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
        SHOP_BuildCheck::fail(*node, node->getFullPath() + ": references loop back to its build");
        return;
    }
    theBuilding.push_back(node);
    myEntered = true;
    SHOP_BuildCheck::forget(*node);

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
