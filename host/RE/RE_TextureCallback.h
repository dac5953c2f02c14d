#pragma once

class RE_Texture2DMap;

/// What a material asks when it draws with textures: the texture map of each layer. The
/// material owns its callback.
class RE_TextureCallback
{
public:
    virtual ~RE_TextureCallback() = default;
    /// The number of layers that may have a map.
    virtual int getLayerCount() const = 0;
    /// The map of a 0-based layer, made on the first request and the same one after; null for
    /// a layer without a file or outside 0 to getLayerCount() - 1.
    virtual RE_Texture2DMap *getTextureMap(int layer) = 0;
};
