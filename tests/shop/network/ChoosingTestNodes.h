#pragma once

#include "../ShopTestNodes.h"

#include <shop/network/SHOP_CoShader.h>
#include <shop/network/SHOP_Properties.h>
#include <shop/network/SHOP_Select.h>
#include <shop/network/SHOP_Switch.h>
#include <shop/table/SHOP_TableBuilder.h>

#include <functional>
#include <string>
#include <vector>

// Choosing and combining nodes, made by the operators users get, over probe shaders that count
// what is asked of them. Operators are installed once per test program.
namespace choosetest
{
using namespace shoptest;

/// A shader node that counts its cooks and requests, can fail its cook or its build, can
/// claim time dependence, and can pass requests on to another node, as nodes that point at a
/// shader elsewhere do; that is how a request comes back to where it started.
class ProbeNode : public TestShopNode
{
public:
    using TestShopNode::TestShopNode;
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new ProbeNode(parent, name, op);
    }

    SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides) override
    {
        ++asked;
        if (onAsk)
            onAsk();
        return forward ? forward->findShader(type, now, overrides)
                       : TestShopNode::findShader(type, now, overrides);
    }
    /// Writes the node's name, so a test sees which node answered.
    bool buildShaderString(UT_String &result, float now, const UT_Options *overrides, OP_Node *obj,
                           OP_Node *sop) override
    {
        ++asked;
        if (forward)
            return forward->buildShaderString(result, now, overrides, obj, sop);
        if (failBuild)
            return false;
        result.harden(getName().c_str());
        return true;
    }
    bool getParameterOrProperty(const char *name, float now, OP_Node *&node, PRM_Parm *&parm,
                                PRM_ParmList *obsolete, bool create) override
    {
        ++asked;
        if (onAsk)
            onAsk();
        if (TestShopNode::getParameterOrProperty(name, now, node, parm, obsolete, create))
            return true;
        return forward && forward->getParameterOrProperty(name, now, node, parm, obsolete, create);
    }
    bool getBoundingBox(UT_BoundingBox &box, OP_Context &, const char *) override
    {
        if (boxSize <= 0)
            return false;
        box.setBounds(0, 0, 0, boxSize, boxSize, boxSize);
        return true;
    }
    using TestShopNode::getBoundingBox;

    SHOP_Node *forward = nullptr;
    /// Runs on every shader request and every lookup that reaches the node.
    std::function<void()> onAsk;
    bool failBuild = false;
    bool failCook = false;
    bool animated = false;
    float boxSize = 0;
    int cooks = 0;
    int asked = 0;

protected:
    UT_ErrorSeverity cookMe(OP_Context &context) override
    {
        ++cooks;
        if (animated)
            setTimeDependent(true);
        if (failCook)
            UTaddError("TEST", 1, "probe failed");
        return TestShopNode::cookMe(context);
    }
};

class ChoosingTest : public ShopTest
{
protected:
    void SetUp() override
    {
        ShopTest::SetUp();
        static bool once = []
        {
            OP_OperatorTable *table = OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName);
            SHOP_TableBuilder::addNetworkOperators(*table);
            for (auto [name, type] : {std::pair{"t_probe_surface", SHOP_SURFACE},
                                      {"t_probe_displace", SHOP_DISPLACEMENT},
                                      {"t_probe_props", SHOP_PROPERTIES},
                                      {"t_probe_coshader", SHOP_COSHADER},
                                      {"t_probe_undef", SHOP_UNDEFINED}})
                addShopOperator(name, ProbeNode::myConstructor, type,
                                {PRM_Template(PRM_FLT, 3, PRM_Name("val"), {PRM_Default(0)})}, 0);
            return true;
        }();
        (void)once;
    }

    template <typename T = ProbeNode>
    T *add(const char *type, const char *name)
    {
        return make<T>(type, nullptr, name);
    }
    /// Surface probes, one per name, wired into the node's inputs in that order.
    std::vector<ProbeNode *> wireSurfaces(OP_Node *node, std::vector<const char *> names)
    {
        std::vector<ProbeNode *> probes;
        for (const char *name : names)
        {
            probes.push_back(add("t_probe_surface", name));
            wire(node, static_cast<unsigned>(probes.size() - 1), probes.back());
        }
        return probes;
    }
    static void addSpare(OP_Node *node, const char *name, double value)
    {
        std::string error;
        ASSERT_TRUE(node->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name(name), {value}), error))
            << error;
    }
    static void addSpareText(OP_Node *node, const char *name, const char *text)
    {
        std::string error;
        ASSERT_TRUE(node->addSpareParm(
            PRM_Template(PRM_STRING, 1, PRM_Name(name), {PRM_Default(0, text)}), error))
            << error;
    }
    static UT_ErrorSeverity cookAt(OP_Node *node, float time = 0)
    {
        OP_Context context(time);
        return node->cook(context);
    }
    /// The node's reports as "TYPE code severity message", one each.
    static std::vector<std::string> reports(const OP_Node *node)
    {
        std::vector<std::string> out;
        for (const UT_Error &e : node->getErrorManager().getErrors())
            out.push_back(e.getType() + " " + std::to_string(e.getCode()) + " " +
                          std::to_string(static_cast<int>(e.getSeverity())) + " " + e.getMessage());
        return out;
    }
    /// The node and component a lookup by channel reaches from `from`; null and -1 for none.
    static std::pair<OP_Node *, int> lookupChannel(OP_Node *from, const char *channel, float now)
    {
        OP_Node *node = nullptr;
        PRM_Parm *parm = nullptr;
        int component = -1;
        from->getParameterOrPropertyByChannel(channel, now, node, parm, component, nullptr);
        return {node, component};
    }
    /// The node a lookup by name reaches from `from`, or null.
    static OP_Node *lookup(OP_Node *from, const char *name, float now = 0)
    {
        OP_Node *node = nullptr;
        PRM_Parm *parm = nullptr;
        return from->getParameterOrProperty(name, now, node, parm, nullptr, false) ? node : nullptr;
    }
};

inline const std::string theRangeWarning =
    "SHOP 2 " + std::to_string(UT_ERROR_WARNING) + " Index out of range";
inline const std::string theTypeError = "SHOP 1 " + std::to_string(UT_ERROR_ABORT) + " ";

} // namespace choosetest
