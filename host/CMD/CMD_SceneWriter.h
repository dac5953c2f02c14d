#pragma once

#include <ostream>

class OP_Network;
class OP_Node;
class PRM_Parm;

/// Writes a scene as a command script that rebuilds it: first every node (network by network,
/// in each network's order), then each node's spare parameters and the parameters that differ
/// from their defaults, then the wires. Nodes are written before anything that refers to them,
/// so expressions, paths and wires between any two nodes read back. The text depends on
/// nothing but the scene, so writing a scene read back from it gives the same bytes.
class CMD_SceneWriter
{
public:
    explicit CMD_SceneWriter(std::ostream &out) : myOut(out) {}

    /// Writes everything below `root` (not `root` itself).
    void write(OP_Network &root);

    /// The word of the `spare` command for a parameter template's type.
    static const char *spareTypeName(const PRM_Parm &parm);

private:
    void writeNodes(OP_Network &network);
    void writeSpareParms(OP_Node &node);
    void writeParms(OP_Node &node);
    void writeParm(const OP_Node &node, const PRM_Parm &parm);
    void writeWires(OP_Node &node);

    std::ostream &myOut;
};
