// Parameter evaluation of shader nodes for renderers: overrides in place of values, and the
// string parameters that stand for node lists, matrices and embedded CVEX shaders.

#include <shop/node/SHOP_Node.h>

#include <shop/node/SHOP_BuildCheck.h>

#include <OP/OP_Bundle.h>
#include <PRM/PRM_Parm.h>
#include <PY/PY_InterpreterAutoLock.h>
#include <PY/PY_Python.h>
#include <UT/UT_DMatrix4.h>
#include <UT/UT_Options.h>
#include <UT/UT_WorkBuffer.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace
{
// Spare-data booleans: exactly "on" or "true", or a number whose integer part is not zero.
bool shop_spareBool(const PRM_SpareData *spare, const char *key)
{
    const char *value = spare ? spare->getValue(key) : nullptr;
    if (!value)
        return false;
    return std::strcmp(value, "on") == 0 || std::strcmp(value, "true") == 0 ||
           std::atoi(value) != 0;
}

void shop_evaluate(OP_Node &node, const char *name, int component, float now, int &result)
{
    result = node.evalInt(name, component, now);
}

void shop_evaluate(OP_Node &node, const char *name, int component, float now, float &result)
{
    result = node.evalFloat(name, component, now);
}

void shop_evaluate(OP_Node &node, const char *name, int component, float now, UT_String &result)
{
    node.evalString(result, name, component, now);
}

// Whether a value taken from an override can stand for the parameter's: integers come in range
// or not at all, floats narrowed to single precision may overflow.
bool shop_fits(int)
{
    return true;
}

bool shop_fits(float value)
{
    return std::isfinite(value);
}

bool shop_fits(const UT_String &)
{
    return true;
}

bool shop_isNumericOption(UT_OptionType type)
{
    return type == UT_OPTION_INT || type == UT_OPTION_FLOAT || type == UT_OPTION_BOOL;
}

// The override key: the channel name of a numeric component, the parameter name of a string.
std::string shop_key(const PRM_Parm &parm, int component, const int &)
{
    return parm.getChannelToken(component);
}

std::string shop_key(const PRM_Parm &parm, int component, const float &)
{
    return parm.getChannelToken(component);
}

std::string shop_key(const PRM_Parm &parm, int, const UT_String &)
{
    return parm.getToken();
}
} // namespace

template <typename T>
bool SHOP_Node::evalOverridden(const char *name, int component, float now, T &result,
                               const UT_Options *overrides, bool markCooking)
{
    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    if (!getParameterOrProperty(name, now, node, parm, nullptr, true))
        return false;
    OP_Parameters::followChannelReferences(node, parm, component);
    if (!node || !parm)
        return false;
    if (overrides)
    {
        const std::string key = shop_key(*parm, component, result);
        if (overrides->importOption(key.c_str(), result) && shop_fits(result))
            return true;
        // A number the parameter cannot hold is refused as a typed-in value would be, not
        // quietly replaced by the node's own.
        if (!std::is_same_v<T, UT_String> &&
            shop_isNumericOption(overrides->getOptionType(key.c_str())))
        {
            SHOP_BuildCheck::fail(*this, getFullPath() + " " + parm->getToken() +
                                             ": the override " + key + " is beyond its range");
            return false;
        }
    }
    shop_evaluate(*node, parm->getToken(), component, now, result);
    if (node == this && markCooking)
        parm->getTemplatePtr()->setNoCook(false);
    return true;
}

bool SHOP_Node::evalShopParameter(const char *name, int component, float now, int &result,
                                  const UT_Options *overrides, bool markCooking)
{
    return evalOverridden(name, component, now, result, overrides, markCooking);
}

bool SHOP_Node::evalShopParameter(const char *name, int component, float now, float &result,
                                  const UT_Options *overrides, bool markCooking)
{
    return evalOverridden(name, component, now, result, overrides, markCooking);
}

bool SHOP_Node::evalShopParameter(const char *name, int component, float now, UT_String &result,
                                  const UT_Options *overrides, bool markCooking)
{
    return evalOverridden(name, component, now, result, overrides, markCooking);
}

