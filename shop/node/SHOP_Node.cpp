#include <shop/node/SHOP_Node.h>

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/clerk/SHOP_ClerkCacheEntry.h>
#include <shop/clerk/SHOP_ClerkRegistry.h>
#include <shop/node/SHOP_AutoBuilder.h>
#include <shop/node/SHOP_BuildCheck.h>
#include <shop/node/SHOP_OperatorInfo.h>
#include <shop/node/SHOP_Trace.h>
#include <shop/types/SHOP_TypeTable.h>

#include <OP/OP_NodePin.h>
#include <OP/OP_Operator.h>
#include <UT/UT_ErrorManager.h>
#include <UT/UT_Options.h>
#include <UT/UT_WorkBuffer.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace
{
const char *theErrorType = "SHOP";

// The texts of the "SHOP" codes; registered with the first shader node.
void shop_registerErrorTexts()
{
    static const bool theDone = []
    {
        UTsetErrorText(theErrorType, SHOP_ERR_INPUT_TYPES, "Inputs have different shader types");
        UTsetErrorText(theErrorType, SHOP_ERR_INDEX_RANGE, "%s");
        return true;
    }();
    (void)theDone;
}

enum
{
    SHOP_VAR_OBJ,
    SHOP_VAR_SOP,
};

const CH_LocalVariable theVariables[] = {
    {"OBJ", SHOP_VAR_OBJ, CH_VARIABLE_STRING},
    {"SOP", SHOP_VAR_SOP, CH_VARIABLE_STRING},
    {nullptr, 0, CH_VARIABLE_FLOAT},
};

const char *shop_maskOf(OP_Operator *op)
{
    const auto *info =
        op ? dynamic_cast<const SHOP_OperatorInfo *>(op->getOpSpecificData()) : nullptr;
    return info ? info->getRenderMask() : "*";
}

// The shared text of a render mask: a scene of many shaders of a few types holds a few.
std::shared_ptr<const std::string> shop_sharedMask(const char *mask)
{
    static std::mutex theLock;
    static std::unordered_map<std::string, std::weak_ptr<const std::string>> theMasks;
    const std::string text = mask ? mask : "";
    std::lock_guard<std::mutex> lock(theLock);
    std::weak_ptr<const std::string> &entry = theMasks[text];
    std::shared_ptr<const std::string> shared = entry.lock();
    if (!shared)
    {
        // Masks no node holds any more are dropped now and then.
        if (theMasks.size() > 64)
            std::erase_if(theMasks, [](const auto &e) { return e.second.expired(); });
        shared = std::make_shared<const std::string>(text);
        theMasks[text] = shared;
    }
    return shared;
}
} // namespace

void SHOP_Node::setRenderMask(const char *mask)
{
    myRenderMask = shop_sharedMask(mask);
}

struct SHOP_Node::shop_Viewport
{
    int textureCount = 0;
    int scriptCacheState = -1;
    UT_String vertexSource;
    UT_String fragmentSource;
    UT_String iconFilename;
    SHOP_IconImage iconImage;
    bool iconAllowRegenerate = true;
};

const CH_LocalVariable *SHOP_Node::getVariables()
{
    return theVariables;
}

SHOP_Node::SHOP_Node(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type)
    : OP_Network(parent, name, op), myRenderMask(shop_sharedMask(shop_maskOf(op))),
      myShaderType(type)
{
    shop_registerErrorTexts();
    if (SHOP_Node *shop = shopParent(parent))
        shop->bumpContainedType(myShaderType, 1);
}

// The node takes its whole contents out of the networks above it here; what lies inside it
// goes with it, so those nodes have nothing to take out (and skipping it spares a walk to the
// top per node when a deep tree goes).
SHOP_Node::~SHOP_Node()
{
    if (!getParent() || !getParent()->isBeingDestroyed())
        bumpEnclosing(shopParent(getParent()), -1);
    destroyCache();
}

void SHOP_Node::bumpEnclosing(SHOP_Node *network, int sign)
{
    if (!network)
        return;
    for (int t = 0; t < SHOP_MAX_TYPES; ++t)
    {
        const int count =
            (myContainedTypes ? myContainedTypes[t] : 0) + (t == myShaderType ? 1 : 0);
        if (count != 0)
            network->bumpContainedType(static_cast<SHOP_TYPE>(t), sign * count);
    }
}

