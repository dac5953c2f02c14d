#include <shop/node/SHOP_AutoBuilder.h>

#include <shop/node/SHOP_Node.h>

#include <UT/UT_Options.h>

#include <cstring>

SHOP_AutoBuilder::SHOP_AutoBuilder(SHOP_Node *node, float now, OP_Node *obj, OP_Node *sop,
                                   const UT_Options *overrides, const char *defaultRenderer,
                                   bool needsString)
    : myNode(node), mySavedObject(node->getCallingOBJ()), mySavedSop(node->getCallingSOP())
{
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
    myNode->setCallingOBJ(mySavedObject);
    myNode->setCallingSOP(mySavedSop);
}
