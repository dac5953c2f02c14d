#pragma once

#include <shop/viewport/SHOP_OGL.h>

/// The viewport clerk a render mask names to ask for GLSL programs ("OGL2"); it builds as
/// SHOP_OGL does, is never added to masks on its own and runs no creation script.
class SHOP_OGL2 : public SHOP_OGL
{
public:
    const char *getRenderName() const override { return "OGL2"; }
    const char *getRenderLabel() const override { return "OpenGL2"; }
    bool requireAutoAdd(SHOP_TYPE) const override { return false; }
};
