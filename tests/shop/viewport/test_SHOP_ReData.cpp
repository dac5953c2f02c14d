// The holders through which materials leave the library: each owns exactly one reference, so
// that every holder can give its own back (ASan holds that nothing is freed twice or leaked).
#include <shop/viewport/SHOP_OGLData.h>
#include <shop/viewport/SHOP_ReData.h>
#include <shop/viewport/SHOP_ReMaterial.h>

#include <RE/RE_TextureCallback.h>

#include <gtest/gtest.h>

#include <utility>

namespace
{
class vt_NoLayers : public RE_TextureCallback
{
public:
    int getLayerCount() const override { return 0; }
    RE_Texture2DMap *getTextureMap(int) override { return nullptr; }
};

/// A material with one reference of its own, given back when the test ends.
struct vt_Material
{
    vt_Material() : material(new SHOP_ReMaterial("m", nullptr)) { material->upRef(); }
    ~vt_Material() { material->downRef(); }
    RE_Material *material;
};
} // namespace

TEST(SHOP_ReData, HoldersShareMaterialsWithAReferenceEach)
{
    vt_Material a, b;
    {
        SHOP_ReData first;
        first.setMaterial(a.material);
        SHOP_ReData copy(first);
        EXPECT_EQ(copy.getMaterial(), a.material);
        EXPECT_EQ(a.material->getRefCount(), 3);
        SHOP_ReData other;
        other.setMaterial(b.material);
        other = first;
        EXPECT_EQ(b.material->getRefCount(), 1) << "the material held before is given back";
        EXPECT_EQ(a.material->getRefCount(), 4);
        other = std::as_const(other);
        first.setMaterial(a.material);
        EXPECT_EQ(a.material->getRefCount(), 4) << "the same material again changes nothing";
        copy.clear();
        EXPECT_EQ(copy.getMaterial(), nullptr);
        EXPECT_EQ(a.material->getRefCount(), 3);
    }
    EXPECT_EQ(a.material->getRefCount(), 1);
}

TEST(SHOP_ReData, StrippingTexturesReplacesOnlyATexturedMaterial)
{
    vt_Material plain, textured;
    textured.material->setCallback(new vt_NoLayers);
    textured.material->setDiff(0.1f, 0.2f, 0.3f);
    SHOP_ReData holder;
    holder.setMaterial(plain.material);
    holder.stripTextures();
    EXPECT_EQ(holder.getMaterial(), plain.material);
    holder.setMaterial(textured.material);
    holder.stripTextures();
    ASSERT_NE(holder.getMaterial(), textured.material);
    EXPECT_FALSE(holder.getMaterial()->isTextured());
    EXPECT_FLOAT_EQ(holder.getMaterial()->getDiff()[2], 0.3f);
    EXPECT_NE(dynamic_cast<SHOP_ReMaterial *>(holder.getMaterial()), nullptr)
        << "the copy is of the same kind";
    EXPECT_EQ(holder.getMaterial()->getRefCount(), 1);
    EXPECT_EQ(textured.material->getRefCount(), 1);
}

TEST(SHOP_OGLData, ACopyHoldsAReferenceOfItsOwn)
{
    vt_Material a, b;
    {
        SHOP_OGLData data(nullptr);
        data.setObjectSop(3, 4);
        data.adoptMaterial(a.material);
        SHOP_OGLData copy(data);
        EXPECT_EQ(copy.getMaterial(), a.material);
        EXPECT_EQ(copy.matchKey(nullptr, 3, 4), 1);
        EXPECT_EQ(a.material->getRefCount(), 3);
        SHOP_OGLData assigned(nullptr);
        assigned.adoptMaterial(b.material);
        assigned = data;
        EXPECT_EQ(b.material->getRefCount(), 1);
        EXPECT_EQ(a.material->getRefCount(), 4);
        data.adoptMaterial(a.material);
        EXPECT_EQ(a.material->getRefCount(), 4);
        EXPECT_EQ(data.getRenderData(), a.material);
        EXPECT_EQ(data.getStringData(), nullptr);
    }
    EXPECT_EQ(a.material->getRefCount(), 1);
}
