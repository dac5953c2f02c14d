#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class OP_Network;
class OP_Node;
class PRM_Parm;
class PRM_Template;
class UT_Progress;

/// Writes a scene as a command script that rebuilds it: first every node (network by network,
/// in each network's order), then each node's spare parameters and the parameters that differ
/// from their defaults, then the wires. Nodes are written before anything that refers to them,
/// so expressions, paths and wires between any two nodes read back. The text depends on
/// nothing but the scene, so writing a scene read back from it gives the same bytes.
///
/// Nodes are named by their absolute paths, as users read them. A path longer than
/// theLongPath characters is written relative instead, after a `cd` into its network that
/// itself moves relative to the previous one, so that the file of a deeply nested tree grows
/// with the number of its nodes rather than with its square.
class CMD_SceneWriter
{
public:
    /// A `progress` hears how much of the scene has been written.
    explicit CMD_SceneWriter(std::ostream &out, UT_Progress *progress = nullptr)
        : myOut(out), myProgress(progress)
    {
    }

    /// Writes everything below `root` (not `root` itself).
    void write(OP_Network &root);

    /// The text that makes `node` again where it is, with everything inside it, its values
    /// and its wires both ways; run by CMD_SceneLoader::runSubtree.
    static std::string writeSubtree(OP_Node &node);
    /// The word of the `spare` command for a parameter template's type.
    static const char *spareTypeName(const PRM_Template &tmpl);

    static constexpr size_t theLongPath = 256;

private:
    /// Every node below the root, parents before children, while the walk's networks lead
    /// to the node's network.
    template <typename Visit>
    void walk(Visit visit);
    void enter(OP_Network &network);
    void leave();
    /// The text of a `cd` to the network the walk is in; the file is there after it.
    std::string networkPath();
    /// The text naming a node of the network the walk is in, writing a `cd` first when the
    /// node is named relative to it.
    std::string nodePath(const OP_Node &node);

    void writeNodes();
    void writeSpareParms(OP_Node &node);
    /// One `spare` line; `multi` names the count whose instance group the template joins.
    void writeSpareParm(OP_Node &node, const PRM_Template &tmpl, const char *multi);
    void writeParms(OP_Node &node);
    void writeParm(const OP_Node &node, const PRM_Parm &parm);
    void writeWires(OP_Node &node);

    std::ostream &myOut;
    UT_Progress *myProgress;
    uint64_t myNodeCount = 0;
    uint64_t myVisits = 0;
    // The networks from the root down to the one being written, and its absolute path
    // ("" for the root).
    std::vector<OP_Network *> myNetworks;
    std::string myPath;
    // Where the file's current network is (after its last `cd`): myCwdUp levels below the
    // network at myCwdDepth in myNetworks; -1 before the first `cd`.
    int myCwdDepth = -1;
    int myCwdUp = 0;
};