SHOP_Node *SHOP_Node::shopParent(OP_Network *network)
{
    return network ? network->castToSHOPNode() : nullptr;
}

// Types below this node ---------------------------------------------------------------------

bool SHOP_Node::containsShopType(SHOP_TYPE type) const
{
    return type >= 0 && type < SHOP_MAX_TYPES && myContainedTypes && myContainedTypes[type] > 0;
}

void SHOP_Node::bumpContainedType(SHOP_TYPE type, int delta)
{
    if (type < 0 || type >= SHOP_MAX_TYPES)
        return;
    for (SHOP_Node *node = this; node; node = shopParent(node->getParent()))
    {
        if (!node->myContainedTypes)
            node->myContainedTypes = std::make_unique<int[]>(SHOP_MAX_TYPES);
        node->myContainedTypes[type] += delta;
    }
}

void SHOP_Node::setShaderType(SHOP_TYPE type)
{
    if (type == myShaderType)
        return;
    if (SHOP_Node *shop = shopParent(getParent()))
    {
        shop->bumpContainedType(type, 1);
        shop->bumpContainedType(myShaderType, -1);
    }
    myShaderType = type;
}

// A move takes the node and everything below it out of the old enclosing shader networks and
// into the new ones.
void SHOP_Node::parentChanged(OP_Network *oldParent)
{
    bumpEnclosing(shopParent(oldParent), -1);
    bumpEnclosing(shopParent(getParent()), 1);
}

// Inputs, outputs and names ---------------------------------------------------------------------

bool SHOP_Node::isInputVisible(int index) const
{
    return index >= 0 && index < static_cast<int>(maxInputs());
}

bool SHOP_Node::isOutputVisible(int index) const
{
    return index >= 0 && index < static_cast<int>(maxOutputs());
}

void SHOP_Node::getInputName(UT_String &name, int index) const
{
    const SHOP_TYPE type = getInputType(index);
    if (type != SHOP_UNDEFINED)
    {
        const char *label = getShaderLabel(type);
        name.harden(label ? label : "");
    }
    else
        name.harden(("Input " + std::to_string(index)).c_str());
}

void SHOP_Node::getOutputName(UT_String &name, int index) const
{
    const char *label = getShaderLabel(getOutputType(index));
    name.harden(label ? label : "");
}

SHOP_TYPE SHOP_Node::getOutputType(int index) const
{
    return index == 0 ? getShaderType() : SHOP_UNDEFINED;
}

const char *SHOP_Node::getShaderName(bool) const
{
    return getOperator()->getName().c_str();
}

SHOP_Node *SHOP_Node::getFullInput(int index, int &outputIndex) const
{
    if (index < 0)
        return nullptr;
    OP_Node *input = getInput(static_cast<unsigned>(index));
    SHOP_Node *shop = input ? input->castToSHOPNode() : nullptr;
    if (!shop)
        return nullptr;
    outputIndex = getInputOutputIndex(static_cast<unsigned>(index));
    return shop;
}

bool SHOP_Node::getVariableString(int index, UT_String &value, int thread)
{
    switch (index)
    {
    case SHOP_VAR_OBJ:
        value = myCallingObject ? myCallingObject->getFullPath() : std::string();
        return true;
    case SHOP_VAR_SOP:
        value = myCallingSop ? myCallingSop->getFullPath() : std::string();
        return true;
    default:
        return OP_Network::getVariableString(index, value, thread);
    }
}

void SHOP_Node::getNodeSpecificInfoText(OP_Context &context, int verbose, UT_WorkBuffer &text)
{
    OP_Network::getNodeSpecificInfoText(context, verbose, text);
    text.append("\nShader type: ");
    text.append(getShaderType(getShaderType()));
    text.append("\nRender mask: ");
    text.append(getRenderMask());
}

SHOP_Node::shop_Viewport &SHOP_Node::viewport()
{
    if (!myViewport)
        myViewport = std::make_unique<shop_Viewport>();
    return *myViewport;
}

int SHOP_Node::getOGLTextureCount() const
{
    return myViewport ? myViewport->textureCount : 0;
}

void SHOP_Node::bumpOGLTextureCount(int delta)
{
    viewport().textureCount += delta;
}

