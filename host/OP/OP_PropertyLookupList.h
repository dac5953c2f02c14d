#pragma once

#include <string>
#include <vector>

class OP_Node;
class PRM_Parm;

/// Several parameter or property names looked up at once, each remembering where it was
/// found, so that a lookup passed along a chain of nodes resolves what is still open.
class OP_PropertyLookupList
{
public:
    void addName(const char *name) { myEntries.push_back({name ? name : "", nullptr, nullptr}); }
    int entries() const { return static_cast<int>(myEntries.size()); }
    const char *getName(int i) const { return myEntries[i].name.c_str(); }
    bool isFound(int i) const { return myEntries[i].parm != nullptr; }
    OP_Node *getNode(int i) const { return myEntries[i].node; }
    PRM_Parm *getParm(int i) const { return myEntries[i].parm; }
    void setFound(int i, OP_Node *node, PRM_Parm *parm)
    {
        myEntries[i].node = node;
        myEntries[i].parm = parm;
    }
    int numFound() const
    {
        int n = 0;
        for (const op_Entry &e : myEntries)
            n += e.parm != nullptr;
        return n;
    }

private:
    struct op_Entry
    {
        std::string name;
        OP_Node *node;
        PRM_Parm *parm;
    };
    std::vector<op_Entry> myEntries;
};
