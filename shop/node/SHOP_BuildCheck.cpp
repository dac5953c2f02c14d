#include <shop/node/SHOP_BuildCheck.h>

#include <shop/node/SHOP_Node.h>

#include <UT/UT_ErrorManager.h>

#include <cmath>

bool SHOP_BuildCheck::finite(SHOP_Node &node, const char *parm, double value)
{
    if (std::isfinite(value))
        return true;
    fail(node, node.getFullPath() + " " + parm + ": " +
                   (std::isnan(value) ? "nan"
                    : value > 0       ? "inf"
                                      : "-inf") +
                   " is not a finite number");
    return false;
}

void SHOP_BuildCheck::fail(SHOP_Node &node, const std::string &message)
{
    UT_AutoErrorManager errors(node.getErrorManager());
    UTaddError("OP", 1, message.c_str());
}
