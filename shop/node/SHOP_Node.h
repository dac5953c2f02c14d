#pragma once

#include <shop/clerk/SHOP_ClerkCacheHash.h>
#include <shop/types/SHOP_Type.h>

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
    /// The operator-type identity of shader nodes.
    static constexpr int theOpTypeID = 7;
    static constexpr const char *theOpTypeName = "SHOP";

    ~SHOP_Node() override;

    SHOP_Node *castToSHOPNode() override { return this; }

    // The shader type table -----------------------------------------------------------------
    static const char *getShaderType(SHOP_TYPE type);
    static const char *getShaderLabel(SHOP_TYPE type);
    static const char *getIconName(SHOP_TYPE type);
    static const char *getBundleFilter(SHOP_TYPE type);
    static const char *getShaderParmPath(SHOP_TYPE type);
    static const char *getShaderSpaceParm(SHOP_TYPE type);
    static SHOP_TYPE getShaderType(const char *name);
    static SHOP_TYPE getTypeFromParm(const char *parm);
    static SHOP_TYPE getTypeFromSpaceParm(const char *parm);

    // The clerk registry ----------------------------------------------------------------------
    static bool addShaderClerk(SHOP_TYPE type, SHOP_Clerk *clerk);
    static UT_PtrArray<SHOP_Clerk *> &getClerkList(SHOP_TYPE type);

    // Own virtual operations -------------------------------------------------------------------
    virtual SHOP_TYPE getShaderType() const { return myShaderType; }
    /// The range [first, last) of the node's shader parameters in its templates.
    virtual int getFirstParameter() const { return 0; }
    virtual int getLastParameter() const { return -1; }
    /// The node that supplies a shader of `type` for this request, or null.
    virtual SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides);
    /// Appends the nodes supplying shaders of `type`; the list's length afterwards.
    virtual int collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float now,
                               const UT_Options *overrides);
    virtual int getInputTileLOD() const { return 2; }
    virtual int getOutputTileLOD() const { return 2; }
    virtual bool isInputVisible(int index) const;
    virtual bool isOutputVisible(int index) const;
    /// Bounds of a geometry shader, from the first clerk the render mask accepts that has any.
    virtual bool getBoundingBox(UT_BoundingBox &box, OP_Context &context, const char *renderer);
    using OP_Node::getBoundingBox;
    virtual SHOP_Node *getOutputNode() const { return nullptr; }
    /// "Input N", or the label of the input's shader type when it has one.
    virtual void getInputName(UT_String &name, int index) const;
    virtual SHOP_TYPE getInputType(int) const { return SHOP_UNDEFINED; }
    virtual void getOutputName(UT_String &name, int index) const;
    virtual SHOP_TYPE getOutputType(int index) const;
    /// The name the shader is called by in shader strings: the operator's name.
    virtual const char *getShaderName(bool forVex) const;
    /// Build entry points: pick the clerk for the request's renderer and let it write.
    virtual bool buildShaderString(UT_String &result, float now, const UT_Options *overrides,
                                   OP_Node *obj, OP_Node *sop);
    virtual bool buildShaderData(SHOP_ReData &data, float now, const UT_Options *overrides,
                                 OP_Node *obj, OP_Node *sop);
    virtual bool buildShaderBounds(UT_BoundingBox &box, float now, const UT_Options *overrides,
                                   OP_Node *obj, OP_Node *sop);

    // Parameters with overrides (SHOP_NodeParms.cpp) -------------------------------------------
    /// One component of a parameter (or property) by name, taken from the overrides when they
    /// hold it under the component's key; false, result untouched, when there is no such
    /// parameter. With `markCooking`, later changes of a parameter of this node cook it.
    bool evalShopParameter(const char *name, int component, float now, int &result,
                           const UT_Options *overrides, bool markCooking);
    bool evalShopParameter(const char *name, int component, float now, float &result,
                           const UT_Options *overrides, bool markCooking);
    bool evalShopParameter(const char *name, int component, float now, UT_String &result,
                           const UT_Options *overrides, bool markCooking);
    /// A string parameter as a renderer needs it: an embedded CVEX shader string, a node list,
    /// a world matrix, or the plain value; `quote` tells whether to write it protected.
    void evalStringParm(UT_String &result, const char *name, int component, float now,
                        PRM_Template *tmpl, bool &quote, const char *renderer, int precision);
    /// Whether the parameter holds its factory default at that time and is not overridden.
    static bool isParmDefaultValue(OP_Node *node, PRM_Parm *parm, float now,
                                   const UT_Options *overrides);
    static bool isParmDefaultValue(OP_Node *node, const char *name, float now,
                                   const UT_Options *overrides);
    /// Replaces the contents of `options` by the dictionary that `text`, evaluated as a Python
    /// expression, gives; false (options unchanged) for anything but a dictionary or an error.
    static bool convertStringToOptions(UT_Options &options, const char *text);
    /// The node (by unique id) and parameter index that a parameter or property name finds.
    bool findPropertiesParameter(const char *name, float now, int &nodeId, int &parmIndex);

    // Host operations ---------------------------------------------------------------------------
    bool getVariableString(int index, UT_String &value, int thread) override;
    /// The host's node info, then the shader type and the render mask, so that a user can see
    /// which renderers the node serves.
    void getNodeSpecificInfoText(OP_Context &context, int verbose, UT_WorkBuffer &text) override;
    int getOpTypeID() const override { return theOpTypeID; }
    const char *getOpType() const override { return theOpTypeName; }
    int getDataClass() const override { return getShaderType(); }
    int getCookedDataType() const override { return 0; }
    void deleteCookedData() override {}
    int saveCookedData(const char *, OP_Context &) override { return 1; }
    int saveCookedData(std::ostream &, OP_Context &, int) override { return 1; }
    void saveDialogScriptExtraInfo(std::ostream &) override {}
    const char *getFileExtension(int binary) const override { return binary ? "bshop" : "shop"; }
    bool cookedDataUsesAllParameters() const override { return true; }
    bool cookedDataNeedsErrors() const override { return true; }
    const char *getChildType() const override { return theOpTypeName; }
    int getChildTypeID() const override { return theOpTypeID; }
    int getW() const override { return getNodeButtonWidth() + 4 * getFlagWidth(); }
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
    bool createSpareParametersFromChannels(UT_BitArray &selected,
                                           const UT_PtrArray<CH_Channel *> &channels) override;

    // Node fields -------------------------------------------------------------------------------
    const char *getRenderMask() const { return myRenderMask.c_str(); }
    OP_Node *getCallingOBJ() const { return myCallingObject; }
    void setCallingOBJ(OP_Node *node) { myCallingObject = node; }
    OP_Node *getCallingSOP() const { return myCallingSop; }
    void setCallingSOP(OP_Node *node) { myCallingSop = node; }
    /// Whether a shader node of `type` lies anywhere below this node.
    bool containsShopType(SHOP_TYPE type) const;
    /// Adds `delta` to the count of `type` here and in every enclosing shader node.
    void bumpContainedType(SHOP_TYPE type, int delta);

    int getOGLTextureCount() const;
    void bumpOGLTextureCount(int delta);
    int getOGLScriptCacheState() const;
    void setOGLScriptCache(int state, const char *vertex, const char *fragment);
    const char *getOGLVtxSource() const;
    const char *getOGLFragSource() const;

    UT_String &getMaterialIconFilename();
    void setMaterialIconFilename(const char *file);
    SHOP_IconImage &getMaterialIconImage();
    bool getMaterialIconAllowRegenerateFlag() const;
    void setMaterialIconAllowRegenerateFlag(bool allow);

    // Errors under the "SHOP" type, on the current error list -----------------------------------
    void addError(int code, const char *message = nullptr);
    void addMessage(SHOP_ErrorCode code, const char *message = nullptr);
    void addWarning(SHOP_ErrorCode code, const char *message = nullptr);
    void addFatal(SHOP_ErrorCode code, const char *message = nullptr);
    void addSystemError(const char *message = nullptr);
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
    void destroyClerkData(const SHOP_Clerk *clerk);
    void destroyCache();
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
    void setRenderMask(const char *mask) { myRenderMask.harden(mask); }
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
    UT_String myRenderMask;
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
