#pragma once

// A network that owns a code generator and forwards its events as shader networks do; shared
// by the VOP tests and the VOP fuzz target.

#include <OP/OP_Network.h>
#include <VOP/VOP_CodeGenerator.h>

namespace voptest
{

class ForwardingOwner : public OP_Network
{
public:
    ForwardingOwner(OP_Network *parent, const char *name, OP_Operator *op, int vex, int rsl)
        : OP_Network(parent, name, op), myGenerator(this, vex, rsl, 0, 0)
    {
    }
    VOP_CodeGenerator *getVopCodeGenerator() override { return &myGenerator; }
    OP_OperatorFilter *getOperatorFilter() override { return myGenerator.getOperatorFilter(); }
    void opChanged(OP_EventType reason, void *data = nullptr) override
    {
        OP_Network::opChanged(reason, data);
        myGenerator.ownerChanged(reason, data);
    }
    void finishedLoadingNetwork() override
    {
        myGenerator.ownerFinishedLoadingNetwork();
        OP_Network::finishedLoadingNetwork();
    }
    bool getVariableString(int index, UT_String &value, int thread) override
    {
        return myGenerator.getVariableString(index, value) ||
               OP_Network::getVariableString(index, value, thread);
    }

protected:
    void childCreated(OP_Node *node) override
    {
        myGenerator.beforeAddNode(node);
        myGenerator.afterAddNode(node);
    }

private:
    VOP_CodeGenerator myGenerator;
};

} // namespace voptest
