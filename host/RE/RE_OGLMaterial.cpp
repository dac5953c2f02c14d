#include <RE/RE_OGLMaterial.h>

#include <algorithm>

RE_OGLMaterial::~RE_OGLMaterial() = default;

RE_OGLMaterial::RE_OGLMaterial(const RE_OGLMaterial &other)
{
    *this = other;
}

RE_OGLMaterial &RE_OGLMaterial::operator=(const RE_OGLMaterial &other)
{
    if (this == &other)
        return *this;
    std::copy_n(other.myAmb, 3, myAmb);
    std::copy_n(other.myDiff, 3, myDiff);
    std::copy_n(other.mySpec, 3, mySpec);
    std::copy_n(other.myEmit, 3, myEmit);
    myRoughness = other.myRoughness;
    myAlpha = other.myAlpha;
    myLighting = other.myLighting;
    myTransparentTexture = other.myTransparentTexture;
    myShader = other.myShader;
    myCallback.reset();
    return *this;
}

void RE_OGLMaterial::createShader()
{
    myShader = std::make_shared<RE_Shader>();
}
