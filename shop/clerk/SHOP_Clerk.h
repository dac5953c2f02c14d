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

/// A translator of shader nodes for one renderer. The base class is a working generic
/// translator to shader strings ("name parm value ..."); a renderer's clerk changes the start,
/// the end or the text of one parameter, or answers other products (materials, bounds).
/// Clerks are registered per shader type and live for the whole process.
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
