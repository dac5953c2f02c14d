#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

/// A tree of information about something, for display: each branch has a name, optional column
/// headings, rows of values and child branches.
class UT_InfoTree
{
public:
    explicit UT_InfoTree(std::string name = "") : myName(std::move(name)) {}

    const std::string &getName() const { return myName; }
    UT_InfoTree *addChildBranch(const char *name);
    /// A column heading; width -1 sizes the column to its contents.
    void addColumnHeading(const char *heading, int width = -1);
    /// A row of two values (a property and its value).
    void addProperties(const char *name, const char *value);
    void addRow(std::vector<std::string> row) { myRows.push_back(std::move(row)); }

    const std::vector<std::string> &getHeadings() const { return myHeadings; }
    const std::vector<std::vector<std::string>> &getRows() const { return myRows; }
    const std::vector<std::unique_ptr<UT_InfoTree>> &getChildren() const { return myChildren; }
    /// The child of that name, or null.
    const UT_InfoTree *findChild(const char *name) const;

    /// Writes the tree indented by depth, rows as "name: value" lines.
    void print(std::ostream &out, int indent = 0) const;

private:
    std::string myName;
    std::vector<std::string> myHeadings;
    std::vector<int> myWidths;
    std::vector<std::vector<std::string>> myRows;
    std::vector<std::unique_ptr<UT_InfoTree>> myChildren;
};
