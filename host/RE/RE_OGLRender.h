#pragma once

#include <memory>
#include <set>
#include <string>

/// Capabilities a caller may ask the renderer for, by the host's codes.
enum RE_OGLExtension
{
    RE_EXT_GLSL_SHADERS = 27, ///< GLSL programs compile, link and take uniforms
};

/// An OpenGL context without a window: EGL on the surfaceless platform (software rendering
/// works with no GPU), else EGL's default display with a small pixel buffer. The context is
/// made current on creation and stays current: the host draws on one thread.
class RE_OGLRender
{
public:
    virtual ~RE_OGLRender();
    RE_OGLRender(const RE_OGLRender &) = delete;
    RE_OGLRender &operator=(const RE_OGLRender &) = delete;

    /// Whether the context offers the capability.
    bool hasGLExtension(RE_OGLExtension extension) const;
    /// Whether the context lists the named GL extension ("GL_ARB_...").
    bool hasGLExtensionName(const char *name) const;
    /// The GL renderer and version text, for messages.
    const std::string &getDescription() const { return myDescription; }
    /// Makes this context current again (after a caller made another one current).
    bool makeCurrent();

protected:
    RE_OGLRender();
    /// Creates the context; false, with the reason in `why`, when none can be made.
    bool initialize(std::string &why);

private:
    struct Egl;
    std::unique_ptr<Egl> myEgl;
    std::set<std::string> myExtensions;
    std::string myDescription;
    int myMajorVersion = 0;
};
