#pragma once

class RE_TextureCallback;
class SHOP_Node;
class UT_Options;

/// The texture layers of a surface node, from its viewport parameters: "ogl_numtex" layers,
/// each with a file "ogl_tex#", filters "ogl_tex_min_filter#" and "ogl_tex_mag_filter#" (GL
/// filter tokens) and clamping "ogl_clamping_mode#". Texture maps are made when the viewport
/// first asks for a layer.
class SHOP_ReTextureCallback
{
public:
    /// The layers of the node at that time under the overrides, as a callback the caller owns;
    /// null when no layer names a file.
    static RE_TextureCallback *create(SHOP_Node &node, float now, const UT_Options *overrides);
    /// The host's filter code of a GL filter token ("GL_LINEAR" 1 ...); 0 for an unknown one.
    static int filterCode(const char *token);
    /// The GL filter token of a filter code; "GL_NEAREST" for an unknown one.
    static const char *filterToken(int code);
};
