#pragma once

/// Whether a local variable is a number or a text.
enum CH_VariableType
{
    CH_VARIABLE_FLOAT = 0,
    CH_VARIABLE_STRING = 1,
};

/// One entry of an operator's table of local variables, which expressions in its nodes'
/// parameters read as $NAME. Tables end with an entry whose name is null.
struct CH_LocalVariable
{
    const char *name;
    int id;
    CH_VariableType type;
};
