#include <RE/RE_Texture2DMap.h>

#include <RE/RE_GL.h>
#include <RE/RE_Render.h>

#include <iostream>

RE_Texture2DMap::~RE_Texture2DMap()
{
    clearRenderIndex();
}

void RE_Texture2DMap::setMap(const char *file, const char *nodePath, const void *)
{
    clearRenderIndex();
    myFile = file ? file : "";
    myNodePath = nodePath ? nodePath : "";
    myRaster = IMG_Raster();
    myTried = myLoaded = false;
}

void RE_Texture2DMap::clearRenderIndex()
{
    // A texture exists only in a context, which exists only when the renderer does.
    if (myTexture && RE_Render::getMainRender())
        glDeleteTextures(1, &myTexture);
    myTexture = 0;
}

bool RE_Texture2DMap::load()
{
    if (myTried)
        return myLoaded;
    myTried = true;
    ++myLoadCount;
    std::string error;
    myLoaded = !myFile.empty() && myRaster.readPNG(myFile.c_str(), error);
    if (!myLoaded)
        std::cerr << "Texture of " << (myNodePath.empty() ? "?" : myNodePath) << ": "
                  << (myFile.empty() ? "no file named" : error) << "\n";
    return myLoaded;
}

int RE_Texture2DMap::glFilter(int code)
{
    switch (code)
    {
    case RE_FILTER_NEAREST:
        return GL_NEAREST;
    case RE_FILTER_NEAREST_MIPMAP_NEAREST:
        return GL_NEAREST_MIPMAP_NEAREST;
    case RE_FILTER_NEAREST_MIPMAP_LINEAR:
        return GL_NEAREST_MIPMAP_LINEAR;
    case RE_FILTER_LINEAR_MIPMAP_NEAREST:
        return GL_LINEAR_MIPMAP_NEAREST;
    case RE_FILTER_LINEAR_MIPMAP_LINEAR:
        return GL_LINEAR_MIPMAP_LINEAR;
    default:
        return GL_LINEAR;
    }
}

unsigned RE_Texture2DMap::getTextureId()
{
    if (myTexture)
        return myTexture;
    if (!RE_Render::getMainRender() || !load())
        return 0;
    glGenTextures(1, &myTexture);
    glBindTexture(GL_TEXTURE_2D, myTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, myRaster.getXres(), myRaster.getYres(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, myRaster.getPixels());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, glFilter(myMinFilter));
    // Magnification has no mipmaps: those codes fall back to their base filter.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER,
                    myMagFilter == RE_FILTER_NEAREST ||
                            myMagFilter == RE_FILTER_NEAREST_MIPMAP_NEAREST ||
                            myMagFilter == RE_FILTER_NEAREST_MIPMAP_LINEAR
                        ? GL_NEAREST
                        : GL_LINEAR);
    const GLint wrap = myClamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glBindTexture(GL_TEXTURE_2D, 0);
    return myTexture;
}
