#pragma once

#include <string>
#include <vector>

class OP_Bundle;
class OP_Node;

/// A named test of nodes, offered wherever bundles are chosen ("opfilter"). A filter is
/// registered from when it is made until it is destroyed; it is found by its name.
class OP_BundleFilter
{
public:
    OP_BundleFilter();
    virtual ~OP_BundleFilter();
    OP_BundleFilter(const OP_BundleFilter &) = delete;
    OP_BundleFilter &operator=(const OP_BundleFilter &) = delete;

    virtual const char *getName() const = 0;
    virtual const char *getLabel() const = 0;
    virtual bool isNodeValid(const OP_Bundle *bundle, const OP_Node *node) const = 0;

    /// The registered filter of that name, or null.
    static const OP_BundleFilter *findFilter(const char *name);
    /// The registered filter of that name; when there is none, null with `error` saying so and
    /// naming the filters there are, for commands that take a filter from their user.
    static const OP_BundleFilter *findFilter(const char *name, std::string &error);
    /// Every registered filter, in the order they were made.
    static std::vector<const OP_BundleFilter *> getFilters();
};
