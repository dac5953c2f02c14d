#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class OP_Node;
class UT_Progress;

/// Reads a scene file (a command script, as CMD_SceneWriter writes) in place of the current
/// scene.
///
/// While it runs, nodes are made without their creation scripts, and a `set` of a parameter
/// or channel that the node lacks is held back rather than failing: files written before a
/// node gained or lost parameters must still load. After the script each node with held
/// values is asked to make the parameters (OP_Parameters::createSpareParametersForLoad for
/// values, createSpareParametersFromChannels for expressions of single channels), values of
/// parameters that the operator lists as obsolete are handed to the node
/// (OP_Parameters::resolveObsoleteParms), and what still finds no place is reported as a
/// warning. While the file runs, the previous scene is set aside whole (see
/// OP_Director::detachRoot); a file that fails puts it back as it was, current network and all.
class CMD_SceneLoader
{
public:
    /// The loader reading a file on this thread, or null.
    static CMD_SceneLoader *active();

    /// Replaces the scene by the one in the file. False with `error` set when the file is not
    /// a readable regular file or one of its commands fails (reported on `err` where it
    /// stands); the previous scene is then kept untouched. A file that makes no node is
    /// loaded with a warning on `err`.
    bool load(const std::string &path, std::ostream &out, std::ostream &err, std::string &error);
    /// The same for a scene already read; `source` names it in messages.
    bool load(std::string_view text, const std::string &source, std::ostream &out,
              std::ostream &err, std::string &error, UT_Progress *progress = nullptr);
    /// The same for a scene read from a stream, to its end.
    bool load(std::istream &in, const std::string &source, std::ostream &out, std::ostream &err,
              std::string &error, UT_Progress *progress = nullptr);

    /// Runs text that CMD_SceneWriter::writeSubtree wrote, within the current scene, as a
    /// file is read (no creation scripts), keeping the current network. False with `error`
    /// set when a command of it fails.
    static bool runSubtree(const std::string &text, std::string &error);
    /// Holds back a `set` for a parameter or channel that `node` lacks.
    void holdSet(OP_Node &node, const std::string &name, std::vector<std::string> values,
                 bool expression);

private:
    struct cmd_HeldSet
    {
        std::string name;
        std::vector<std::string> values;
        bool expression;
    };
    struct cmd_HeldNode
    {
        int id;
        std::vector<cmd_HeldSet> sets;
    };

    bool run(std::string_view text, const std::string &source, std::ostream &out, std::ostream &err,
             UT_Progress *progress);
    void resolve(OP_Node &node, std::vector<cmd_HeldSet> &sets, std::ostream &err);
    void askForParameters(OP_Node &node, std::vector<cmd_HeldSet *> &held, std::ostream &err);
    void askForChannels(OP_Node &node, std::vector<cmd_HeldSet *> &held, std::ostream &err);
    static void resolveObsolete(OP_Node &node, const std::vector<cmd_HeldSet *> &held,
                                std::ostream &err);
    static bool apply(OP_Node &node, const cmd_HeldSet &set, std::ostream &err);

    std::vector<cmd_HeldNode> myHeld;
    std::unordered_map<int, size_t> myHeldIndex; // a node's id to its place in myHeld
};
