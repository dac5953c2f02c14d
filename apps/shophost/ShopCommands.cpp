#include "ShopCommands.h"

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/node/SHOP_Node.h>
#include <shop/node/SHOP_Trace.h>
#include <shop/types/SHOP_TypeTable.h>

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_NodePin.h>
#include <UT/UT_BoundingBox.h>
#include <UT/UT_Options.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace
{
SHOP_Node *sc_shaderNode(CMD_Args &args, const char *path)
{
    OP_Node *node = OPgetDirector()->getCwd()->findNode(path);
    SHOP_Node *shop = node ? node->castToSHOPNode() : nullptr;
    if (!node)
        args.fail("No node '" + std::string(path) + "'");
    else if (!shop)
        args.fail(node->getFullPath() + " is not a shader node");
    return shop;
}

bool sc_time(CMD_Args &args, float &now)
{
    now = CMDgetManager()->getTime();
    const char *text = args.argp('f');
    if (!text)
        return true;
    now = UT_String::isNumber(text) ? std::strtof(text, nullptr) : NAN;
    if (!std::isfinite(now))
    {
        args.fail("Bad time '" + std::string(text) + "'");
        return false;
    }
    return true;
}

// -o NAME=VALUE: whole numbers become integers, other numbers floats, anything else text.
bool sc_overrides(CMD_Args &args, UT_Options &options)
{
    for (const std::string &item : args.argValues('o'))
    {
        const std::string::size_type eq = item.find('=');
        if (eq == std::string::npos || eq == 0)
        {
            args.fail("Bad override '" + item + "' (NAME=VALUE)");
            return false;
        }
        const std::string name = item.substr(0, eq);
        const std::string value = item.substr(eq + 1);
        char *end = nullptr;
        errno = 0;
        const long long whole = std::strtoll(value.c_str(), &end, 10);
        if (!value.empty() && *end == '\0' && errno == 0)
            options.setOptionI(name.c_str(), whole);
        else if (UT_String::isNumber(value.c_str()))
        {
            // "nan", "inf" and overflows read as numbers, but no renderer reads them back.
            const double number = std::strtod(value.c_str(), nullptr);
            if (!std::isfinite(number))
            {
                args.fail("Bad override '" + item + "' (not a finite number)");
                return false;
            }
            options.setOptionF(name.c_str(), number);
        }
        else
            options.setOptionS(name.c_str(), value.c_str());
    }
    if (const char *renderer = args.argp('r'))
        options.setOptionS("rendertype", renderer);
    return true;
}

bool sc_type(CMD_Args &args, SHOP_TYPE &type)
{
    const char *name = args.argp('t');
    type = name ? SHOP_Node::getShaderType(name) : SHOP_SURFACE;
    if (type == SHOP_UNDEFINED)
        args.fail("Unknown shader type '" + std::string(name) + "' (see shadertypes)");
    return type != SHOP_UNDEFINED;
}

std::string sc_renderer(const UT_Options &options)
{
    std::string renderer = "VKorvit";
    options.importOption("rendertype", renderer);
    return renderer;
}

// Why a build failed, when the node says: its latest error.
std::string sc_reason(SHOP_Node &node)
{
    const UT_ErrorManager &errors = node.getErrorManager();
    for (int i = errors.getNumErrors() - 1; i >= 0; --i)
        if (errors.getError(i).getSeverity() >= UT_ERROR_ABORT)
            return ": " + errors.getError(i).getText();
    return {};
}

void sc_shader(CMD_Args &args)
{
    if (args.argc() < 2)
    {
        args.fail("Usage: " + std::string(CMDgetManager()->getUsage("shader")));
        return;
    }
    SHOP_Node *node = sc_shaderNode(args, args(1));
    SHOP_TYPE type;
    float now;
    UT_Options options;
    if (!node || !sc_type(args, type) || !sc_time(args, now) || !sc_overrides(args, options))
        return;
    const UT_Options *overrides = options.getNumOptions() ? &options : nullptr;
    const std::string renderer = sc_renderer(options);
    // Resolving and building may run scripts; the nodes this command holds stay meanwhile.
    OP_NodePin pin(node, OP_USE_REQUEST);
    // The account of the request is printed before the answer, and also when there is none:
    // that is when users most want to know where the request went.
    std::optional<SHOP_Trace> trace;
    if (args.found('x'))
        trace.emplace();
    auto explain = [&]
    {
        if (trace)
            for (const std::string &line : trace->getLines())
                args.out() << line << "\n";
    };
    SHOP_Node *supplier = node->findShader(type, now, overrides);
    if (!supplier)
    {
        explain();
        args.fail("No " + std::string(SHOP_Node::getShaderType(type)) + " shader at " +
                  node->getFullPath() + " for " + renderer);
        return;
    }
    OP_NodePin supplierPin(supplier, OP_USE_REQUEST);
    UT_String result;
    const bool built = supplier->buildShaderString(result, now, overrides, nullptr, nullptr);
    explain();
    if (!built)
    {
        args.fail("Cannot build the " + std::string(SHOP_Node::getShaderType(type)) +
                  " shader of " + supplier->getFullPath() + " for " + renderer +
                  sc_reason(*supplier));
        return;
    }
    args.out() << result.c_str() << "\n";
}

void sc_bounds(CMD_Args &args)
{
    if (args.argc() < 2)
    {
        args.fail("Usage: " + std::string(CMDgetManager()->getUsage("bounds")));
        return;
    }
    SHOP_Node *node = sc_shaderNode(args, args(1));
    float now;
    UT_Options options;
    if (!node || !sc_time(args, now) || !sc_overrides(args, options))
        return;
    UT_BoundingBox box;
    if (!node->buildShaderBounds(box, now, options.getNumOptions() ? &options : nullptr, nullptr,
                                 nullptr))
    {
        args.fail("No bounds for " + node->getFullPath() + " from " + sc_renderer(options) +
                  sc_reason(*node));
        return;
    }
    char text[256];
    std::snprintf(text, sizeof(text), "%g %g %g %g %g %g", box.xmin(), box.ymin(), box.zmin(),
                  box.xmax(), box.ymax(), box.zmax());
    args.out() << text << "\n";
}

const char *sc_text(const char *s)
{
    return s ? s : "-";
}

void sc_shadertypes(CMD_Args &args)
{
    char line[512];
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
    {
        if (!SHOP_TypeTable::isValidType(v))
            continue;
        const SHOP_TYPE t = static_cast<SHOP_TYPE>(v);
        std::snprintf(line, sizeof(line), "%2d  %-16s %-24s %-18s %-26s %s %s", v,
                      SHOP_Node::getShaderType(t), sc_text(SHOP_Node::getShaderLabel(t)),
                      SHOP_Node::getIconName(t), SHOP_Node::getBundleFilter(t),
                      sc_text(SHOP_Node::getShaderParmPath(t)),
                      sc_text(SHOP_Node::getShaderSpaceParm(t)));
        args.out() << line << "\n";
    }
}

void sc_clerks(CMD_Args &args)
{
    int first = 0, last = SHOP_MAX_TYPES - 1;
    if (args.argc() > 1)
    {
        // Any assigned type may be named here, "undefined" and "any" included.
        int found = -1;
        for (int v = 0; v < SHOP_MAX_TYPES; ++v)
            if (SHOP_TypeTable::isValidType(v) &&
                std::string(SHOP_Node::getShaderType(static_cast<SHOP_TYPE>(v))) == args(1))
                found = v;
        if (found < 0)
        {
            args.fail("Unknown shader type '" + std::string(args(1)) + "' (see shadertypes)");
            return;
        }
        first = last = found;
    }
    for (int v = first; v <= last; ++v)
    {
        if (!SHOP_TypeTable::isValidType(v))
            continue;
        const SHOP_TYPE t = static_cast<SHOP_TYPE>(v);
        const UT_PtrArray<SHOP_Clerk *> &clerks = SHOP_Node::getClerkList(t);
        if (clerks.isEmpty() && first != last)
            continue;
        args.out() << SHOP_Node::getShaderType(t) << ":";
        for (const SHOP_Clerk *clerk : clerks)
            args.out() << " " << clerk->getRenderName();
        args.out() << "\n";
    }
}
} // namespace

void ShopCommands::install(CMD_Manager &m)
{
    m.installCommand(
        "shader", "t:r:f:o:x(explain)", sc_shader, true,
        "shader PATH [-t TYPE] [-r RENDERER] [-f TIME] [-o NAME=VALUE]... [--explain]");
    m.installCommand("bounds", "r:f:o:", sc_bounds, true, "bounds PATH [-r RENDERER] [-f TIME]");
    m.installCommand("shadertypes", "", sc_shadertypes, true, "shadertypes");
    m.installCommand("clerks", "", sc_clerks, true, "clerks [TYPE]");
}

SHOP_Node *ShopCommands::shaderNode(CMD_Args &args, const char *path)
{
    return sc_shaderNode(args, path);
}

bool ShopCommands::time(CMD_Args &args, float &now)
{
    return sc_time(args, now);
}

bool ShopCommands::overrides(CMD_Args &args, UT_Options &options)
{
    return sc_overrides(args, options);
}
