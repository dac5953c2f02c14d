#pragma once

#include <shop/clerk/SHOP_ClerkCacheHash.h>
#include <shop/clerk/SHOP_ClerkRegistry.h>
#include <shop/types/SHOP_Type.h>
#include <shop/types/SHOP_TypeTable.h>

#include <CH/CH_LocalVariable.h>
#include <OP/OP_Network.h>
#include <UT/UT_PtrArray.h>
#include <UT/UT_String.h>

#include <memory>
#include <unordered_map>

class SHOP_Clerk;
class SHOP_ClerkCacheEntry;
class SHOP_ReData;
class UT_Options;

/// Codes of the "SHOP" error type.
enum SHOP_ErrorCode
{
    SHOP_ERR_INPUT_TYPES = 1, ///< inputs of different shader types (no message)
    SHOP_ERR_INDEX_RANGE = 2, ///< "Index out of range"
};

/// A raster owned by a node for its material preview: width, height and RGBA pixels.
struct SHOP_IconImage
{
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

/// The base of every shader node. A shader node stands for one shader of one type; it can hold
/// children (materials and subnets are shader networks), knows which renderers it serves (its
/// render mask), counts the shader types that lie below it, and keeps per-clerk data that any
/// cook drops.
class SHOP_Node : public OP_Network
{
public:
    /// The operator-type identity of shader nodes: their id and table name.
    static constexpr int theOpTypeID = 7;
    /// The name of the shader context's operator table, and of the child table of shader nodes.
    static constexpr const char *theOpTypeName = "SHOP";

    /// Fills the shader context's operator table: clerks, operators, the default type and the
    /// bundle filters. Defined with the table builder (shop/table), the one place that knows
    /// every node type, so that this layer never names its subclasses.
    static void buildShaderTable(OP_OperatorTable &table);
    /// A new "shopnet" operator, for the containers of shader networks; the caller owns it.
    static OP_Operator *getManagementOperator();
    /// Installs the library's command "shoppromote" (defined beside the command, with the
    /// materials it promotes). Called by buildShaderTable.
    static void installCommands();
    /// Adds the expression function shopstring(path, renderer), the shader string of a node,
    /// with its node-lookup caches and its dependency and rename callbacks. Called by
    /// buildShaderTable.
    static void initializeExpressions();

    /// Takes the node and all below it out of the type counts of the networks above it.
    ~SHOP_Node() override;

    /// This node, for callers holding it as a host node.
    SHOP_Node *castToSHOPNode() override { return this; }

    // The shader type table, as members for the library's callers (see SHOP_TypeTable) ------
    /// The type name ("surface"); "invalid" for a value without an entry.
    static const char *getShaderType(SHOP_TYPE type) { return SHOP_TypeTable::getShaderType(type); }
    /// The user label ("Surface Shader"); null for a value without an entry.
    static const char *getShaderLabel(SHOP_TYPE type)
    {
        return SHOP_TypeTable::getShaderLabel(type);
    }
    /// The operator icon name of the type.
    static const char *getIconName(SHOP_TYPE type) { return SHOP_TypeTable::getIconName(type); }
    /// The name of the bundle selecting nodes of the type.
    static const char *getBundleFilter(SHOP_TYPE type)
    {
        return SHOP_TypeTable::getBundleFilter(type);
    }
    /// The object parameter holding the path of the shader of the type; null if none.
    static const char *getShaderParmPath(SHOP_TYPE type)
    {
        return SHOP_TypeTable::getShaderParmPath(type);
    }
    /// The object parameter holding the space of the shader of the type; null if none.
    static const char *getShaderSpaceParm(SHOP_TYPE type)
    {
        return SHOP_TypeTable::getShaderSpaceParm(type);
    }
    /// The type with exactly this name; SHOP_UNDEFINED for any other text.
    static SHOP_TYPE getShaderType(const char *name) { return SHOP_TypeTable::getShaderType(name); }
    /// The type whose shader-path parameter is `parm`; SHOP_UNDEFINED otherwise.
    static SHOP_TYPE getTypeFromParm(const char *parm)
    {
        return SHOP_TypeTable::getTypeFromParm(parm);
    }
    /// The type whose space parameter is `parm`; SHOP_UNDEFINED otherwise.
    static SHOP_TYPE getTypeFromSpaceParm(const char *parm)
    {
        return SHOP_TypeTable::getTypeFromSpaceParm(parm);
    }

