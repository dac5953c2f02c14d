#pragma once

class RE_Material;

/// A holder of one viewport material, filled by SHOP_Node::buildShaderData. It owns one
/// reference to the material it holds (none when empty).
class SHOP_ReData
{
public:
    SHOP_ReData() = default;
    /// Holds the same material, with a reference of its own.
    SHOP_ReData(const SHOP_ReData &other);
    /// Takes a reference to the other's material, then gives back its own previous one.
    SHOP_ReData &operator=(const SHOP_ReData &other);
    ~SHOP_ReData() { clear(); }

    /// Gives back the reference and becomes empty.
    void clear();
    RE_Material *getMaterial() const { return myMaterial; }
    /// Takes a reference to `material` (null allowed), then gives back the old one.
    void setMaterial(RE_Material *material);
    /// Replaces a textured material by a copy without textures.
    void stripTextures();

private:
    RE_Material *myMaterial = nullptr;
};
