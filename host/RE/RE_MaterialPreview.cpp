#include <RE/RE_MaterialPreview.h>

#include <IMG/IMG_Raster.h>
#include <RE/RE_GL.h>
#include <RE/RE_Material.h>
#include <RE/RE_Render.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
// Latitude and longitude steps of the sphere: smooth at the largest usual preview sizes.
constexpr int theRings = 48;
constexpr int theSegments = 96;

/// A framebuffer of one size, deleted on every path out.
class re_Target
{
public:
    explicit re_Target(int size)
    {
        glGenFramebuffers(1, &myFramebuffer);
        glGenRenderbuffers(2, myBuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, myBuffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size, size);
        glBindRenderbuffer(GL_RENDERBUFFER, myBuffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, size, size);
        glBindFramebuffer(GL_FRAMEBUFFER, myFramebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  myBuffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  myBuffers[1]);
    }
    ~re_Target()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(2, myBuffers);
        glDeleteFramebuffers(1, &myFramebuffer);
    }
    re_Target(const re_Target &) = delete;
    re_Target &operator=(const re_Target &) = delete;
    bool isComplete() const
    {
        return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }

private:
    GLuint myFramebuffer = 0;
    GLuint myBuffers[2] = {0, 0};
};

void re_drawCheckerboard()
{
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    constexpr int theSquares = 8;
    glBegin(GL_QUADS);
    for (int y = 0; y < theSquares; ++y)
        for (int x = 0; x < theSquares; ++x)
        {
            const float grey = (x + y) % 2 ? 0.35f : 0.22f;
            glColor3f(grey, grey, grey);
            const float x0 = -1 + 2.0f * x / theSquares, x1 = -1 + 2.0f * (x + 1) / theSquares;
            const float y0 = -1 + 2.0f * y / theSquares, y1 = -1 + 2.0f * (y + 1) / theSquares;
            glVertex3f(x0, y0, -5);
            glVertex3f(x1, y0, -5);
            glVertex3f(x1, y1, -5);
            glVertex3f(x0, y1, -5);
        }
    glEnd();
}

void re_setMaterialState(const RE_Material &material)
{
    const float alpha = material.getAlpha();
    auto rgba = [alpha](const float *rgb, float out[4])
    {
        std::copy_n(rgb, 3, out);
        out[3] = alpha;
    };
    float amb[4], diff[4], spec[4], emit[4];
    rgba(material.getAmb(), amb);
    rgba(material.getDiff(), diff);
    rgba(material.getSpec(), spec);
    rgba(material.getEmit(), emit);
    if (material.getLighting())
    {
        glEnable(GL_LIGHTING);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, amb);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diff);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, spec);
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emit);
        // A rough surface spreads its highlight: shininess falls as roughness grows.
        const float roughness = std::max(material.getRoughness(), 1.0f / 128);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::min(128.0f, 1.0f / roughness));
    }
    else
    {
        glDisable(GL_LIGHTING);
        glColor4fv(emit);
    }
    if (alpha < 1)
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

void re_setLights()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float position[4] = {-0.5f, 0.6f, 1.0f, 0.0f};
    const float white[4] = {1, 1, 1, 1};
    const float ambient[4] = {0.15f, 0.15f, 0.15f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
    glEnable(GL_LIGHT0);
}

// Layer 1 of the material, modulating the lit colour; cutout drops texels under half alpha.
bool re_bindLayerTexture(const RE_Material &material)
{
    RE_TextureCallback *callback = material.getCallback();
    for (int layer = 0; callback && layer < callback->getLayerCount(); ++layer)
        if (RE_Texture2DMap *map = callback->getTextureMap(layer))
            if (const unsigned id = map->getTextureId())
            {
                glActiveTexture(GL_TEXTURE0);
                glEnable(GL_TEXTURE_2D);
                glBindTexture(GL_TEXTURE_2D, id);
                glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
                if (material.getTransparentTexture())
                {
                    glEnable(GL_ALPHA_TEST);
                    glAlphaFunc(GL_GREATER, 0.5f);
                }
                return true;
            }
    return false;
}

void re_drawSphere()
{
    const float pi = std::numbers::pi_v<float>;
    for (int ring = 0; ring < theRings; ++ring)
    {
        glBegin(GL_TRIANGLE_STRIP);
        for (int segment = 0; segment <= theSegments; ++segment)
            for (int edge = 1; edge >= 0; --edge)
            {
                const float v = static_cast<float>(ring + edge) / theRings;
                const float u = static_cast<float>(segment) / theSegments;
                const float theta = v * pi, phi = u * 2 * pi;
                const float x = std::sin(theta) * std::sin(phi);
                const float y = std::cos(theta);
                const float z = std::sin(theta) * std::cos(phi);
                glNormal3f(x, y, z);
                glTexCoord2f(u, 1 - v);
                glVertex3f(x, y, z);
            }
        glEnd();
    }
}
} // namespace

bool RE_MaterialPreview::render(const RE_Material &material, int size, IMG_Raster &out,
                                std::string &why)
{
    RE_Render *render = RE_Render::getMainRender();
    if (!render)
    {
        why = "no renderer: no OpenGL context could be made";
        return false;
    }
    if (size < 1 || size > IMG_Raster::theMaxSide)
    {
        why = "picture size " + std::to_string(size) + " is outside 1 to " +
              std::to_string(IMG_Raster::theMaxSide);
        return false;
    }
    render->makeCurrent();
    re_Target target(size);
    if (!target.isComplete())
    {
        why = "the renderer cannot draw a picture of " + std::to_string(size) + " pixels";
        return false;
    }
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, size, size);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.1, 1.1, -1.1, 1.1, -10, 10);
    re_setLights();
    re_drawCheckerboard();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    // The picture is opaque: a material's alpha shows against the checkerboard, not as holes.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    // The sphere stands in front of the eye (which is at the origin, looking down -z), so that
    // lighting sees it as a viewer does and highlights fall where they should.
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0, 0, -3);
    re_setMaterialState(material);
    re_bindLayerTexture(material);
    RE_Shader *shader = material.getShader();
    if (shader && shader->isLinked())
        shader->bind();
    re_drawSphere();
    if (shader && shader->isLinked())
        shader->unbind();
    glFinish();
    out.resize(size, size);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // GL rows run from the bottom; the raster's from the top.
    for (int y = 0; y < size; ++y)
        glReadPixels(0, size - 1 - y, size, 1, GL_RGBA, GL_UNSIGNED_BYTE, out.getPixel(0, y));
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopAttrib();
    return true;
}
