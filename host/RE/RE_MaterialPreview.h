#pragma once

#include <string>

class IMG_Raster;
class RE_Material;
class RE_Render;

/// Draws a material on a lit sphere over a checkerboard (so that alpha shows), with its
/// texture layer 1 and its GLSL program when it has a linked one.
class RE_MaterialPreview
{
public:
    /// Renders a `size` x `size` picture into `out`; false, with the reason in `why`, when
    /// there is no renderer or the size is outside 1 to IMG_Raster::theMaxSide.
    static bool render(const RE_Material &material, int size, IMG_Raster &out, std::string &why);
};