int SHOP_Node::getOGLScriptCacheState() const
{
    return myViewport ? myViewport->scriptCacheState : -1;
}

void SHOP_Node::setOGLScriptCache(int state, const char *vertex, const char *fragment)
{
    shop_Viewport &view = viewport();
    view.scriptCacheState = state;
    view.vertexSource.harden(vertex);
    view.fragmentSource.harden(fragment);
}

const char *SHOP_Node::getOGLVtxSource() const
{
    return myViewport ? myViewport->vertexSource.c_str() : "";
}

const char *SHOP_Node::getOGLFragSource() const
{
    return myViewport ? myViewport->fragmentSource.c_str() : "";
}

UT_String &SHOP_Node::getMaterialIconFilename()
{
    return viewport().iconFilename;
}

void SHOP_Node::setMaterialIconFilename(const char *file)
{
    viewport().iconFilename.harden(file);
}

SHOP_IconImage &SHOP_Node::getMaterialIconImage()
{
    return viewport().iconImage;
}

bool SHOP_Node::getMaterialIconAllowRegenerateFlag() const
{
    return myViewport ? myViewport->iconAllowRegenerate : true;
}

void SHOP_Node::setMaterialIconAllowRegenerateFlag(bool allow)
{
    viewport().iconAllowRegenerate = allow;
}

// Errors --------------------------------------------------------------------------------------

void SHOP_Node::addError(int code, const char *message)
{
    UTaddError(theErrorType, code, message);
}

void SHOP_Node::addMessage(SHOP_ErrorCode code, const char *message)
{
    UTaddMessage(theErrorType, code, message);
}

void SHOP_Node::addWarning(SHOP_ErrorCode code, const char *message)
{
    UTaddWarning(theErrorType, code, message);
}

void SHOP_Node::addFatal(SHOP_ErrorCode code, const char *message)
{
    UTaddFatal(theErrorType, code, message);
}

void SHOP_Node::addSystemError(const char *message)
{
    UTaddSystemError(message);
}

void SHOP_Node::addCommonError(UT_CommonErrorCode code, const char *message)
{
    UTaddCommonError(code, message);
}

// Cooking -------------------------------------------------------------------------------------

UT_ErrorSeverity SHOP_Node::cookMe(OP_Context &)
{
    destroyCache();
    return error();
}

UT_ErrorSeverity SHOP_Node::bypassMe(OP_Context &context, int &copiedInput)
{
    if (getInput(0))
        copiedInput = 0;
    return cookMe(context);
}

// Resolution and builds -----------------------------------------------------------------------

SHOP_Node *SHOP_Node::findShader(SHOP_TYPE type, float, const UT_Options *overrides)
{
    if (getShaderType() != type)
    {
        SHOP_Trace::note(
            *this,
            [&] { return std::string("is no ") + SHOP_Trace::typeLabel(type) + ": no answer"; });
        return nullptr;
    }
    // "*" (or nothing) names any renderer, as it does for the choice of clerk; a mask need
    // not list "*" to serve such a request.
    std::string renderer;
    if (overrides && overrides->importOption("rendertype", renderer) && !renderer.empty() &&
        renderer != "*" && !renderMatch(renderer.c_str()))
    {
        SHOP_Trace::note(*this, [&]
                         { return "render mask \"" + *myRenderMask + "\" rejects " + renderer; });
        return nullptr;
    }
    SHOP_Trace::note(*this,
                     [&] { return std::string("answers as the ") + SHOP_Trace::typeLabel(type); });
    return this;
}

int SHOP_Node::collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float,
                              const UT_Options *)
{
    if (getShaderType() == type)
        list.append(this);
    return list.entries();
}

bool SHOP_Node::buildShaderString(UT_String &result, float now, const UT_Options *overrides,
                                  OP_Node *obj, OP_Node *sop)
{
    SHOP_AutoBuilder builder(this, now, obj, sop, overrides, "VKorvit", true);
    SHOP_Clerk *clerk = builder.getClerk();
    SHOP_Trace::note(*this,
                     [&]
                     {
                         return clerk
                                    ? std::string("written by the clerk ") + clerk->getRenderName()
                                    : std::string("no clerk writes it");
                     });
    return clerk && clerk->buildShaderString(this, result, now, overrides);
}

