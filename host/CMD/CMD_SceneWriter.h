#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
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
    /// Writes to `out`, a large piece at a time. A `progress` hears how much of the scene has
    /// been written.
    explicit CMD_SceneWriter(std::ostream &out, UT_Progress *progress = nullptr)
        : myText(myPending), myStream(&out), myProgress(progress)
    {
    }
    /// Appends to `text`.
    explicit CMD_SceneWriter(std::string &text, UT_Progress *progress = nullptr)
        : myText(text), myProgress(progress)
    {
    }
    CMD_SceneWriter(const CMD_SceneWriter &) = delete;
    CMD_SceneWriter &operator=(const CMD_SceneWriter &) = delete;

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
    /// Appends a `cd` line to the network the walk is in; the file is there after it.
    void writeCd();
    /// The word naming a node of the network the walk is in, made in `word`; writes a `cd`
    /// first when the node is named relative to it.
    const std::string &nodePath(const OP_Node &node, std::string &word);
    /// Appends a space and the word, quoted.
    void writeWord(std::string_view word);
    /// Hands what waits to the stream, once there is enough of it (or `all`).
    void flush(bool all);

    void writeNodes();
    void writeSpareParms(OP_Node &node);
    /// One `spare` line; `multi` names the count whose instance group the template joins.
    void writeSpareParm(OP_Node &node, const PRM_Template &tmpl, const char *multi);
    /// The words of a `spare` line before the node's path (with the space after them) and
    /// after it (with the line's end).
    static void spareLine(const PRM_Template &tmpl, const char *multi, std::string &head,
                          std::string &tail);
    void writeParms(OP_Node &node);
    void writeParm(const OP_Node &node, const PRM_Parm &parm);
    void writeWires(OP_Node &node);
    /// One `wire` line: output of `input` to input `index` of `node`.
    void writeWire(const OP_Node &input, const OP_Node &node, unsigned index);

    std::string myPending; // what waits for myStream
    std::string &myText;   // where lines go
    std::ostream *myStream = nullptr;
    UT_Progress *myProgress;
    // Words made again for every line, kept for their memory.
    std::string myNodeWord;
    std::string myInputWord;
    std::string myScratch;
    // Per spare template, its `spare` line around the node's path: nodes given the same
    // spare parameters share their templates. Templates stay while the scene is written.
    std::unordered_map<const PRM_Template *, std::pair<std::string, std::string>> mySpareLines;
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
