#include <UT/UT_InfoTree.h>

UT_InfoTree *UT_InfoTree::addChildBranch(const char *name)
{
    myChildren.push_back(std::make_unique<UT_InfoTree>(name ? name : ""));
    return myChildren.back().get();
}

void UT_InfoTree::addColumnHeading(const char *heading, int width)
{
    myHeadings.emplace_back(heading ? heading : "");
    myWidths.push_back(width);
}

void UT_InfoTree::addProperties(const char *name, const char *value)
{
    myRows.push_back({name ? name : "", value ? value : ""});
}

const UT_InfoTree *UT_InfoTree::findChild(const char *name) const
{
    for (const std::unique_ptr<UT_InfoTree> &child : myChildren)
        if (child->myName == (name ? name : ""))
            return child.get();
    return nullptr;
}

// Headings and widths serve tabular displays; as text every row reads as "name: value", with
// further cells after commas.
void UT_InfoTree::print(std::ostream &out, int indent) const
{
    const std::string pad(static_cast<size_t>(indent < 0 ? 0 : indent) * 2, ' ');
    int depth = indent;
    if (!myName.empty())
    {
        out << pad << myName << "\n";
        ++depth;
    }
    const std::string rowPad(static_cast<size_t>(depth < 0 ? 0 : depth) * 2, ' ');
    for (const std::vector<std::string> &row : myRows)
    {
        out << rowPad;
        for (size_t i = 0; i < row.size(); ++i)
            out << (i == 0 ? "" : i == 1 ? ": " : ", ") << row[i];
        out << "\n";
    }
    for (const std::unique_ptr<UT_InfoTree> &child : myChildren)
        child->print(out, depth);
}
