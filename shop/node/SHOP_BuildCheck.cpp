#include <shop/node/SHOP_BuildCheck.h>

#include <shop/node/SHOP_Node.h>

#include <UT/UT_ErrorManager.h>

#include <cmath>
#include <vector>

namespace
{
// Build errors have a type of their own, so that a build can tell them from a cook's.
const char *const theType = "SHOPBUILD";

bool shop_registerText()
{
    UTsetErrorText(theType, 1, "%s");
    return true;
}
} // namespace

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
    static const bool theRegistered = shop_registerText();
    (void)theRegistered;
    UT_ErrorManager &errors = node.getErrorManager();
    for (const UT_Error &error : errors.getErrors())
        if (error.getType() == theType && error.getMessage() == message)
            return;
    errors.addError(UT_Error(theType, 1, UT_ERROR_ABORT, message));
}

void SHOP_BuildCheck::forget(SHOP_Node &node)
{
    UT_ErrorManager &errors = node.getErrorManager();
    std::vector<UT_Error> kept;
    for (const UT_Error &error : errors.getErrors())
        if (error.getType() != theType)
            kept.push_back(error);
    if (kept.size() == errors.getErrors().size())
        return;
    errors.clearAndDestroyErrors();
    for (UT_Error &error : kept)
        errors.addError(std::move(error));
}
