#include <RE/RE_Material.h>

#include <UT/UT_String.h>

RE_Material::RE_Material(const char *name) : myName(name ? name : "") {}

RE_Material::RE_Material(const RE_Material &other) : RE_OGLMaterial(other), myName(other.myName) {}

RE_Material &RE_Material::operator=(const RE_Material &other)
{
    RE_OGLMaterial::operator=(other);
    myName = other.myName;
    return *this;
}

RE_Material::~RE_Material() = default;

void RE_Material::downRef()
{
    if (--myRefCount <= 0)
        delete this;
}

void RE_Material::getVexShader(UT_String &result, float) const
{
    result.clear();
}

RE_Material *RE_Material::cloneWithoutTexture() const
{
    RE_Material *copy = clone();
    copy->setCallback(nullptr);
    copy->upRef();
    return copy;
}
