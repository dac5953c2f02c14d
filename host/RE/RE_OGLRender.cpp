#include <RE/RE_OGLRender.h>

#include <RE/RE_GL.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>

struct RE_OGLRender::Egl
{
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
};

namespace
{
EGLDisplay re_surfacelessDisplay()
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

std::string re_eglError(const char *what)
{
    char text[64];
    std::snprintf(text, sizeof text, " failed (EGL error 0x%x)", eglGetError());
    return what + std::string(text);
}
} // namespace

RE_OGLRender::RE_OGLRender() = default;

RE_OGLRender::~RE_OGLRender()
{
    if (!myEgl || myEgl->display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(myEgl->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (myEgl->surface != EGL_NO_SURFACE)
        eglDestroySurface(myEgl->display, myEgl->surface);
    if (myEgl->context != EGL_NO_CONTEXT)
        eglDestroyContext(myEgl->display, myEgl->context);
    eglTerminate(myEgl->display);
}

bool RE_OGLRender::initialize(std::string &why)
{
    myEgl = std::make_unique<Egl>();
    Egl &egl = *myEgl;
    bool surfaceless = true;
    egl.display = re_surfacelessDisplay();
    if (egl.display == EGL_NO_DISPLAY || !eglInitialize(egl.display, nullptr, nullptr))
    {
        surfaceless = false;
        egl.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        if (egl.display == EGL_NO_DISPLAY || !eglInitialize(egl.display, nullptr, nullptr))
        {
            egl.display = EGL_NO_DISPLAY;
            why = re_eglError("eglInitialize");
            return false;
        }
    }
    if (!eglBindAPI(EGL_OPENGL_API))
    {
        why = re_eglError("eglBindAPI(OpenGL)");
        return false;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       surfaceless ? 0 : EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(egl.display, configAttributes, &config, 1, &count) || count < 1)
    {
        why = re_eglError("eglChooseConfig");
        return false;
    }
    // The compatibility profile: fixed-function materials and GLSL programs side by side.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    egl.context = eglCreateContext(egl.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (egl.context == EGL_NO_CONTEXT)
    {
        why = re_eglError("eglCreateContext");
        return false;
    }
    if (!surfaceless)
    {
        const EGLint surfaceAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
        egl.surface = eglCreatePbufferSurface(egl.display, config, surfaceAttributes);
        if (egl.surface == EGL_NO_SURFACE)
        {
            why = re_eglError("eglCreatePbufferSurface");
            return false;
        }
    }
    if (!makeCurrent())
    {
        why = re_eglError("eglMakeCurrent");
        return false;
    }
    const char *version = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    const char *renderer = reinterpret_cast<const char *>(glGetString(GL_RENDERER));
    myDescription =
        std::string(renderer ? renderer : "?") + ", OpenGL " + (version ? version : "?");
    glGetIntegerv(GL_MAJOR_VERSION, &myMajorVersion);
    GLint extensions = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &extensions);
    for (GLint i = 0; i < extensions; ++i)
        if (const GLubyte *name = glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)))
            myExtensions.insert(reinterpret_cast<const char *>(name));
    return true;
}

bool RE_OGLRender::makeCurrent()
{
    return myEgl && eglMakeCurrent(myEgl->display, myEgl->surface, myEgl->surface, myEgl->context);
}

bool RE_OGLRender::hasGLExtensionName(const char *name) const
{
    return name && myExtensions.count(name) > 0;
}

bool RE_OGLRender::hasGLExtension(RE_OGLExtension extension) const
{
    switch (extension)
    {
    case RE_EXT_GLSL_SHADERS:
        // Core since OpenGL 2.0; older contexts may offer it as extensions.
        return myMajorVersion >= 2 || (hasGLExtensionName("GL_ARB_shader_objects") &&
                                       hasGLExtensionName("GL_ARB_fragment_shader"));
    }
    return false;
}
