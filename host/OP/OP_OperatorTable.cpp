#include <OP/OP_OperatorTable.h>

#include <algorithm>

bool OP_OperatorTable::addOperator(OP_Operator *op)
{
    std::unique_ptr<OP_Operator> owned(op);
    if (!owned || owned->getName().empty() || myOperators.count(owned->getName()))
        return false;
    owned->setOperatorTable(this);
    myOperators.emplace(owned->getName(), std::move(owned));
    return true;
}

OP_Operator *OP_OperatorTable::getOperator(const char *name) const
{
    auto it = myOperators.find(name ? name : "");
    return it == myOperators.end() ? nullptr : it->second.get();
}

std::vector<OP_Operator *> OP_OperatorTable::getOperators() const
{
    std::vector<OP_Operator *> ops;
    for (const auto &[name, op] : myOperators)
        ops.push_back(op.get());
    std::stable_sort(ops.begin(), ops.end(), [](const OP_Operator *a, const OP_Operator *b) {
        return a->compareOperator(b, 0) < 0;
    });
    return ops;
}
