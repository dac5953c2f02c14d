#include <OP/OP_Bundle.h>

#include <OP/OP_BundleFilter.h>
#include <OP/OP_Director.h>
#include <OP/OP_Path.h>
#include <UT/UT_String.h>

#include <algorithm>

OP_Bundle::OP_Bundle(std::string pattern, const OP_Node *base, std::string filter)
    : myPattern(std::move(pattern)), myBaseId(base ? base->getUniqueId() : -1),
      myFilter(std::move(filter))
{
}

namespace
{
// Every node that one path pattern reaches from `from`, component by component.
void op_globPath(const std::string &pattern, const OP_Node *from, std::vector<OP_Node *> &found)
{
    std::vector<OP_Node *> current{const_cast<OP_Node *>(from)};
    if (!pattern.empty() && pattern[0] == '/')
        current = {OPgetDirector()->getRoot()};
    for (const std::string &part : OP_Path::split(pattern))
    {
        std::vector<OP_Node *> next;
        for (OP_Node *node : current)
        {
            if (part == ".")
                next.push_back(node);
            else if (part == "..")
            {
                if (node->getParent())
                    next.push_back(node->getParent());
            }
            else if (node->isNetwork())
            {
                OP_Network *net = static_cast<OP_Network *>(node);
                for (int i = 0; i < net->getNchildren(); ++i)
                    if (UTmatchPattern(net->getChild(i)->getName().c_str(), part.c_str()))
                        next.push_back(net->getChild(i));
            }
        }
        current.swap(next);
    }
    for (OP_Node *node : current)
        if (std::find(found.begin(), found.end(), node) == found.end())
            found.push_back(node);
}
} // namespace

std::vector<OP_Node *> OP_Bundle::glob(const std::string &pattern, const OP_Node *from)
{
    std::vector<OP_Node *> found;
    if (!from)
        return found;
    std::string word;
    auto flush = [&]
    {
        if (word.empty())
            return;
        if (word[0] == '^')
        {
            std::vector<OP_Node *> removed;
            op_globPath(word.substr(1), from, removed);
            std::erase_if(found,
                          [&](OP_Node *n) {
                              return std::find(removed.begin(), removed.end(), n) != removed.end();
                          });
        }
        else
            op_globPath(word, from, found);
        word.clear();
    };
    for (char c : pattern)
    {
        if (c == ' ' || c == ',' || c == '\t' || c == '\n')
            flush();
        else
            word += c;
    }
    flush();
    return found;
}

std::vector<OP_Node *> OP_Bundle::getMembers() const
{
    const OP_Node *base = OPgetDirector()->lookupNode(myBaseId);
    std::vector<OP_Node *> members = glob(myPattern, base);
    if (const OP_BundleFilter *filter = OP_BundleFilter::findFilter(myFilter.c_str()))
        std::erase_if(members, [&](OP_Node *n) { return !filter->isNodeValid(this, n); });
    return members;
}

void OP_Bundle::buildString(UT_WorkBuffer &out, const OP_Node *relativeTo) const
{
    bool first = true;
    for (const OP_Node *node : getMembers())
    {
        if (!first)
            out.append(' ');
        first = false;
        out.append(relativeTo ? relativeTo->getRelativePathTo(node) : node->getFullPath());
    }
}
