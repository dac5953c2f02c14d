#pragma once

#include <cstdint>

#include <shop/network/SHOP_SubnetOperatorFilter.h>
#include <shop/node/SHOP_Node.h>

/// A shader node holding a network of shader nodes and answering for it.
///
/// A material ("material") answers every shader request through its output node ("suboutput"):
/// whatever is wired into the output node's input for the requested type; its output i carries
/// the type of the output node's input i. A shader network manager ("shopnet") is a plain
/// container with neither output node nor outputs.
class SHOP_SubNet : public SHOP_Node
{
public:
    SHOP_SubNet(OP_Network *parent, const char *name, OP_Operator *op, bool hasOutputNode);
    /// A material.
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);
    /// A shader network manager.
    static OP_Node *myManagerConstruct(OP_Network *parent, const char *name, OP_Operator *op);

    int disableParms() { return 0; }
    /// The subnet's own parameters first, then the properties its output node supplies.
    bool getParameterOrProperty(const char *name, float now, OP_Node *&node, PRM_Parm *&parm,
                                PRM_ParmList *obsolete, bool createMissingMultiParms) override;
    bool getParameterOrPropertyByChannel(const char *channel, float now, OP_Node *&node,
                                         PRM_Parm *&parm, int &component,
                                         PRM_ParmList *obsolete) override;
    unsigned maxOutputs() const override;
    unsigned getNumVisibleOutputs() const override;
    OP_OperatorFilter *getOperatorFilter() override { return &myFilter; }
    /// A material read from a file without an output node gets a fresh one.
    void finishedLoadingNetwork() override;

    SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides) override;
    int collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float now,
                       const UT_Options *overrides) override;
    int getOutputTileLOD() const override { return 1; }
    bool isOutputVisible(int index) const override;
    /// The output node: the last child of type "suboutput", cached by id.
    SHOP_Node *getOutputNode() const override;
    void getOutputName(UT_String &name, int index) const override;
    SHOP_TYPE getOutputType(int index) const override;
    int getH() const override { return getNodeHeight(); }

protected:
    void childDeleted(OP_Node *child) override;
    void childFlagChange(OP_Node *child) override;

private:
    SHOP_Node *findOutputNode() const;

    SHOP_SubnetOperatorFilter myFilter;
    bool myHasOutputNode;
    mutable int myOutputNodeId = -1;
    // The output node found last, and the scene's change count then (none: ~0).
    mutable SHOP_Node *myOutputNode = nullptr;
    mutable uint64_t myOutputNodeChanges = ~uint64_t(0);
};
