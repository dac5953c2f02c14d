#pragma once

class RE_Material;
class SHOP_Node;

/// The GLSL side of a viewport material: whether a node gets a program, where its sources
/// come from, and how its parameters feed the program's uniforms.
class SHOP_GLSLProgram
{
public:
    /// Whether the node's material gets a GLSL program: SHOP_GLSL is set, the node's render
    /// mask names OGL2, and the renderer (when there is one) runs GLSL. The renderer is asked
    /// last, so that a request that cannot use GLSL never makes an OpenGL context.
    static bool isWanted(const SHOP_Node &node);
    /// Reads the node's sources into its viewport cache unless read already: its asset's
    /// "GlslVertex" and "GlslFragment" sections, else the files "ogl2/NAME.vert" and
    /// "ogl2/NAME.frag" on the search path (NAME the shader name).
    static void readSources(SHOP_Node &node);
    /// Gives the material a program from the node's cached sources and binds the node's
    /// shader parameters to its uniforms. A program that fails to compile is reported on
    /// standard error and the material keeps it unlinked; each parameter that fails to bind
    /// is warned about.
    static void attach(SHOP_Node &node, RE_Material &material, float now);
};
