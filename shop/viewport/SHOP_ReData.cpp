#include <shop/viewport/SHOP_ReData.h>

#include <RE/RE_Material.h>

SHOP_ReData::SHOP_ReData(const SHOP_ReData &other)
{
    setMaterial(other.myMaterial);
}

SHOP_ReData &SHOP_ReData::operator=(const SHOP_ReData &other)
{
    // setMaterial takes the new reference first, so assigning a holder to itself is safe.
    setMaterial(other.myMaterial);
    return *this;
}

void SHOP_ReData::clear()
{
    setMaterial(nullptr);
}

void SHOP_ReData::setMaterial(RE_Material *material)
{
    if (material)
        material->upRef();
    RE_Material *old = myMaterial;
    myMaterial = material;
    if (old)
        old->downRef();
}

void SHOP_ReData::stripTextures()
{
    if (!myMaterial || !myMaterial->isTextured())
        return;
    // The copy comes with one reference, which this holder keeps.
    RE_Material *plain = myMaterial->cloneWithoutTexture();
    RE_Material *textured = myMaterial;
    myMaterial = plain;
    textured->downRef();
}
