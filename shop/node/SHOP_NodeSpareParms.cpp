// What shader nodes keep for files written by older versions: the parameters that surface and
// geometry shaders used to have.

#include <shop/node/SHOP_Node.h>

#include <string>
#include <vector>

namespace
{
std::vector<PRM_Template> *shop_buildObsolete(SHOP_TYPE type)
{
    auto *list = new std::vector<PRM_Template>;
    auto add = [list](const std::string &name, int size)
    { list->emplace_back(PRM_STRING, size, PRM_Name(name.c_str(), name.c_str())); };
    add("op_folder_tabs", 2);
    if (type == SHOP_SURFACE)
    {
        add("ogl_texture_layer_switcher", 2);
        add("ogl_texture_layer1to8_switcher", 8);
        add("ogl_texture_layer9to16_switcher", 8);
        for (int layer = 1; layer <= 16; ++layer)
        {
            const std::string suffix = layer == 1 ? "" : std::to_string(layer);
            for (const char *base :
                 {"ogl_tex", "ogl_tex_min_filter", "ogl_tex_mag_filter", "ogl_clamping_mode"})
                add(base + suffix, 1);
        }
    }
    list->emplace_back();
    return list;
}
} // namespace

const PRM_Template *SHOP_Node::getObsolete(SHOP_TYPE type)
{
    // Built on first request and kept for the process: operators keep pointing at them.
    static std::vector<PRM_Template> *theSurface = nullptr;
    static std::vector<PRM_Template> *theGeometry = nullptr;
    if (type == SHOP_SURFACE)
    {
        if (!theSurface)
            theSurface = shop_buildObsolete(SHOP_SURFACE);
        return theSurface->data();
    }
    if (type == SHOP_GEOMETRY)
    {
        if (!theGeometry)
            theGeometry = shop_buildObsolete(SHOP_GEOMETRY);
        return theGeometry->data();
    }
    return nullptr;
}

void SHOP_Node::changeParmTemplate(PRM_Template *tmpl)
{
    destroyCache();
    OP_Network::changeParmTemplate(tmpl);
}
