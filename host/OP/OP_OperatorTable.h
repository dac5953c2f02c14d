#pragma once

#include <OP/OP_Operator.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

/// The node types of one context, owned by the table and kept in name order.
class OP_OperatorTable
{
public:
    explicit OP_OperatorTable(const char *name) : myName(name ? name : "") {}

    const std::string &getName() const { return myName; }

    /// Adds an operator and takes ownership of it. A name already present is refused (the
    /// operator is deleted) and false returned.
    bool addOperator(OP_Operator *op);
    OP_Operator *getOperator(const char *name) const;
    int entries() const { return static_cast<int>(myOperators.size()); }
    /// All operators in the order their compareOperator gives (ties by name).
    std::vector<OP_Operator *> getOperators() const;

    /// The type that tools create when none is named.
    void setDefaultType(const char *name) { myDefaultType = name ? name : ""; }
    const std::string &getDefaultType() const { return myDefaultType; }

private:
    std::string myName;
    std::string myDefaultType;
    std::map<std::string, std::unique_ptr<OP_Operator>> myOperators;
};
