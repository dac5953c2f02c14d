#pragma once

class OP_Operator;
class OP_OperatorTable;

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
};
