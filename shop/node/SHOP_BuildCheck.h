#pragma once

#include <string>

class SHOP_Node;

/// Checks on what a build is about to hand a renderer, and the errors builds find. Such an
/// error belongs to the build that found it, not to the node's cook: it stays on the node for
/// users to read, fails that build, and is forgotten when the next build of the node starts.
/// (What a build reads through a reference is no dependency, so the node need not cook again
/// once the fault is mended elsewhere.)
class SHOP_BuildCheck
{
public:
    /// False, with an error on `node` naming the parameter, for a NaN or an infinity: no
    /// renderer reads either back.
    static bool finite(SHOP_Node &node, const char *parm, double value);

    /// Adds an error to the node's own list, whichever list is current (a build writes after
    /// the node's cook, when no list of the node's is); once, however often it is found.
    static void fail(SHOP_Node &node, const std::string &message);

    /// Drops the errors that earlier builds of the node found.
    static void forget(SHOP_Node &node);
};