bool SHOP_Node::buildShaderData(SHOP_ReData &data, float now, const UT_Options *overrides,
                                OP_Node *obj, OP_Node *sop)
{
    SHOP_AutoBuilder builder(this, now, obj, sop, overrides, "OGL", false);
    SHOP_Clerk *clerk = builder.getClerk();
    return clerk && clerk->buildShaderData(this, data, now, overrides);
}

bool SHOP_Node::buildShaderBounds(UT_BoundingBox &box, float now, const UT_Options *overrides,
                                  OP_Node *obj, OP_Node *sop)
{
    SHOP_AutoBuilder builder(this, now, obj, sop, overrides, "VKorvit", false);
    SHOP_Clerk *clerk = builder.getClerk();
    const int known = getErrorManager().getNumErrors();
    if (!clerk || !clerk->buildShaderBounds(this, box, now, overrides))
        return false;
    // Bounds read from values that failed to evaluate (they read as 0) are no bounds.
    const std::vector<UT_Error> &errors = getErrorManager().getErrors();
    for (size_t i = static_cast<size_t>(known); i < errors.size(); ++i)
        if (errors[i].getSeverity() >= UT_ERROR_ABORT)
            return false;
    const char *const theCorners[] = {"xmin", "ymin", "zmin", "xmax", "ymax", "zmax"};
    const float corners[] = {box.xmin(), box.ymin(), box.zmin(),
                             box.xmax(), box.ymax(), box.zmax()};
    for (int i = 0; i < 6; ++i)
        if (!SHOP_BuildCheck::finite(*this, (std::string("bounds ") + theCorners[i]).c_str(),
                                     corners[i]))
            return false;
    return true;
}

bool SHOP_Node::getBoundingBox(UT_BoundingBox &box, OP_Context &context, const char *)
{
    if (getShaderType() != SHOP_GEOMETRY)
        return false;
    // Clerks may run scripts while the list is walked on this node.
    OP_NodePin pin(this, OP_USE_BUILD);
    for (SHOP_Clerk *clerk : getClerkList(getShaderType()))
        if (renderMatch(*clerk) && clerk->getBoundingBox(box, *this, context))
            return true;
    return false;
}

// Clerks of this node -------------------------------------------------------------------------

bool SHOP_Node::renderMatch(const char *renderer) const
{
    return SHOP_OperatorInfo::maskMatches(renderer, myRenderMask->c_str());
}

bool SHOP_Node::renderMatch(const SHOP_Clerk &clerk) const
{
    return renderMatch(clerk.getRenderName());
}

SHOP_Clerk *SHOP_Node::getClerk(const char *renderName)
{
    if (!renderName || !renderMatch(renderName))
        return nullptr;
    const UT_PtrArray<SHOP_Clerk *> &clerks = getClerkList(myShaderType);
    for (int i = clerks.entries() - 1; i >= 0; --i)
        if (std::strcmp(clerks(i)->getRenderName(), renderName) == 0)
            return clerks(i);
    return nullptr;
}

SHOP_Clerk *SHOP_Node::getAnyClerk(bool stringOnly)
{
    for (SHOP_Clerk *clerk : getClerkList(getShaderType()))
        if (renderMatch(*clerk) && (!stringOnly || clerk->generatesString()))
            return clerk;
    return nullptr;
}

SHOP_ClerkCacheEntry *SHOP_Node::getClerkData(const SHOP_Clerk *clerk)
{
    if (!myClerkCache)
        return nullptr;
    auto it = myClerkCache->find(SHOP_ClerkCacheHash(clerk, this, myCallingObject, myCallingSop));
    return it == myClerkCache->end() ? nullptr : it->second.get();
}

void SHOP_Node::addClerkData(const SHOP_Clerk *clerk, SHOP_ClerkCacheEntry *entry)
{
    if (!myClerkCache)
        myClerkCache = std::make_unique<shop_ClerkCache>();
    (*myClerkCache)[SHOP_ClerkCacheHash(clerk, this, myCallingObject, myCallingSop)].reset(entry);
}

void SHOP_Node::destroyClerkData(const SHOP_Clerk *clerk)
{
    if (myClerkCache)
        myClerkCache->erase(SHOP_ClerkCacheHash(clerk, this, myCallingObject, myCallingSop));
}

void SHOP_Node::destroyCache()
{
    if (myClerkCache)
        myClerkCache->clear();
}
