#pragma once

#include <string>

class SHOP_Node;

/// Checks on what a build is about to hand a renderer. A failed check is an error on the node
/// that names what failed, so that the build returns false and whoever asked can say why.
class SHOP_BuildCheck
{
public:
    /// False, with an error on `node` naming the parameter, for a NaN or an infinity: no
    /// renderer reads either back.
    static bool finite(SHOP_Node &node, const char *parm, double value);

    /// Adds an error to the node's own list, whichever list is current (a build writes after
    /// the node's cook, when no list of the node's is).
    static void fail(SHOP_Node &node, const std::string &message);
};
