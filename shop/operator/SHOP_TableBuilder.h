#pragma once

#include <shop/types/SHOP_Type.h>

#include <OP/OP_Operator.h>

class OP_OperatorTable;
class PRM_Template;
class SHOP_Operator;

/// Fills the operator table of the shader context: clerks first (operators read the clerk
/// lists), then the operators, the default type and the shader bundle filters.
class SHOP_TableBuilder
{
public:
    static void buildShaderTable(OP_OperatorTable &table);
    /// A new "shopnet" operator, for the containers of shader networks; the caller owns it.
    static OP_Operator *getManagementOperator();
    /// Registers every clerk: plug-in clerks through the "newShopClerk" entry. Once per process.
    static void installClerks();

private:
    /// One row of the network node types: what their operators are made of.
    struct shop_NetworkOperator
    {
        const char *name;
        const char *label;
        OP_Constructor constructor;
        const PRM_Template *templates;
        unsigned minInputs;
        unsigned maxInputs;
        int outputs;
        unsigned flags;
        SHOP_TYPE type;
        const char *mask;
    };
    static SHOP_Operator *makeOperator(const shop_NetworkOperator &row);
    /// The network node types, in the order users meet them in the table.
    static void addNetworkOperators(OP_OperatorTable &table);
};
