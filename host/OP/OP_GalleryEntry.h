#pragma once

#include <string>

/// What a node offers to a gallery of ready-made nodes: the operator it is made from, a label,
/// and the keywords and categories that searches and folders of the gallery read.
class OP_GalleryEntry
{
public:
    const std::string &getOperatorName() const { return myOperatorName; }
    void setOperatorName(const char *name);
    const std::string &getLabel() const { return myLabel; }
    void setLabel(const char *label);

    /// Blank-separated words.
    const std::string &getKeywords() const { return myKeywords; }
    void setKeywords(const char *keywords);
    const std::string &getCategories() const { return myCategories; }
    void setCategories(const char *categories);

private:
    std::string myOperatorName;
    std::string myLabel;
    std::string myKeywords;
    std::string myCategories;
};
