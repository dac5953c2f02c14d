#pragma once

#include <RE/RE_OGLRender.h>

/// The host's renderer: the one OpenGL context of the process, made on first request.
class RE_Render : public RE_OGLRender
{
public:
    /// The renderer, made on the first call; null when no context can be made (or the
    /// setting SHOP_NO_RENDERER is non-zero), which is said once on standard error. Nothing
    /// made before the first call: a run that never asks pays nothing for OpenGL.
    static RE_Render *getMainRender();

private:
    RE_Render() = default;
};

/// The current renderer: the main one (see RE_Render::getMainRender).
RE_Render *REgetRender();
