#pragma once

#include <shop/types/SHOP_Type.h>

#include <OP/OP_Operator.h>

#include <vector>

class OP_OperatorTable;
class PRM_Template;
class SHOP_Operator;

/// Fills the operator table of the shader context: clerks first (operators read the clerk
/// lists), then the operators, the default type and the shader bundle filters.
///
/// This is the one file that knows every node type of the library; the layers below it never
/// name their subclasses. The network node types are one table of rows, which the tests
/// register as well, so that what they exercise is what users get.
class SHOP_TableBuilder
{
public:
    /// One network node type: what its operator is made of.
    struct NetworkOperator
    {
        const char *name;
        const char *label;
        OP_Constructor constructor;
        const PRM_Template *templates;
        unsigned minInputs;
        unsigned maxInputs;
        int outputs;
        /// The host's flags word, passed through as stored scenes and the host expect it; of
        /// its bits the library reads only OP_FLAG_MANAGER (containers are listed first).
        unsigned flags;
        SHOP_TYPE type;
        const char *mask;
        /// Whether the input editor is offered (for operators that have inputs).
        bool inputEditor;
    };

    static void buildShaderTable(OP_OperatorTable &table);
    /// A new "shopnet" operator, for the containers of shader networks; the caller owns it.
    static OP_Operator *getManagementOperator();
    /// Registers every clerk: plug-in clerks through the "newShopClerk" entry. Once per process.
    static void installClerks();

    /// The network node types, in the order users meet them in the table. The switch's flags
    /// follow SHOP_SWITCH_NOFLAGS as it is set at the call.
    static std::vector<NetworkOperator> networkOperators();
    /// Adds an operator per network node type to `table`.
    static void addNetworkOperators(OP_OperatorTable &table);
    /// Adds the generic operator of every shader type that has one, unless a table holds it
    /// already.
    static void addGenericOperators(OP_OperatorTable &table);
    /// The operator a row describes; the caller owns it.
    static SHOP_Operator *makeOperator(const NetworkOperator &row);
};
