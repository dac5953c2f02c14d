#pragma once

#include <shop/types/SHOP_Type.h>

#include <OP/OP_BundleFilter.h>

/// Accepts the shader nodes of one shader type, wherever bundles are chosen.
class SHOP_BundleFilter : public OP_BundleFilter
{
public:
    SHOP_BundleFilter(const char *name, const char *label, SHOP_TYPE type)
        : myName(name), myLabel(label), myType(type)
    {
    }

    const char *getName() const override { return myName; }
    const char *getLabel() const override { return myLabel; }
    bool isNodeValid(const OP_Bundle *bundle, const OP_Node *node) const override;

    /// Makes the shader filters, once per process.
    static void createFilters();

private:
    const char *myName;
    const char *myLabel;
    SHOP_TYPE myType;
};
