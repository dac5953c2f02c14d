#include <shop/clerk/SHOP_Clerk.h>

#include <shop/clerk/SHOP_ClerkRegistry.h>
#include <shop/clerk/SHOP_StringData.h>
#include <shop/node/SHOP_BuildCheck.h>
#include <shop/node/SHOP_Node.h>

#include <OP/OP_Context.h>
#include <PRM/PRM_Template.h>
#include <UT/UT_BoundingBox.h>
#include <UT/UT_EnvControl.h>
#include <UT/UT_Options.h>
#include <UT/UT_String.h>
#include <UT/UT_WorkBuffer.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace
{
constexpr int theDefaultPrecision = 12;

bool shop_writesFloats(int components)
{
    return (components >= 1 && components <= 4) || components == 9 || components == 16;
}

// A blank and the text in double quotes, with quotes and backslashes in it escaped: a file
// path or label holding a quote must not end the string early and corrupt the call.
void shop_appendQuoted(UT_WorkBuffer &buffer, const char *text)
{
    buffer.append(" \"");
    for (const char *c = text; *c; ++c)
    {
        if (*c == '"' || *c == '\\')
            buffer.append('\\');
        buffer.append(*c);
    }
    buffer.append('"');
}

// Significant digits of numbers: the override "qelo_precision", else 12. Any count past what
// the formatter writes (more than a double has) writes the same as that most, so a huge one is
// clamped rather than read as no count at all.
int shop_precision(const UT_Options *overrides)
{
    double wanted = theDefaultPrecision;
    if (!overrides || !overrides->importOption("qelo_precision", wanted) || std::isnan(wanted))
        return theDefaultPrecision;
    return wanted >= INT_MAX ? INT_MAX : wanted <= INT_MIN ? INT_MIN : static_cast<int>(wanted);
}

bool shop_usable(SHOP_Node *node)
{
    return node->error() < UT_ERROR_ABORT;
}

// Folder switchers, separators and labels shape the dialog and hold no shader value. With
// `all`, a parameter at its default is written too.
bool shop_isWrittenParm(SHOP_Node *node, PRM_Template &tmpl, float now, const UT_Options *overrides,
                        bool all)
{
    const PRM_Type &type = tmpl.getType();
    if (type.isOrdinalType() && type.hasFlag(PRM_TYPE_SWITCHERLIST))
        return false;
    if (type.isStringType() && (type.hasFlag(PRM_TYPE_SEPARATOR) || type.hasFlag(PRM_TYPE_LABEL)))
        return false;
    return all || !SHOP_Node::isParmDefaultValue(node, tmpl.getToken(), now, overrides);
}

bool shop_registered(const SHOP_Clerk &clerk, SHOP_TYPE type)
{
    for (const SHOP_Clerk *listed : SHOP_ClerkRegistry::getClerkList(type))
        if (listed == &clerk)
            return true;
    return false;
}
} // namespace

SHOP_Data *SHOP_Clerk::buildRenderData(SHOP_Node *node, float now, int precision)
{
    node->markBundleRefsAsUnused();
    const char *shaderName = node->getShaderName(getIsVexClerk());
    UT_String start;
    buildShaderStart(start, shaderName, node);

    UT_WorkBuffer parms;
    UT_WorkBuffer one;
    auto write = [&](PRM_Template &tmpl)
    {
        one.clear();
        if (!buildParmCommand(one, node, &tmpl, now, precision))
            return false;
        parms.append(' ');
        parms.append(one.toStdString());
        return true;
    };
    // The generic translator writes the node's own values: overrides list no parameter.
    if (!forEachWrittenParm(node, now, nullptr, write))
        return nullptr;
    start.str() += parms.toStdString();

    UT_String end;
    buildShaderEnd(end, shaderName, node);
    if (end.isstring())
        start.str() += end.toStdString();

    auto data = std::make_unique<SHOP_StringData>(this);
    data->setString(start.c_str());
    node->cleanUnusedBundleRefs();
    return data.release();
}

bool SHOP_Clerk::forEachWrittenParm(SHOP_Node *node, float now, const UT_Options *overrides,
                                    const std::function<bool(PRM_Template &)> &visit)
{
    PRM_Template *templates =
        node->getVopCodeGenerator() ? node->getSpareParmTemplates() : node->getParmTemplates();
    const int first = node->getFirstParameter();
    const int last = node->getLastParameter();
    // A range that promises more than the list holds is the node's mistake: no string, rather
    // than templates read from past the list's end.
    if (first < 0 || (first > 0 && !templates))
        return false;
    for (int i = 0; i < first; ++i)
        if (templates[i].isTerminator())
            return false;
    // Read once a build, not once a parameter: the environment is searched name by name.
    const bool all = UT_EnvControl::getInt(ENV_SHOP_ALL_PARMS) != 0;
    for (int i = first; templates && i < last && !templates[i].isTerminator(); ++i)
        if (shop_isWrittenParm(node, templates[i], now, overrides, all) && !visit(templates[i]))
            return false;
    return true;
}

bool SHOP_Clerk::serves(SHOP_Node &node) const
{
    return shop_registered(*this, node.getShaderType()) ||
           shop_registered(*this, node.SHOP_Node::getShaderType());
}

SHOP_Data *SHOP_Clerk::buildGeometryData(SHOP_Node *node, float now, int precision)
{
    return buildRenderData(node, now, precision);
}

