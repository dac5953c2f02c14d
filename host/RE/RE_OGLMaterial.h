#pragma once

#include <RE/RE_Shader.h>
#include <RE/RE_TextureCallback.h>

#include <memory>

class RE_Material;

/// What OpenGL draws a surface with: colours, roughness, alpha, the lighting and
/// transparent-texture switches, texture layers through a callback, and an optional GLSL
/// program.
class RE_OGLMaterial
{
public:
    RE_OGLMaterial() = default;
    virtual ~RE_OGLMaterial();
    /// Copies colours, switches and the program (shared); the texture callback is not copied,
    /// since the material owns it.
    RE_OGLMaterial(const RE_OGLMaterial &other);
    RE_OGLMaterial &operator=(const RE_OGLMaterial &other);

    void setAmb(float r, float g, float b) { set(myAmb, r, g, b); }
    void setDiff(float r, float g, float b) { set(myDiff, r, g, b); }
    void setSpec(float r, float g, float b) { set(mySpec, r, g, b); }
    void setEmit(float r, float g, float b) { set(myEmit, r, g, b); }
    const float *getAmb() const { return myAmb; }
    const float *getDiff() const { return myDiff; }
    const float *getSpec() const { return mySpec; }
    const float *getEmit() const { return myEmit; }
    void setRoughness(float r) { myRoughness = r; }
    float getRoughness() const { return myRoughness; }
    void setAlpha(float a) { myAlpha = a; }
    float getAlpha() const { return myAlpha; }
    void setLighting(bool on) { myLighting = on; }
    bool getLighting() const { return myLighting; }
    /// Whether a texture's transparent texels cut the surface out.
    void setTransparentTexture(bool on) { myTransparentTexture = on; }
    bool getTransparentTexture() const { return myTransparentTexture; }

    /// Hands the texture callback to the material, which owns it from then on (null drops it).
    void setCallback(RE_TextureCallback *callback) { myCallback.reset(callback); }
    RE_TextureCallback *getCallback() const { return myCallback.get(); }
    /// Whether the material draws with textures.
    bool isTextured() const { return myCallback != nullptr; }
    /// A new material like this one but without textures; the caller gets one reference.
    virtual RE_Material *cloneWithoutTexture() const = 0;

    /// Gives the material a new, empty GLSL program (replacing any); getShader() returns it.
    void createShader();
    RE_Shader *getShader() const { return myShader.get(); }

private:
    static void set(float *rgb, float r, float g, float b)
    {
        rgb[0] = r;
        rgb[1] = g;
        rgb[2] = b;
    }

    float myAmb[3] = {1, 1, 1};
    float myDiff[3] = {1, 1, 1};
    float mySpec[3] = {1, 1, 1};
    float myEmit[3] = {0, 0, 0};
    float myRoughness = 0.05f;
    float myAlpha = 1;
    bool myLighting = true;
    bool myTransparentTexture = true;
    std::unique_ptr<RE_TextureCallback> myCallback;
    std::shared_ptr<RE_Shader> myShader;
};
