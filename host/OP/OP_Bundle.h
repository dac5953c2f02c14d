#pragma once

#include <UT/UT_WorkBuffer.h>

#include <string>
#include <vector>

class OP_Node;

/// A set of nodes chosen by a pattern: node paths with `*` and `?` in any component, several
/// separated by blanks or commas, a leading `^` removing what it matches; optionally only the
/// nodes that a named bundle filter accepts (an unknown filter name accepts every node). The
/// pattern is read from a base node, so members follow the scene as it changes.
class OP_Bundle
{
public:
    OP_Bundle(std::string pattern, const OP_Node *base, std::string filter);

    const std::string &getPattern() const { return myPattern; }
    const std::string &getFilter() const { return myFilter; }
    /// The nodes the pattern selects now, in the order found, each once.
    std::vector<OP_Node *> getMembers() const;

    /// Writes the members separated by blanks: paths relative to `relativeTo`, or full paths
    /// when it is null.
    void buildString(UT_WorkBuffer &out, const OP_Node *relativeTo) const;

    /// The nodes a pattern selects, read relative to `from` (absolute paths from the root).
    static std::vector<OP_Node *> glob(const std::string &pattern, const OP_Node *from);

private:
    std::string myPattern;
    int myBaseId;
    std::string myFilter;
};