    // The clerk registry (see SHOP_ClerkRegistry) --------------------------------------------
    /// Registers a clerk for a type; false for an invalid type or a null clerk.
    static bool addShaderClerk(SHOP_TYPE type, SHOP_Clerk *clerk)
    {
        return SHOP_ClerkRegistry::addShaderClerk(type, clerk);
    }
    /// The clerks of a type, in registration order.
    static UT_PtrArray<SHOP_Clerk *> &getClerkList(SHOP_TYPE type)
    {
        return SHOP_ClerkRegistry::getClerkList(type);
    }

    // Own virtual operations -------------------------------------------------------------------
    /// The shader type the node stands for now; choosing nodes report their inputs' type.
    virtual SHOP_TYPE getShaderType() const { return myShaderType; }
    /// The first of the node's shader parameters in its templates.
    virtual int getFirstParameter() const { return 0; }
    /// One past the last of the node's shader parameters (none by default).
    virtual int getLastParameter() const { return -1; }
    /// The node that supplies a shader of `type` for this request, or null. A node answers
    /// for itself when it is of that type and its render mask takes the request's renderer
    /// (the override "rendertype"; "*" or none is any renderer).
    virtual SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides);
    /// Appends the nodes supplying shaders of `type`; the list's length afterwards.
    virtual int collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float now,
                               const UT_Options *overrides);
    /// How much of the inputs the network editor draws (2: all of it).
    virtual int getInputTileLOD() const { return 2; }
    /// How much of the outputs the network editor draws (2: all of it).
    virtual int getOutputTileLOD() const { return 2; }
    /// Whether input `index` is shown: every input the operator allows.
    virtual bool isInputVisible(int index) const;
    /// Whether output `index` is shown: every output the operator has.
    virtual bool isOutputVisible(int index) const;
    /// Bounds of a geometry shader, from the first clerk the render mask accepts that has any.
    virtual bool getBoundingBox(UT_BoundingBox &box, OP_Context &context, const char *renderer);
    using OP_Node::getBoundingBox;
    /// The output node inside the node's network, for nodes that have one; else null.
    virtual SHOP_Node *getOutputNode() const { return nullptr; }
    /// "Input N", or the label of the input's shader type when it has one.
    virtual void getInputName(UT_String &name, int index) const;
    /// The shader type input `index` takes; SHOP_UNDEFINED for any.
    virtual SHOP_TYPE getInputType(int) const { return SHOP_UNDEFINED; }
    /// The label of the output's shader type.
    virtual void getOutputName(UT_String &name, int index) const;
    /// The shader type of output `index`: the node's own for output 0, else undefined.
    virtual SHOP_TYPE getOutputType(int index) const;
    /// The name the shader is called by in shader strings: the operator's name.
    virtual const char *getShaderName(bool forVex) const;
    /// The shader string of the clerk of the request's renderer ("VKorvit" by default), after
    /// a cook and with the calling nodes set; false, `result` untouched, when no clerk writes.
    virtual bool buildShaderString(UT_String &result, float now, const UT_Options *overrides,
                                   OP_Node *obj, OP_Node *sop);
    /// A viewport material from the clerk of the request's renderer ("OGL" by default).
    virtual bool buildShaderData(SHOP_ReData &data, float now, const UT_Options *overrides,
                                 OP_Node *obj, OP_Node *sop);
    /// Procedural bounds from the clerk of the request's renderer; false unless all six
    /// numbers are finite and nothing they were read from failed.
    virtual bool buildShaderBounds(UT_BoundingBox &box, float now, const UT_Options *overrides,
                                   OP_Node *obj, OP_Node *sop);

    // Parameters with overrides (SHOP_NodeParms.cpp) -------------------------------------------
    /// One component of a parameter (or property) by name, taken from the overrides when they
    /// hold it under the component's key; false, result untouched, when there is no such
    /// parameter. With `markCooking`, later changes of a parameter of this node cook it.
    bool evalShopParameter(const char *name, int component, float now, int &result,
                           const UT_Options *overrides, bool markCooking);
    /// As above, for a float component.
    bool evalShopParameter(const char *name, int component, float now, float &result,
                           const UT_Options *overrides, bool markCooking);
    /// As above, for a string component.
    bool evalShopParameter(const char *name, int component, float now, UT_String &result,
                           const UT_Options *overrides, bool markCooking);
    /// A string parameter as a renderer needs it: an embedded CVEX shader string, a node list,
    /// a world matrix, or the plain value; `quote` tells whether to write it protected.
    void evalStringParm(UT_String &result, const char *name, int component, float now,
                        PRM_Template *tmpl, bool &quote, const char *renderer, int precision);
    /// Whether the parameter holds its factory default at that time and is not overridden.
    static bool isParmDefaultValue(OP_Node *node, PRM_Parm *parm, float now,
                                   const UT_Options *overrides);
    /// As above, for the parameter or property of that name; false when there is none.
    static bool isParmDefaultValue(OP_Node *node, const char *name, float now,
                                   const UT_Options *overrides);
    /// Replaces the contents of `options` by the dictionary that `text`, evaluated as a Python
    /// expression, gives; false (options unchanged) for anything but a dictionary or an error.
    static bool convertStringToOptions(UT_Options &options, const char *text);
    /// The node (by unique id) and parameter index that a parameter or property name finds.
    bool findPropertiesParameter(const char *name, float now, int &nodeId, int &parmIndex);

    // Host operations ---------------------------------------------------------------------------
    /// $OBJ and $SOP: the paths of the calling object and geometry node ("" when none).
    bool getVariableString(int index, UT_String &value, int thread) override;
    /// The host's node info, then the shader type and the render mask, so that a user can see
    /// which renderers the node serves.
    void getNodeSpecificInfoText(OP_Context &context, int verbose, UT_WorkBuffer &text) override;
    /// theOpTypeID.
    int getOpTypeID() const override { return theOpTypeID; }
    /// theOpTypeName.
    const char *getOpType() const override { return theOpTypeName; }
    /// The shader type, as the host's data class.
    int getDataClass() const override { return getShaderType(); }
    /// Shader nodes cook no data of their own: none to type, delete or save.
    int getCookedDataType() const override { return 0; }
    /// Nothing to delete (see getCookedDataType).
    void deleteCookedData() override {}
    /// Nothing to save; reports success.
    int saveCookedData(const char *, OP_Context &) override { return 1; }
    /// Nothing to save; reports success.
    int saveCookedData(std::ostream &, OP_Context &, int) override { return 1; }
    /// Shader operators write nothing beyond the host's dialog script.
    void saveDialogScriptExtraInfo(std::ostream &) override {}
    /// The extension of the node's saved data: "bshop" when binary, else "shop".
    const char *getFileExtension(int binary) const override { return binary ? "bshop" : "shop"; }
    /// Any parameter change may change a shader: every one counts for a cook.
    bool cookedDataUsesAllParameters() const override { return true; }
    /// A cook's errors are part of what it made: a failed shader builds nothing.
    bool cookedDataNeedsErrors() const override { return true; }
    /// Children are shader nodes.
    const char *getChildType() const override { return theOpTypeName; }
    /// Children are shader nodes.
    int getChildTypeID() const override { return theOpTypeID; }
    /// The tile width: room for four flags beside the name.
    int getW() const override { return getNodeButtonWidth() + 4 * getFlagWidth(); }
    /// The tile height: room for a row of connectors above and below.
    int getH() const override { return getNodeHeight() + 2 * getConnectorHeight(); }
    /// Adds the default keywords of every clerk serving the node's outputs; the category is
    /// the label of the node's shader type.
    void createGalleryEntry(OP_GalleryEntry &entry) override;
    /// After the host's own script, the creation scripts of the serving clerks; false only
    /// when the host's script failed, since a clerk's script reports its own errors.
    bool runCreateScript() override;
    /// Surface and geometry shaders make the viewport and bounding-box parameters that files
    /// of older versions carry values or channels for, as spare parameters; other types make
    /// nothing.
    bool createSpareParametersForLoad(UT_StringArray &names, PRM_ParmNameMap &nameMap,
                                      UT_String &errors) override;
    /// As above, for channels: the selected ones that got a parameter are deselected.
    bool createSpareParametersFromChannels(UT_BitArray &selected,
                                           const UT_PtrArray<CH_Channel *> &channels) override;

    // Node fields -------------------------------------------------------------------------------
    /// The renderers the node serves: renderer-name patterns separated by commas and blanks.
    const char *getRenderMask() const { return myRenderMask->c_str(); }
    /// The object the current build runs for, or null.
    OP_Node *getCallingOBJ() const { return myCallingObject; }
    /// Sets the object builds run for (the builds themselves set and restore it).
    void setCallingOBJ(OP_Node *node) { myCallingObject = node; }
    /// The geometry node the current build runs for, or null.
    OP_Node *getCallingSOP() const { return myCallingSop; }
    /// Sets the geometry node builds run for (the builds themselves set and restore it).
    void setCallingSOP(OP_Node *node) { myCallingSop = node; }
    /// Whether a shader node of `type` lies anywhere below this node.
    bool containsShopType(SHOP_TYPE type) const;
    /// Adds `delta` to the count of `type` here and in every enclosing shader node.
    void bumpContainedType(SHOP_TYPE type, int delta);

    // Viewport state, kept for the viewport clerks ----------------------------------------------
    /// The textures the viewport holds for the node.
    int getOGLTextureCount() const;
    /// Adds `delta` to the viewport's texture count.
    void bumpOGLTextureCount(int delta);
    /// The state of the viewport's cached shader sources; -1 when none are cached.
    int getOGLScriptCacheState() const;
    /// Caches the viewport's shader sources with their state.
    void setOGLScriptCache(int state, const char *vertex, const char *fragment);
    /// The cached vertex shader source ("" when none).
    const char *getOGLVtxSource() const;
    /// The cached fragment shader source ("" when none).
    const char *getOGLFragSource() const;
    /// The file of the node's material preview picture.
    UT_String &getMaterialIconFilename();
    /// Sets the file of the node's material preview picture.
    void setMaterialIconFilename(const char *file);
    /// The node's material preview picture.
    SHOP_IconImage &getMaterialIconImage();
    /// Whether the preview picture may be made again (true until said otherwise).
    bool getMaterialIconAllowRegenerateFlag() const;
    /// Allows or forbids making the preview picture again.
    void setMaterialIconAllowRegenerateFlag(bool allow);

    // Errors on the current error list (under the "SHOP" type unless said otherwise) ----------
    /// An error of code `code`.
    void addError(int code, const char *message = nullptr);
    /// A message.
    void addMessage(SHOP_ErrorCode code, const char *message = nullptr);
    /// A warning.
    void addWarning(SHOP_ErrorCode code, const char *message = nullptr);
    /// A fatal error.
    void addFatal(SHOP_ErrorCode code, const char *message = nullptr);
    /// A system error (the host's type).
    void addSystemError(const char *message = nullptr);
    /// A common error (the host's common type).
    void addCommonError(UT_CommonErrorCode code, const char *message = nullptr);

    // Clerks of this node -----------------------------------------------------------------------
    /// The clerk of that render name for the node's own type field, when the mask accepts it.
    SHOP_Clerk *getClerk(const char *renderName);
    /// The first clerk of the reported type that the mask accepts (and that writes strings,
    /// when asked).
    SHOP_Clerk *getAnyClerk(bool stringOnly);
    /// Data a clerk keeps for this node and the current calling object and geometry node.
    SHOP_ClerkCacheEntry *getClerkData(const SHOP_Clerk *clerk);
    /// Stores an entry (the cache owns it), replacing and deleting any for the same key.
    void addClerkData(const SHOP_Clerk *clerk, SHOP_ClerkCacheEntry *entry);
    /// Deletes the clerk's entry for the current calling nodes, if any.
    void destroyClerkData(const SHOP_Clerk *clerk);
    /// Deletes every entry of every clerk (any cook does).
    void destroyCache();
    /// The number of entries clerks keep for the node.
    int getClerkCacheSize() const
    {
        return myClerkCache ? static_cast<int>(myClerkCache->size()) : 0;
    }

    /// The parameters that older versions of shaders of a type had (terminated), for reading
    /// old files; null for types that have none.
    static const PRM_Template *getObsolete(SHOP_TYPE type);

    /// The local variables of shader operators: $OBJ and $SOP, the paths of the calling nodes.
    static const CH_LocalVariable *getVariables();

