#pragma once

#include <shop/clerk/SHOP_Data.h>

class RE_Material;

/// Render data holding a viewport material, with one reference of its own (none when empty).
class SHOP_OGLData : public SHOP_Data
{
public:
    explicit SHOP_OGLData(const SHOP_Clerk *clerk) : SHOP_Data(clerk) {}
    /// Same clerk, ids and material; the copy takes its own reference, so that each copy can
    /// give one back.
    SHOP_OGLData(const SHOP_OGLData &other);
    SHOP_OGLData &operator=(const SHOP_OGLData &other);
    ~SHOP_OGLData() override;

    const void *getRenderData() override { return myMaterial; }
    const char *getStringData() override { return nullptr; }

    /// Gives back the previous material's reference, then holds `material` (null: none) with
    /// a reference of its own.
    void adoptMaterial(RE_Material *material);
    RE_Material *getMaterial() const { return myMaterial; }

private:
    RE_Material *myMaterial = nullptr;
};
