#pragma once

class OP_Node;
class PRM_Parm;

/// Adds the node framework's expression functions: ch(path) and chs(path), the value of a
/// channel of any node, as a number or a text. A path is "channel" for the node's own,
/// "node/channel" relative to the node, or "/abs/node/channel".
void OPinstallExpressionFunctions();

/// Finds the parameter and component that a channel path names, relative to `from`.
bool OPfindChannel(OP_Node *from, const char *path, OP_Node *&node, PRM_Parm *&parm,
                   int &component);