protected:
    SHOP_Node(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type);

    void setShaderType(SHOP_TYPE type);
    void setRenderMask(const char *mask);
    /// Empties the clerk cache: what clerks kept was built from the old templates.
    void changeParmTemplate(PRM_Template *tmpl) override;
    /// Replaces `value`, a node pattern, by the list of the nodes it selects.
    void resolveParmBundle(const char *name, int component, UT_String &value, OP_Network *creator,
                           const char *filter, bool fullPath);
    /// The shader node wired to an input and the output of it that feeds the input, or null.
    SHOP_Node *getFullInput(int index, int &outputIndex) const;
    bool renderMatch(const char *renderer) const;
    bool renderMatch(const SHOP_Clerk &clerk) const;

    UT_ErrorSeverity cookMe(OP_Context &context) override;
    UT_ErrorSeverity bypassMe(OP_Context &context, int &copiedInput) override;
    void parentChanged(OP_Network *oldParent) override;

private:
    friend class SHOP_AutoBuilder;
    template <typename T>
    bool evalOverridden(const char *name, int component, float now, T &result,
                        const UT_Options *overrides, bool markCooking);
    static SHOP_Node *shopParent(OP_Network *network);
    /// Adds (sign 1) or removes (-1) this node and everything below it to a network's counts.
    void bumpEnclosing(SHOP_Node *network, int sign);

    // Per shader type, the nodes of it below this one; made with the first (most shader
    // nodes hold none).
    std::unique_ptr<int[]> myContainedTypes;
    // One text for every node of the same mask: most nodes keep their operator's.
    std::shared_ptr<const std::string> myRenderMask;
    using shop_ClerkCache =
        std::unordered_map<SHOP_ClerkCacheHash, std::unique_ptr<SHOP_ClerkCacheEntry>,
                           SHOP_ClerkCacheHash::Hasher>;
    /// The viewport's state of the node, made when first set.
    struct shop_Viewport;
    shop_Viewport &viewport();

    // Both made on first use: most shader nodes never hold either, and a scene may hold a
    // hundred thousand nodes.
    std::unique_ptr<shop_ClerkCache> myClerkCache;
    std::unique_ptr<shop_Viewport> myViewport;
    OP_Node *myCallingObject = nullptr;
    OP_Node *myCallingSop = nullptr;
    SHOP_TYPE myShaderType;
};
