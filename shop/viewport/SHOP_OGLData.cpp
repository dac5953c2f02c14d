#include <shop/viewport/SHOP_OGLData.h>

#include <RE/RE_Material.h>

SHOP_OGLData::SHOP_OGLData(const SHOP_OGLData &other) : SHOP_Data(other)
{
    adoptMaterial(other.myMaterial);
}

SHOP_OGLData &SHOP_OGLData::operator=(const SHOP_OGLData &other)
{
    SHOP_Data::operator=(other);
    adoptMaterial(other.myMaterial);
    return *this;
}

SHOP_OGLData::~SHOP_OGLData()
{
    adoptMaterial(nullptr);
}

void SHOP_OGLData::adoptMaterial(RE_Material *material)
{
    // The new reference first: adopting the material already held must not free it.
    if (material)
        material->upRef();
    if (myMaterial)
        myMaterial->downRef();
    myMaterial = material;
}
