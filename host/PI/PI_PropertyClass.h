#pragma once

#include <PRM/PRM_Template.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

/// A named family of parameters that any node may be given as spare parameters: the host's
/// one description of each (type, components, label, defaults), so that every node carrying
/// such a parameter carries the same one.
///
/// The host defines the class "shop": the viewport look of surface shaders ("ogl_amb",
/// "ogl_diff", "ogl_spec", "ogl_emit", "ogl_rough", "ogl_alpha", "ogl_light", "ogl_cutout")
/// and the bounding boxes of procedural geometry shaders for two renderers ("vmproc_boxstyle",
/// "vmproc_soppath", "vmproc_minbound", "vmproc_maxbound" and the same four with "riproc_").
class PI_PropertyClass
{
public:
    PI_PropertyClass(std::string name, std::vector<PRM_Template> templates);

    const std::string &getName() const { return myName; }
    /// The definition of one parameter, or null.
    const PRM_Template *findTemplate(const char *name) const;
    const std::vector<PRM_Template> &getTemplates() const { return myTemplates; }

    /// A class by name (made on first request and kept for the process), or null.
    static const PI_PropertyClass *find(const char *name);

private:
    std::string myName;
    std::vector<PRM_Template> myTemplates;
};