bool SHOP_Clerk::buildShaderData(SHOP_Node *, SHOP_ReData &, float, const UT_Options *)
{
    return false;
}

bool SHOP_Clerk::buildShaderString(SHOP_Node *node, UT_String &result, float now,
                                   const UT_Options *overrides)
{
    if (!generatesString() || !serves(*node))
        return false;
    const int precision = shop_precision(overrides);
    std::unique_ptr<SHOP_Data> data(buildRenderData(node, now, precision));
    if (!data)
        return false;
    const char *text = data->getStringData();
    result.harden(text);
    return result.isstring();
}

bool SHOP_Clerk::buildShaderBounds(SHOP_Node *node, UT_BoundingBox &box, float now,
                                   const UT_Options *)
{
    if (!serves(*node))
        return false;
    OP_Context context(now);
    return getBoundingBox(box, *node, context);
}

bool SHOP_Clerk::getBoundingBox(UT_BoundingBox &, SHOP_Node &, OP_Context &)
{
    return false;
}

void SHOP_Clerk::buildShaderStart(UT_String &start, const char *shaderName, SHOP_Node *)
{
    start.harden(shaderName);
}

void SHOP_Clerk::buildShaderEnd(UT_String &end, const char *, SHOP_Node *)
{
    end.clear();
}

int SHOP_Clerk::buildParmCommand(UT_WorkBuffer &buffer, SHOP_Node *node, PRM_Template *tmpl,
                                 float now, int precision)
{
    const char *name = tmpl->getToken();
    const int components = tmpl->getVectorSize();
    switch (tmpl->getBasicType())
    {
    case PRM_BASIC_ORDINAL:
        if (components == 1)
            buffer.sprintf("%s %d", name, node->evalInt(name, 0, now));
        break;
    case PRM_BASIC_FLOAT:
        if (shop_writesFloats(components))
        {
            buffer.strcpy(name);
            for (int i = 0; i < components; ++i)
            {
                const float value = node->evalFloat(name, i, now);
                if (!SHOP_BuildCheck::finite(*node, name, value))
                    return 0;
                buffer.append(' ');
                buffer.appendNumber(value, precision);
            }
            // A 2-vector goes out as three numbers, as renderers read them.
            if (components == 2)
                buffer.append(" 0");
        }
        break;
    case PRM_BASIC_STRING:
        if (components == 1)
        {
            UT_String value;
            bool quote = true;
            node->evalStringParm(value, name, 0, now, tmpl, quote, getRenderName(), precision);
            buffer.sprintf("%s ", name);
            if (quote)
                buffer.protectedStrcat(value.c_str());
            else
                buffer.append(value.c_str());
        }
        break;
    default:
        break;
    }
    return shop_usable(node) ? 1 : 0;
}

int SHOP_Clerk::buildRenderManParm(UT_WorkBuffer &buffer, SHOP_Node *node, PRM_Template *tmpl,
                                   float now, int precision)
{
    const PRM_BasicType basic = tmpl->getBasicType();
    if (basic != PRM_BASIC_ORDINAL && basic != PRM_BASIC_FLOAT && basic != PRM_BASIC_STRING)
        return shop_usable(node) ? 1 : 0;

    const char *name = tmpl->getToken();
    const PRM_SpareData *spare = tmpl->getSparePtr();
    const char *rmanType = spare ? spare->getRenderManType() : nullptr;
    if (rmanType)
        buffer.sprintf("\"%s %s\"", rmanType, name);
    else
        buffer.sprintf("\"%s\"", name);
    buffer.append(" [");
    for (int i = 0; i < tmpl->getVectorSize(); ++i)
    {
        if (basic == PRM_BASIC_ORDINAL)
            buffer.appendSprintf(" %d", node->evalInt(name, i, now));
        else if (basic == PRM_BASIC_FLOAT)
        {
            const float value = node->evalFloat(name, i, now);
            if (!SHOP_BuildCheck::finite(*node, name, value))
                return 0;
            buffer.append(' ');
            buffer.appendNumber(value, precision);
        }
        else
        {
            UT_String value;
            bool quote = true;
            node->evalStringParm(value, name, i, now, tmpl, quote, getRenderName(), precision);
            if (quote)
                shop_appendQuoted(buffer, value.c_str());
            else
                buffer.append(value.c_str());
        }
    }
    buffer.append("]");
    return shop_usable(node) ? 1 : 0;
}

bool SHOP_Clerk::setBounds(UT_BoundingBox &box, SHOP_Node &node, std::span<const float> corners)
{
    static const char *const theCorners[] = {"xmin", "ymin", "zmin", "xmax", "ymax", "zmax"};
    // Values that failed to evaluate read as 0: no bounds rather than a box around nothing.
    if (corners.size() != 6 || !shop_usable(&node))
        return false;
    for (size_t i = 0; i < 6; ++i)
        if (!SHOP_BuildCheck::finite(node, (std::string("bounds ") + theCorners[i]).c_str(),
                                     corners[i]))
            return false;
    box.setBounds(corners[0], corners[1], corners[2], corners[3], corners[4], corners[5]);
    return true;
}

bool SHOP_Clerk::evalSopBoundingBox(UT_BoundingBox &box, SHOP_Node &node, const char *parm,
                                    float now)
{
    UT_String path;
    node.evalString(path, parm, 0, now);
    OP_Node *sop = path.isstring() ? node.findNode(path.c_str()) : nullptr;
    if (!sop)
        return false;
    OP_Context context(now);
    return sop->getBoundingBox(box, context);
}
