#pragma once

#include <OP/OP_NodePin.h>

class OP_Node;
class SHOP_Clerk;
class SHOP_Node;
class UT_Options;

/// The common part of a build: cooks the node, records on whose behalf the build runs (the
/// calling object and geometry node) and picks the clerk. The destructor puts back the calling
/// nodes that the node had before, so nested builds unwind in order on every path.
///
/// For its whole length the build keeps the node and its calling nodes from being deleted by
/// the scripts it may run. A build of a node that this thread is building already (a reference
/// that came back to it) picks no clerk and leaves an error on the node.
class SHOP_AutoBuilder
{
public:
    SHOP_AutoBuilder(SHOP_Node *node, float now, OP_Node *obj, OP_Node *sop,
                     const UT_Options *overrides, const char *defaultRenderer, bool needsString);
    ~SHOP_AutoBuilder();
    SHOP_AutoBuilder(const SHOP_AutoBuilder &) = delete;
    SHOP_AutoBuilder &operator=(const SHOP_AutoBuilder &) = delete;

    /// The clerk chosen for the build, or null.
    SHOP_Clerk *getClerk() const { return myClerk; }

private:
    SHOP_Node *myNode;
    OP_NodePin myPin;
    OP_NodePin myObjectPin;
    OP_NodePin mySopPin;
    OP_Node *mySavedObject;
    OP_Node *mySavedSop;
    SHOP_Clerk *myClerk = nullptr;
    bool myEntered = false;
};
