#include <OP/OP_BundleFilter.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
// Looked up by the name each filter gives: the name is a virtual, not yet available while the
// base constructor runs.
// Never destroyed: filters owned by other libraries may leave at exit after it would.
std::vector<OP_BundleFilter *> &op_filters()
{
    static auto *theFilters = new std::vector<OP_BundleFilter *>;
    return *theFilters;
}
} // namespace

OP_BundleFilter::OP_BundleFilter()
{
    op_filters().push_back(this);
}

OP_BundleFilter::~OP_BundleFilter()
{
    std::erase(op_filters(), this);
}

const OP_BundleFilter *OP_BundleFilter::findFilter(const char *name)
{
    if (!name)
        return nullptr;
    for (const OP_BundleFilter *filter : op_filters())
        if (std::strcmp(filter->getName(), name) == 0)
            return filter;
    return nullptr;
}

const OP_BundleFilter *OP_BundleFilter::findFilter(const char *name, std::string &error)
{
    if (const OP_BundleFilter *filter = findFilter(name))
        return filter;
    std::string known;
    for (const OP_BundleFilter *filter : op_filters())
        known += std::string(" ") + filter->getName();
    error = std::string("Unknown bundle filter '") + (name ? name : "") +
            "'; the filters are:" + (known.empty() ? std::string(" none") : known);
    return nullptr;
}

std::vector<const OP_BundleFilter *> OP_BundleFilter::getFilters()
{
    return {op_filters().begin(), op_filters().end()};
}
