#include <shop/operator/SHOP_BundleFilter.h>

#include <shop/node/SHOP_Node.h>

#include <memory>
#include <vector>

bool SHOP_BundleFilter::isNodeValid(const OP_Bundle *, const OP_Node *node) const
{
    const SHOP_Node *shop = node ? const_cast<OP_Node *>(node)->castToSHOPNode() : nullptr;
    return shop && shop->getShaderType() == myType;
}

void SHOP_BundleFilter::createFilters()
{
    // Made once and kept for the process, like every filter a scene may name.
    static auto *theFilters = new std::vector<std::unique_ptr<SHOP_BundleFilter>>;
    if (!theFilters->empty())
        return;
    const struct
    {
        const char *name;
        const char *label;
        SHOP_TYPE type;
    } theTable[] = {
        {"!!SHOP/MATERIAL!!", "SHOP: Materials", SHOP_MATERIAL},
        {"!!SHOP/PROPERTIES!!", "SHOP: Properties", SHOP_PROPERTIES},
        {"!!SHOP/SURFACE!!", "SHOP: Surface Only", SHOP_SURFACE},
        {"!!SHOP/DISPLACEMENT!!", "SHOP: Displacement Only", SHOP_DISPLACEMENT},
        {"!!SHOP/INTERIOR!!", "SHOP: Interior Only", SHOP_INTERIOR},
        {"!!SHOP/LIGHT!!", "SHOP: Light Only", SHOP_LIGHT},
        {"!!SHOP/LIGHT_SHADOW!!", "SHOP: Shadow Only", SHOP_LIGHT_SHADOW},
        {"!!SHOP/ATMOSPHERE!!", "SHOP: Fog Only", SHOP_ATMOSPHERE},
        {"!!SHOP/PHOTON!!", "SHOP: Photon Only", SHOP_PHOTON},
        {"!!SHOP/IMAGE3D!!", "SHOP: Image3D Only", SHOP_IMAGE3D},
        {"!!SHOP/CVEX!!", "SHOP: CVEX", SHOP_CVEX},
    };
    for (const auto &row : theTable)
        theFilters->push_back(std::make_unique<SHOP_BundleFilter>(row.name, row.label, row.type));
}
