#pragma once

#include <string>

class EV_Expression;
class OP_Node;
class PRM_Parm;
struct EV_Value;

/// Adds the node framework's expression functions: ch(path) and chs(path), the value of a
/// channel of any node, as a number or a text. A path is "channel" for the node's own,
/// "node/channel" relative to the node, or "/abs/node/channel".
void OPinstallExpressionFunctions();

/// Finds the parameter and component that a channel path names, relative to `from`.
bool OPfindChannel(OP_Node *from, const char *path, OP_Node *&node, PRM_Parm *&parm,
                   int &component);

/// The text of a node path reference (absolute, or relative to `owner`) after the node at
/// `oldPath` became `newPath`; false when the reference does not name that node or anything
/// inside it, or reads the same.
bool OPrenameNodeReference(const OP_Node &owner, const std::string &reference,
                           const std::string &oldPath, const std::string &newPath,
                           std::string &rewritten);

/// When `expr` is a plain reference, one ch() or chs() of a literal path, evaluates it for
/// `owner` as evaluating the expression would (the channel found, the dependency recorded,
/// the channel evaluated), setting `ok`, and `value`, `timeDependent` or `error`, and returns
/// true; returns false, touching nothing, for any other expression.
bool OPreadChannelReference(const EV_Expression &expr, OP_Node &owner, float time, int thread,
                            EV_Value &value, bool &timeDependent, std::string &error, bool &ok);

/// The same for a plain reference to a channel that holds a value rather than an expression:
/// reading it can run nothing and fail in no way, so the caller need guard against neither
/// loops nor its node being deleted meanwhile. True with `value` set (the channel found and
/// the dependency recorded); false, `value` untouched, for any other expression.
bool OPreadChannelValue(const EV_Expression &expr, OP_Node &owner, float time, int thread,
                        EV_Value &value);
