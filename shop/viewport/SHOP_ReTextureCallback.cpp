#include <shop/viewport/SHOP_ReTextureCallback.h>

#include <shop/node/SHOP_Node.h>

#include <PRM/PRM_Parm.h>
#include <PRM/PRM_ParmList.h>
#include <RE/RE_Texture2DMap.h>
#include <RE/RE_TextureCallback.h>
#include <UT/UT_Options.h>
#include <UT/UT_String.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace
{
struct shop_TextureLayer
{
    std::unique_ptr<RE_Texture2DMap> map;
    UT_String nodePath;
    UT_String file;
    int minFilter = 0;
    int magFilter = 0;
    int clamping = 0;
};

class shop_ReTextureCallback : public RE_TextureCallback
{
public:
    shop_ReTextureCallback(SHOP_Node &node, float now, const UT_Options *overrides);
    int getLayerCount() const override { return static_cast<int>(myLayers.size()); }
    RE_Texture2DMap *getTextureMap(int layer) override;
    bool hasTextures() const { return myHasTextures; }

private:
    std::vector<std::unique_ptr<shop_TextureLayer>> myLayers;
    bool myHasTextures = false;
};

// The name of a layer's parameter: "ogl_tex" and 3 give "ogl_tex3".
std::string shop_layerParm(const char *base, int layer)
{
    return base + std::to_string(layer);
}

// The number k of a layer parameter name "ogl_tex<k>" (as "%d" writes k), else 0.
int shop_layerNumber(const char *name)
{
    constexpr std::string_view thePrefix = "ogl_tex";
    const std::string_view text(name ? name : "");
    if (!text.starts_with(thePrefix))
        return 0;
    const std::string_view digits = text.substr(thePrefix.size());
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || number <= 0 ||
        std::to_string(number) != digits)
        return 0;
    return number;
}

// The highest layer that names a picture, by the node's parameters or the overrides.
int shop_lastNamedLayer(const SHOP_Node &node, const UT_Options *overrides)
{
    int last = 0;
    const PRM_ParmList *parms = node.getParmList();
    for (int i = 0; i < parms->getEntries(); ++i)
        last = std::max(last, shop_layerNumber(parms->getParmPtr(i)->getToken()));
    if (overrides)
        for (const auto &entry : overrides->entries())
            last = std::max(last, shop_layerNumber(entry.first.c_str()));
    return last;
}

shop_ReTextureCallback::shop_ReTextureCallback(SHOP_Node &node, float now,
                                               const UT_Options *overrides)
{
    int count = 0;
    if (!node.evalShopParameter("ogl_numtex", 0, now, count, overrides, true) || count <= 0)
        return;
    // The layer count is a number a user types: only layers up to the last one that has a
    // picture parameter (or override) get a slot, so an absurd count costs nothing beyond it.
    // A layer between without a parameter is an empty slot, as one with no file is.
    count = std::min(count, shop_lastNamedLayer(node, overrides));
    const std::string path = node.getFullPath();
    std::vector<std::unique_ptr<shop_TextureLayer>> layers;
    for (int i = 1; i <= count; ++i)
    {
        UT_String file;
        node.evalShopParameter(shop_layerParm("ogl_tex", i).c_str(), 0, now, file, overrides, true);
        layers.emplace_back();
        if (!file.isstring())
            continue;
        auto layer = std::make_unique<shop_TextureLayer>();
        layer->nodePath = path;
        layer->file = file;
        UT_String token;
        if (node.evalShopParameter(shop_layerParm("ogl_tex_min_filter", i).c_str(), 0, now, token,
                                   overrides, true) &&
            token.isstring())
            layer->minFilter = SHOP_ReTextureCallback::filterCode(token);
        token.clear();
        if (node.evalShopParameter(shop_layerParm("ogl_tex_mag_filter", i).c_str(), 0, now, token,
                                   overrides, true) &&
            token.isstring())
            layer->magFilter = SHOP_ReTextureCallback::filterCode(token);
        node.evalShopParameter(shop_layerParm("ogl_clamping_mode", i).c_str(), 0, now,
                               layer->clamping, overrides, true);
        layers.back() = std::move(layer);
        myHasTextures = true;
    }
    myLayers = std::move(layers);
}

RE_Texture2DMap *shop_ReTextureCallback::getTextureMap(int index)
{
    if (index < 0 || index >= getLayerCount() || !myLayers[index])
        return nullptr;
    shop_TextureLayer &layer = *myLayers[index];
    if (!layer.map)
    {
        layer.map = std::make_unique<RE_Texture2DMap>();
        layer.map->setMinFilter(layer.minFilter);
        layer.map->setMagFilter(layer.magFilter);
        if (layer.map->getClampMode() != layer.clamping)
        {
            layer.map->setClampMode(layer.clamping);
            layer.map->clearRenderIndex();
        }
        layer.map->setMap(layer.file, layer.nodePath, nullptr);
    }
    return layer.map.get();
}
} // namespace

namespace
{
// The tokens by code: "GL_NEAREST_MIPMAP_LINEAR" is 3 and "GL_LINEAR_MIPMAP_NEAREST" 4.
const char *const theFilterTokens[] = {
    "GL_NEAREST",
    "GL_LINEAR",
    "GL_NEAREST_MIPMAP_NEAREST",
    "GL_NEAREST_MIPMAP_LINEAR",
    "GL_LINEAR_MIPMAP_NEAREST",
    "GL_LINEAR_MIPMAP_LINEAR",
};
constexpr int theFilterCount = static_cast<int>(std::size(theFilterTokens));
} // namespace

int SHOP_ReTextureCallback::filterCode(const char *token)
{
    // Built on first use and kept; main thread only, as every viewport request is.
    static const std::unordered_map<std::string, int> theCodes = []
    {
        std::unordered_map<std::string, int> codes;
        for (int code = 0; code < theFilterCount; ++code)
            codes.emplace(theFilterTokens[code], code);
        return codes;
    }();
    const auto it = token ? theCodes.find(token) : theCodes.end();
    return it == theCodes.end() ? 0 : it->second;
}

const char *SHOP_ReTextureCallback::filterToken(int code)
{
    return code >= 0 && code < theFilterCount ? theFilterTokens[code] : theFilterTokens[0];
}

RE_TextureCallback *SHOP_ReTextureCallback::create(SHOP_Node &node, float now,
                                                   const UT_Options *overrides)
{
    auto callback = std::make_unique<shop_ReTextureCallback>(node, now, overrides);
    return callback->hasTextures() ? callback.release() : nullptr;
}
