#pragma once

#include <IMG/IMG_Raster.h>

#include <string>

/// Texture filters by the host's codes.
enum RE_TextureFilter
{
    RE_FILTER_NEAREST = 0,
    RE_FILTER_LINEAR = 1,
    RE_FILTER_NEAREST_MIPMAP_NEAREST = 2,
    RE_FILTER_NEAREST_MIPMAP_LINEAR = 3,
    RE_FILTER_LINEAR_MIPMAP_NEAREST = 4,
    RE_FILTER_LINEAR_MIPMAP_LINEAR = 5,
};

/// A 2D texture named by a PNG file. The file is read on first use (once, whether it reads or
/// not) and uploaded to the current renderer's context when one exists.
class RE_Texture2DMap
{
public:
    RE_Texture2DMap() = default;
    ~RE_Texture2DMap();
    RE_Texture2DMap(const RE_Texture2DMap &) = delete;
    RE_Texture2DMap &operator=(const RE_Texture2DMap &) = delete;

    /// Names the file, and the node it is for (for messages); forgets what was loaded.
    void setMap(const char *file, const char *nodePath, const void *options);
    const std::string &getMapName() const { return myFile; }
    const std::string &getNodePath() const { return myNodePath; }

    /// Filter codes (RE_TextureFilter); an unknown code counts as linear.
    void setMinFilter(int code) { myMinFilter = code; }
    void setMagFilter(int code) { myMagFilter = code; }
    int getMinFilter() const { return myMinFilter; }
    int getMagFilter() const { return myMagFilter; }
    /// Clamping at the edges (non-zero) or repeating (0).
    void setClampMode(int clamp) { myClamp = clamp; }
    int getClampMode() const { return myClamp; }
    /// Drops the uploaded texture so that the next use uploads it again with current settings.
    void clearRenderIndex();

    /// Reads the file when not read yet; false when it could not be read (said once on
    /// standard error, naming the file and the node).
    bool load();
    /// How many times the file was read (0 or 1).
    int getLoadCount() const { return myLoadCount; }
    const IMG_Raster &getRaster() const { return myRaster; }
    /// The texture's name in the current context, uploading it when needed; 0 when the file
    /// cannot be read or there is no renderer.
    unsigned getTextureId();

    /// The GL filter enumerant of a filter code.
    static int glFilter(int code);

private:
    std::string myFile;
    std::string myNodePath;
    IMG_Raster myRaster;
    int myMinFilter = RE_FILTER_LINEAR_MIPMAP_LINEAR;
    int myMagFilter = RE_FILTER_LINEAR;
    int myClamp = 0;
    int myLoadCount = 0;
    bool myTried = false;
    bool myLoaded = false;
    unsigned myTexture = 0;
};
