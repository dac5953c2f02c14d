#pragma once

#include <PRM/PRM_Template.h>

#include <memory>
#include <vector>

/// The templates of a node's spare parameters, in order. A list never changes once made: a
/// change gives another list, and nodes given the same spare parameters in the same order (a
/// hundred thousand surfaces set up by one creation script, or loaded from one file) share
/// one, found again by the steps that made it.
class OP_SpareList
{
public:
    using Ptr = std::shared_ptr<const OP_SpareList>;

    /// `list` (null for none) with `tmpl` added at its end.
    static Ptr append(const Ptr &list, std::shared_ptr<PRM_Template> tmpl);
    /// `list` with the template `from` (one of its own) replaced by `to`.
    static Ptr replace(const Ptr &list, const PRM_Template *from, std::shared_ptr<PRM_Template> to);
    /// `list` without the template `gone`; null when nothing is left.
    static Ptr remove(const Ptr &list, const PRM_Template *gone);

    const std::vector<std::shared_ptr<PRM_Template>> &templates() const { return myTemplates; }

    explicit OP_SpareList(std::vector<std::shared_ptr<PRM_Template>> templates);

private:
    // A step from this list to another: `from` (one of this list's own, so it stays while the
    // step does) replaced by `to`, or `to` appended when `from` is null. Held weakly: the list
    // made goes when no node holds it, and its step with it.
    struct op_Step
    {
        const PRM_Template *from;
        const PRM_Template *to;
        std::weak_ptr<const OP_SpareList> made;
    };
    static Ptr step(const Ptr &list, const PRM_Template *from, std::shared_ptr<PRM_Template> to);

    std::vector<std::shared_ptr<PRM_Template>> myTemplates;
    mutable std::vector<op_Step> mySteps;
};
