#pragma once

#include <RE/RE_OGLMaterial.h>

#include <string>

class UT_String;

/// A named, reference-counted viewport material. It starts with no reference; every holder
/// takes one (upRef) and gives it back (downRef), and the last one given back deletes it.
class RE_Material : public RE_OGLMaterial
{
public:
    explicit RE_Material(const char *name = "");
    /// The copy starts with no reference of its own.
    RE_Material(const RE_Material &other);
    RE_Material &operator=(const RE_Material &other);
    ~RE_Material() override;

    const std::string &getMaterialName() const { return myName; }
    void upRef() { ++myRefCount; }
    /// Gives a reference back; deletes the material when it was the last.
    void downRef();
    int getRefCount() const { return myRefCount; }

    /// The shader string the material stands for; the base knows none (empty).
    virtual void getVexShader(UT_String &result, float now) const;
    /// A new copy of the most derived kind, without textures and with one reference.
    RE_Material *cloneWithoutTexture() const override;

protected:
    /// A copy of the most derived kind, with no reference.
    virtual RE_Material *clone() const { return new RE_Material(*this); }

private:
    std::string myName;
    int myRefCount = 0;
};
