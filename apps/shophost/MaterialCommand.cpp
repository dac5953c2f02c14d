#include "MaterialCommand.h"

#include "ShopCommands.h"

#include <shop/node/SHOP_Node.h>
#include <shop/viewport/SHOP_ReData.h>
#include <shop/viewport/SHOP_ReTextureCallback.h>

#include <CMD/CMD_Manager.h>
#include <IMG/IMG_Raster.h>
#include <OP/OP_NodePin.h>
#include <RE/RE_Material.h>
#include <RE/RE_MaterialPreview.h>
#include <UT/UT_Options.h>
#include <UT/UT_String.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace
{
constexpr int theDefaultPreviewSize = 256;

void mc_numbers(std::ostream &out, const char *label, const float *values, int count)
{
    out << "  " << label;
    for (int i = 0; i < count; ++i)
        out << " " << values[i];
    out << "\n";
}

void mc_textures(std::ostream &out, const RE_Material &material)
{
    RE_TextureCallback *layers = material.getCallback();
    if (!layers)
    {
        out << "  textures none\n";
        return;
    }
    out << "  textures " << layers->getLayerCount() << " layers\n";
    for (int i = 0; i < layers->getLayerCount(); ++i)
        if (const RE_Texture2DMap *map = layers->getTextureMap(i))
            out << "    layer " << i + 1 << " " << map->getMapName() << " min "
                << SHOP_ReTextureCallback::filterToken(map->getMinFilter()) << " mag "
                << SHOP_ReTextureCallback::filterToken(map->getMagFilter()) << " clamp "
                << map->getClampMode() << "\n";
}

void mc_glsl(std::ostream &out, const RE_Material &material)
{
    const RE_Shader *shader = material.getShader();
    if (!shader)
    {
        out << "  glsl none\n";
        return;
    }
    out << "  glsl " << shader->getName() << (shader->isLinked() ? " linked" : " failed") << "\n";
    // The compiler's own words, indented under the program they are about.
    std::istringstream log(shader->getLog());
    for (std::string line; std::getline(log, line);)
        out << "    " << line << "\n";
}

void mc_print(std::ostream &out, const SHOP_Node &node, const RE_Material &material)
{
    out << "material " << node.getFullPath() << " " << material.getMaterialName() << "\n";
    mc_numbers(out, "ambient", material.getAmb(), 3);
    mc_numbers(out, "diffuse", material.getDiff(), 3);
    mc_numbers(out, "specular", material.getSpec(), 3);
    mc_numbers(out, "emission", material.getEmit(), 3);
    const float roughness = material.getRoughness(), alpha = material.getAlpha();
    mc_numbers(out, "roughness", &roughness, 1);
    mc_numbers(out, "alpha", &alpha, 1);
    out << "  lighting " << (material.getLighting() ? "on" : "off") << "\n";
    out << "  cutout " << (material.getTransparentTexture() ? "on" : "off") << "\n";
    mc_textures(out, material);
    mc_glsl(out, material);
}

bool mc_size(CMD_Args &args, int &size)
{
    size = theDefaultPreviewSize;
    const char *text = args.argp('s');
    if (!text)
        return true;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > IMG_Raster::theMaxSide)
    {
        args.fail("Bad picture size '" + std::string(text) + "' (1 to " +
                  std::to_string(IMG_Raster::theMaxSide) + ")");
        return false;
    }
    size = static_cast<int>(value);
    return true;
}

void mc_preview(CMD_Args &args, const SHOP_Node &node, const RE_Material &material, int size)
{
    IMG_Raster picture;
    std::string why;
    if (!RE_MaterialPreview::render(material, size, picture, why) ||
        !picture.writePNG(args.argp('p'), why))
        args.fail("No preview of " + node.getFullPath() + ": " + why);
}

void mc_material(CMD_Args &args)
{
    if (args.argc() < 2)
    {
        args.fail("Usage: " + std::string(CMDgetManager()->getUsage("material")));
        return;
    }
    SHOP_Node *node = ShopCommands::shaderNode(args, args(1));
    float now;
    UT_Options options;
    int size;
    if (!node || !ShopCommands::time(args, now) || !ShopCommands::overrides(args, options) ||
        !mc_size(args, size))
        return;
    const UT_Options *overrides = options.getNumOptions() ? &options : nullptr;
    OP_NodePin pin(node, OP_USE_REQUEST);
    SHOP_Node *surface = node->findShader(SHOP_SURFACE, now, overrides);
    if (!surface)
    {
        args.fail("No surface shader at " + node->getFullPath());
        return;
    }
    OP_NodePin surfacePin(surface, OP_USE_REQUEST);
    SHOP_ReData data;
    if (!surface->buildShaderData(data, now, overrides, nullptr, nullptr) || !data.getMaterial())
    {
        args.fail("No viewport material for " + surface->getFullPath());
        return;
    }
    mc_print(args.out(), *surface, *data.getMaterial());
    if (args.argp('p'))
        mc_preview(args, *surface, *data.getMaterial(), size);
}
} // namespace

void MaterialCommand::install(CMD_Manager &m)
{
    m.installCommand("material", "f:o:p:s:", mc_material, true,
                     "material PATH [-f TIME] [-o NAME=VALUE]... [-p FILE.png [-s N]]");
}