void SHOP_Node::evalStringParm(UT_String &result, const char *name, int component, float now,
                               PRM_Template *tmpl, bool &quote, const char *renderer, int precision)
{
    quote = true;
    evalString(result, name, component, now);
    const PRM_SpareData *spare = tmpl ? tmpl->getSparePtr() : nullptr;
    if (!result.isstring() || !spare)
        return;

    const char *filter = spare->getOpFilter();
    if (tmpl->getType().getExtendedType() == PRM_TYPE_DYNAMIC_PATH && filter &&
        std::strcmp(filter, "!!SHOP/CVEX!!") == 0)
    {
        OP_Node *found = findNode(result.c_str());
        SHOP_Node *cvex = found ? found->castToSHOPNode() : nullptr;
        if (cvex && cvex->getShaderType() == SHOP_CVEX)
        {
            UT_Options options;
            options.setOptionS("rendertype", renderer ? renderer : "");
            options.setOptionI("qelo_precision", precision);
            // A failed build leaves no shader: the path itself is no shader string. A CVEX
            // shader that failed on a bad value fails this build too, rather than vanish.
            if (!cvex->buildShaderString(result, now, &options, nullptr, nullptr))
            {
                result.clear();
                // A shader naming itself has its loop reported already.
                if (cvex != this && cvex->error() >= UT_ERROR_ABORT)
                    SHOP_BuildCheck::fail(*this, getFullPath() + " " + name + ": the CVEX shader " +
                                                     cvex->getFullPath() + " cannot be built");
            }
        }
        else
            result.clear();
        return;
    }

    if (shop_spareBool(spare, "opexpand"))
    {
        // "oprelative" names where relative patterns would start; until that is settled they
        // are read from this node, like every other node path among its parameters.
        resolveParmBundle(name, component, result, nullptr, filter,
                          shop_spareBool(spare, "opfullpath"));
        return;
    }

    if (shop_spareBool(spare, "opmatrix"))
    {
        quote = false;
        UT_DMatrix4 matrix;
        OP_Node *object = findNode(result.c_str());
        OP_Context context(now);
        if (!object || !object->getWorldTransform(matrix, context))
            matrix.identity();
        UT_WorkBuffer text;
        for (int i = 0; i < 16; ++i)
        {
            if (!SHOP_BuildCheck::finite(*this, name, matrix.data()[i]))
                break;
            if (i)
                text.append(' ');
            text.appendNumber(matrix.data()[i], precision);
        }
        result = text.toStdString();
    }
}

void SHOP_Node::resolveParmBundle(const char *name, int component, UT_String &value,
                                  OP_Network *creator, const char *filter, bool fullPath)
{
    OP_Bundle *bundle = getParmBundle(name, component, value, creator, filter);
    UT_WorkBuffer list;
    if (bundle)
        bundle->buildString(list, fullPath ? nullptr : this);
    value = list.toStdString();
}

bool SHOP_Node::isParmDefaultValue(OP_Node *node, PRM_Parm *parm, float now,
                                   const UT_Options *overrides)
{
    if (!node || !parm)
        return false;
    const PRM_Template *tmpl = parm->getTemplatePtr();
    if (tmpl->getMultiType() == PRM_MULTITYPE_LIST || tmpl->getMultiType() == PRM_MULTITYPE_SCROLL)
        return false;
    if (!tmpl->hasDefaults())
        return false;
    const PRM_BasicType basic = tmpl->getBasicType();
    if (basic != PRM_BASIC_ORDINAL && basic != PRM_BASIC_FLOAT && basic != PRM_BASIC_STRING)
        return false;

    const int thread = UT_Thread::getMySequentialThreadIndex();
    for (int i = 0; i < tmpl->getVectorSize(); ++i)
    {
        if (overrides)
        {
            OP_Node *finalNode = node;
            PRM_Parm *finalParm = parm;
            int finalComponent = i;
            OP_Parameters::followChannelReferences(finalNode, finalParm, finalComponent);
            if (finalParm &&
                overrides->hasOption(finalParm->getChannelToken(finalComponent).c_str()))
                return false;
        }
        const PRM_Default *def = tmpl->getDefault(i);
        if (def)
        {
            const bool expression =
                basic == PRM_BASIC_ORDINAL ? PRM_Parm::isOrdinalExpression(*def)
                : basic == PRM_BASIC_FLOAT
                    ? PRM_Parm::isFloatExpression(def->getString())
                    : PRM_Parm::isStringExpression(def->getString(), def->getStringMeaning());
            if (expression)
                return false;
        }
        // Evaluated first, as a caller asking at a time expects the value of that time.
        if (basic == PRM_BASIC_STRING)
            (void)parm->evalString(i, now, thread);
        else
            (void)parm->evalFloat(i, now, thread);
        if (!parm->isFactoryDefault(i))
            return false;
    }
    return true;
}

bool SHOP_Node::isParmDefaultValue(OP_Node *node, const char *name, float now,
                                   const UT_Options *overrides)
{
    PRM_Parm *parm = node ? node->getParmList()->getParmPtr(name) : nullptr;
    return isParmDefaultValue(node, parm, now, overrides);
}

bool SHOP_Node::findPropertiesParameter(const char *name, float now, int &nodeId, int &parmIndex)
{
    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    if (!getParameterOrProperty(name, now, node, parm, nullptr, true) || !node || !parm)
        return false;
    nodeId = node->getUniqueId();
    parmIndex = node->getParmList()->getParmIndex(parm->getToken());
    return true;
}

bool SHOP_Node::convertStringToOptions(UT_Options &options, const char *text)
{
    PY_InterpreterAutoLock lock;
    PY_Result result = PYrunPythonExpression(text ? text : "", PY_Result::OPTIONS);
    if (result.myResultType != PY_Result::OPTIONS)
        return false;
    options = result.myOptions;
    return true;
}
