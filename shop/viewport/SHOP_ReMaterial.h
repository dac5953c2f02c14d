#pragma once

#include <RE/RE_Material.h>

class SHOP_Node;

/// A viewport material that remembers the shader node it was built for, so that it can answer
/// with the node's shader string. The node is found again by its unique id, so a material that
/// outlives its node (holders keep it) answers as a plain material instead of reaching a
/// deleted node.
class SHOP_ReMaterial : public RE_Material
{
public:
    SHOP_ReMaterial(const char *name, SHOP_Node *node);
    SHOP_ReMaterial(const SHOP_ReMaterial &other) = default;
    SHOP_ReMaterial &operator=(const SHOP_ReMaterial &other) = default;
    ~SHOP_ReMaterial() override = default;

    /// The node's shader string at that time (its default renderer, no overrides); when that
    /// is empty, or the node is gone, the host material's answer.
    void getVexShader(UT_String &result, float now) const override;
    /// The node the material was built for, or null when it is gone.
    SHOP_Node *getNode() const;

protected:
    RE_Material *clone() const override { return new SHOP_ReMaterial(*this); }

private:
    int myNodeId = -1;
};
