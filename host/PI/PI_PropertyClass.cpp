#include <PI/PI_PropertyClass.h>

#include <cstring>

namespace
{
PRM_Template pi_template(PRM_Type type, int size, const char *name, const char *label,
                         std::vector<PRM_Default> defaults)
{
    return PRM_Template(type, size, PRM_Name(name, label), std::move(defaults));
}

// Defaults are what a shader shows with before anyone touches it: a white, lit, opaque look,
// and a unit box around the origin.
std::vector<PRM_Template> pi_shopTemplates()
{
    std::vector<PRM_Template> list = {
        pi_template(PRM_RGB, 3, "ogl_amb", "OGL Ambient", {1.0}),
        pi_template(PRM_RGB, 3, "ogl_diff", "OGL Diffuse", {1.0}),
        pi_template(PRM_RGB, 3, "ogl_spec", "OGL Specular", {1.0}),
        pi_template(PRM_RGB, 3, "ogl_emit", "OGL Emission", {0.0}),
        pi_template(PRM_FLT, 1, "ogl_rough", "OGL Roughness", {0.1}),
        pi_template(PRM_FLT, 1, "ogl_alpha", "OGL Alpha", {1.0}),
        pi_template(PRM_TOGGLE, 1, "ogl_light", "OGL Use Lighting", {1.0}),
        pi_template(PRM_TOGGLE, 1, "ogl_cutout", "OGL Transparent Texture", {1.0}),
    };
    for (const char *prefix : {"vmproc", "riproc"})
    {
        const std::string p = prefix;
        list.push_back(pi_template(PRM_STRING, 1, (p + "_boxstyle").c_str(), "Bounding Box",
                                   {PRM_Default(0, "explicit")}));
        list.push_back(pi_template(PRM_STRING, 1, (p + "_soppath").c_str(), "SOP Bounds",
                                   {PRM_Default(0, "")}));
        list.push_back(pi_template(PRM_XYZ, 3, (p + "_minbound").c_str(), "Min Bounds", {-1.0}));
        list.push_back(pi_template(PRM_XYZ, 3, (p + "_maxbound").c_str(), "Max Bounds", {1.0}));
    }
    return list;
}
} // namespace

PI_PropertyClass::PI_PropertyClass(std::string name, std::vector<PRM_Template> templates)
    : myName(std::move(name)), myTemplates(std::move(templates))
{
}

const PRM_Template *PI_PropertyClass::findTemplate(const char *name) const
{
    for (const PRM_Template &t : myTemplates)
        if (name && std::strcmp(t.getToken(), name) == 0)
            return &t;
    return nullptr;
}

const PI_PropertyClass *PI_PropertyClass::find(const char *name)
{
    if (!name || std::strcmp(name, "shop") != 0)
        return nullptr;
    static const PI_PropertyClass theShop("shop", pi_shopTemplates());
    return &theShop;
}
