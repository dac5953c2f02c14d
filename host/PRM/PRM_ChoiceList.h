#pragma once

#include <string>
#include <vector>

/// A menu of choices: each item a token (the value stored) and a label (what users see).
class PRM_ChoiceList
{
public:
    struct Item
    {
        std::string token;
        std::string label;
    };

    PRM_ChoiceList() = default;
    explicit PRM_ChoiceList(std::vector<Item> items) : myItems(std::move(items)) {}

    const std::vector<Item> &getItems() const { return myItems; }
    int entries() const { return static_cast<int>(myItems.size()); }
    void addItem(std::string token, std::string label)
    {
        myItems.push_back({std::move(token), std::move(label)});
    }
    /// The index of the item with that token, or -1.
    int findToken(const std::string &token) const
    {
        for (size_t i = 0; i < myItems.size(); ++i)
            if (myItems[i].token == token)
                return static_cast<int>(i);
        return -1;
    }

private:
    std::vector<Item> myItems;
};
