#include <shop/node/SHOP_Trace.h>

#include <shop/node/SHOP_Node.h>

#include <OP/OP_Operator.h>

thread_local SHOP_Trace *SHOP_Trace::theCurrent = nullptr;

SHOP_Trace::SHOP_Trace() : myPrevious(theCurrent)
{
    theCurrent = this;
}

SHOP_Trace::~SHOP_Trace()
{
    theCurrent = myPrevious;
}

void SHOP_Trace::add(const SHOP_Node &node, const std::string &why)
{
    const OP_Operator *op = node.getOperator();
    std::string line = node.getFullPath() + " (" + (op ? op->getName() : "") + "): " + why;
    // A node may come to the same conclusion twice for one request (when cooking and when
    // answering); once is enough to read.
    if (myLines.empty() || myLines.back() != line)
        myLines.push_back(std::move(line));
}

std::string SHOP_Trace::typeLabel(SHOP_TYPE type)
{
    const char *label = SHOP_Node::getShaderLabel(type);
    return label && *label ? label : "shader type " + std::to_string(static_cast<int>(type));
}
