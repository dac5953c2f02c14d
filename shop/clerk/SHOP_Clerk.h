#pragma once

#include <shop/types/SHOP_Type.h>

#include <functional>
#include <span>

class OP_Context;
class PRM_Template;
class SHOP_Data;
class SHOP_Node;
class SHOP_ReData;
class UT_BoundingBox;
class UT_Options;
class UT_String;
class UT_WorkBuffer;

/// A translator of shader nodes for one renderer: it turns the node that supplies a shader into
/// a shader string, procedural bounds or a viewport material. The base class is a working
/// generic translator to shader strings ("name parm value ...").
///
/// Writing a clerk:
/// - Override getRenderName(), the renderer's name that render masks match; it is the clerk's
///   identity within a type's list. Answer generatesString() true to write shader strings.
/// - For a string in another grammar, override buildShaderStart() and buildShaderEnd() (the
///   text before and after the parameters) and buildParmCommand() (the text of one parameter;
///   buildRenderManParm() writes a typed declaration). Which parameters are written is the
///   same for every clerk (forEachWrittenParm()). For bounds, override getBoundingBox() and
///   hand the six numbers to setBounds(). Override buildShaderString(), buildShaderBounds() or
///   buildShaderData() only for a product the generic translator cannot make.
/// - Every clerk keeps one contract, which a shared test suite (tests/shop/contract, one row
///   per clerk) checks: a node of a type the clerk is not registered for gets false and an
///   untouched result; only parameters away from their defaults are written (every one when
///   SHOP_ALL_PARMS is set); numbers honour the "qelo_precision" override; bounds are six
///   finite numbers or nothing; the same request gives the same text; no parameter value,
///   however extreme, crashes it or is cut short.
///
/// Registering: a compiled clerk lives in a plug-in, a shared library in the dso/ folder of a
/// search-path folder (shop_add_plugin in plugins/ builds one there). When the shader table is
/// built, every plug-in is loaded once, for good, and its `extern "C" void newShopClerk(void *)`
/// is called: it makes the clerk (a function-local static) and calls SHOP_Node::addShaderClerk
/// for each shader type the clerk serves; a later clerk of the same render name takes an
/// earlier one's place. A script clerk needs no code here: any module in python/shopclerks/ of
/// a search-path folder (the package's clerkloader lists them) defining getName() and
/// shaderSupported(type) becomes a SHOP_PyClerk, which asks its descriptive answers once at
/// start-up and calls buildShaderString() or buildShaderBounds() of the module for every build.
///
/// Lifetimes: a clerk lives for the whole process; the registry never deletes it, and its
/// descriptive answers never change. Whatever it keeps per node goes into the node's clerk
/// cache (SHOP_Node::addClerkData), which owns the entries and deletes them when the node
/// cooks or is deleted. A build keeps nothing else: the node it is given is held for that call
/// only, and the render data it returns belongs to the caller.
class SHOP_Clerk
{
public:
    SHOP_Clerk() = default;
    virtual ~SHOP_Clerk() = default;

    /// The renderer this clerk serves, matched against render masks.
    virtual const char *getRenderName() const = 0;
    virtual const char *getRenderLabel() const { return getRenderName(); }
    /// Keywords for gallery entries of nodes this clerk serves (separated by commas or blanks).
    virtual const char *getDefaultKeywords() const { return getRenderName(); }
    /// The dialog-script enumeration value that generic operators of the type use as the
    /// default of this clerk's parameter; negative for none.
    virtual int getDialogScriptEnum(SHOP_TYPE) const { return -1; }
    /// Whether the clerk produces shader strings.
    virtual bool generatesString() const { return false; }
    /// Whether operators of the type get this clerk's name added to their render mask.
    virtual bool requireAutoAdd(SHOP_TYPE) const { return false; }

    /// Render data of the node at a time, with floats at `precision` significant digits; owned
    /// by the caller; null when nothing could be built.
    virtual SHOP_Data *buildRenderData(SHOP_Node *node, float now, int precision);
    virtual SHOP_Data *buildGeometryData(SHOP_Node *node, float now, int precision);
    /// Fills a viewport material holder.
    virtual bool buildShaderData(SHOP_Node *node, SHOP_ReData &data, float now,
                                 const UT_Options *overrides);
    /// The node's shader string; true when a non-empty string was written. False, the result
    /// untouched, for a node of a type the clerk is not registered for.
    virtual bool buildShaderString(SHOP_Node *node, UT_String &result, float now,
                                   const UT_Options *overrides);
    /// Bounds of a procedural geometry shader; true when the box was set (never for a node of
    /// a type the clerk is not registered for).
    virtual bool buildShaderBounds(SHOP_Node *node, UT_BoundingBox &box, float now,
                                   const UT_Options *overrides);
    virtual bool differentGeometryData() const { return true; }
    virtual bool getBoundingBox(UT_BoundingBox &box, SHOP_Node &node, OP_Context &context);
    virtual const char *getGeometryAttribute(SHOP_TYPE) const { return nullptr; }
    virtual const char *getGeometryIndirect(SHOP_TYPE) const { return nullptr; }
    /// Whether the renderer runs VEX shaders (shader names are asked for in that form).
    virtual bool getIsVexClerk() const { return false; }
    /// A script under "scripts/shop/" run for every new node of the type this clerk serves.
    virtual const char *getCreationScript(SHOP_TYPE) const { return nullptr; }

protected:
    virtual void buildShaderStart(UT_String &start, const char *shaderName, SHOP_Node *node);
    virtual void buildShaderEnd(UT_String &end, const char *shaderName, SHOP_Node *node);
    /// Writes the text of one parameter into `buffer`; non-zero unless evaluating it left the
    /// node failing.
    virtual int buildParmCommand(UT_WorkBuffer &buffer, SHOP_Node *node, PRM_Template *tmpl,
                                 float now, int precision);

    /// Calls `visit` with every parameter of the node that goes into a shader string, in
    /// order: within the node's parameter range, not a folder switcher, separator or label,
    /// and not at its default under `overrides` (unless the host asks for all parameters).
    /// False, with nothing visited, when the range starts outside the node's parameter list;
    /// false as soon as `visit` answers false.
    static bool forEachWrittenParm(SHOP_Node *node, float now, const UT_Options *overrides,
                                   const std::function<bool(PRM_Template &)> &visit);
    /// Whether the clerk is registered for the node's shader type, as reported or as the
    /// node's own type field (the two lists a build looks a clerk up in).
    bool serves(SHOP_Node &node) const;

    /// A RenderMan-style declaration: "type name" [ values ].
    int buildRenderManParm(UT_WorkBuffer &buffer, SHOP_Node *node, PRM_Template *tmpl, float now,
                           int precision);
    /// Sets the box from six numbers, the minimum corner then the maximum; false, with the box
    /// untouched, unless there are exactly six, all finite (an error on the node names a
    /// corner that is not), and evaluating them left the node usable.
    static bool setBounds(UT_BoundingBox &box, SHOP_Node &node, std::span<const float> corners);
    /// Bounds of the geometry node named by a parameter of the node.
    bool evalSopBoundingBox(UT_BoundingBox &box, SHOP_Node &node, const char *parm, float now);
};
