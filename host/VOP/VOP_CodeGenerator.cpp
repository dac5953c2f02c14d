#include <VOP/VOP_CodeGenerator.h>

#include <OP/OP_Director.h>
#include <OP/OP_Network.h>
#include <OP/OP_OperatorFilter.h>
#include <UT/UT_WorkBuffer.h>
#include <VOP/VOP_Graph.h>

#include <cstring>

namespace
{
constexpr const char *theErrorType = "VOP";
constexpr int theCompileError = 1;

enum
{
    VOP_VAR_LANGUAGE = VOP_CodeGenerator::theFirstVariable,
    VOP_VAR_CONTEXT,
};

struct vop_ContextNumber
{
    int number;
    VOP_ContextKind kind;
};

// The context numbers the owner's operator gives, per language.
constexpr vop_ContextNumber theVexNumbers[] = {
    {1, VOP_CONTEXT_SURFACE},       {2, VOP_CONTEXT_DISPLACEMENT}, {4, VOP_CONTEXT_LIGHT},
    {8, VOP_CONTEXT_SHADOW},        {16, VOP_CONTEXT_FOG},         {32, VOP_CONTEXT_PHOTON},
    {0x10000, VOP_CONTEXT_IMAGE3D}, {0x20000, VOP_CONTEXT_CVEX},
};
constexpr vop_ContextNumber theRslNumbers[] = {
    {1, VOP_CONTEXT_SURFACE},
    {2, VOP_CONTEXT_DISPLACEMENT},
    {4, VOP_CONTEXT_LIGHT},
    {8, VOP_CONTEXT_FOG},
};

template <size_t N>
VOP_ContextKind vop_kindOf(const vop_ContextNumber (&table)[N], int number)
{
    for (const vop_ContextNumber &row : table)
        if (row.number == number)
            return row.kind;
    return static_cast<VOP_ContextKind>(0);
}

PRM_Template vop_spareTemplate(const VOP_ShaderParm &parm)
{
    const PRM_Name name(parm.name.c_str(), parm.label.c_str());
    const std::vector<PRM_Default> triple = {PRM_Default(parm.defaults[0]),
                                             PRM_Default(parm.defaults[1]),
                                             PRM_Default(parm.defaults[2])};
    switch (parm.type)
    {
    case VOP_TYPE_VECTOR:
        return PRM_Template(PRM_XYZ, 3, name, triple);
    case VOP_TYPE_COLOR:
        return PRM_Template(PRM_RGB, 3, name, triple);
    case VOP_TYPE_STRING:
        return PRM_Template(PRM_STRING, 1, name, {PRM_Default(0, parm.stringDefault.c_str())});
    default:
        return PRM_Template(PRM_FLT, 1, name, {PRM_Default(parm.defaults[0])});
    }
}

bool vop_sameTemplate(const PRM_Template &a, const PRM_Template &b)
{
    if (!(a.getType() == b.getType()) || a.getVectorSize() != b.getVectorSize() ||
        std::strcmp(a.getLabel(), b.getLabel()) != 0)
        return false;
    for (int c = 0; c < a.getVectorSize(); ++c)
    {
        const PRM_Default *da = a.getDefault(c);
        const PRM_Default *db = b.getDefault(c);
        const double fa = da ? da->getFloat() : 0;
        const double fb = db ? db->getFloat() : 0;
        const char *sa = da && da->getString() ? da->getString() : "";
        const char *sb = db && db->getString() ? db->getString() : "";
        if (fa != fb || std::strcmp(sa, sb) != 0)
            return false;
    }
    return true;
}

void vop_registerErrorText()
{
    static const bool theDone = []
    {
        UTsetErrorText(theErrorType, theCompileError, "%s");
        return true;
    }();
    (void)theDone;
}
} // namespace

class VOP_CodeGenerator::vop_ContextFilter : public OP_OperatorFilter
{
public:
    explicit vop_ContextFilter(const VOP_CodeGenerator &generator) : myGenerator(generator) {}
    bool allowOperatorAsChild(OP_Operator *op) override
    {
        const auto *vop = dynamic_cast<const VOP_Operator *>(op);
        const unsigned context = myGenerator.getContext();
        return vop && (context == 0 || (vop->getContexts() & context) != 0);
    }

private:
    const VOP_CodeGenerator &myGenerator;
};

const char *const VOP_CodeGenerator::theVopCompilerName = "vop_compiler";
const std::shared_ptr<PRM_ChoiceList> VOP_CodeGenerator::theVopCompilerChoices =
    std::make_shared<PRM_ChoiceList>(
        std::vector<PRM_ChoiceList::Item>{{"vex", "VEX"}, {"rsl", "RenderMan Shading Language"}});
const char *const VOP_CodeGenerator::theVopCompilerVexDefault = "vex";
const char *const VOP_CodeGenerator::theVopCompilerRslDefault = "rsl";
const char *const VOP_CodeGenerator::theVopForceCompileName = "vop_forcecompile";
const CH_LocalVariable VOP_CodeGenerator::theLocalVariables[] = {
    {"OBJ", 0, CH_VARIABLE_STRING},
    {"SOP", 1, CH_VARIABLE_STRING},
    {"VOP_LANGUAGE", VOP_VAR_LANGUAGE, CH_VARIABLE_STRING},
    {"VOP_CONTEXT", VOP_VAR_CONTEXT, CH_VARIABLE_STRING},
    {nullptr, 0, CH_VARIABLE_FLOAT},
};

VOP_CodeGenerator::VOP_CodeGenerator(OP_Network *owner, int vexContext, int rslContext, int, int)
    : myOwner(owner), myVexContext(vop_kindOf(theVexNumbers, vexContext)),
      myRslContext(vop_kindOf(theRslNumbers, rslContext)),
      myFilter(std::make_unique<vop_ContextFilter>(*this))
{
    vop_registerErrorText();
}

VOP_CodeGenerator::~VOP_CodeGenerator() = default;

void *VOP_CodeGenerator::childChangeMark()
{
    static char theMark;
    return &theMark;
}

int VOP_CodeGenerator::forceCompile(void *data, int, float, const PRM_Template *)
{
    auto *owner = static_cast<OP_Node *>(data);
    VOP_CodeGenerator *generator = owner ? owner->getVopCodeGenerator() : nullptr;
    if (!generator)
        return 0;
    generator->myDirty = true;
    generator->update();
    return 1;
}

VOP_Language VOP_CodeGenerator::getLanguage() const
{
    if (!myVexContext || !myRslContext)
        return myRslContext ? VOP_LANGUAGE_RSL : VOP_LANGUAGE_VEX;
    UT_String compiler;
    myOwner->evalString(compiler, theVopCompilerName, 0, 0.0f);
    return compiler == theVopCompilerRslDefault ? VOP_LANGUAGE_RSL : VOP_LANGUAGE_VEX;
}

unsigned VOP_CodeGenerator::getContext() const
{
    return getLanguage() == VOP_LANGUAGE_RSL ? myRslContext : myVexContext;
}

bool VOP_CodeGenerator::ownerGone() const
{
    return !myOwner || myOwner->isBeingDestroyed();
}

void VOP_CodeGenerator::ownerChanged(OP_EventType reason, void *data)
{
    // What the generator itself changes on the owner (its spare parameters) is no news.
    if (myUpdating || ownerGone())
        return;
    switch (reason)
    {
    case OP_PARM_CHANGED:
    {
        // Parameter values reach renderers through the shader string, not the code; only the
        // compiler choice and the force-compile button concern the code.
        const PRM_Parm *parm =
            myOwner->getParmList()->getParmPtr(static_cast<int>(reinterpret_cast<intptr_t>(data)));
        if (!parm)
            return;
        if (std::strcmp(parm->getToken(), theVopForceCompileName) == 0)
        {
            forceCompile(myOwner, 0, 0.0f, parm->getTemplatePtr());
            return;
        }
        if (std::strcmp(parm->getToken(), theVopCompilerName) != 0)
            return;
        break;
    }
    case OP_CHILD_CHANGED:
        if (data != childChangeMark())
            return;
        break;
    case OP_CHILD_CREATED:
    case OP_CHILD_DELETED:
    case OP_NAME_CHANGED:
    case OP_SPAREPARM_MODIFIED:
        break;
    default:
        return;
    }
    myDirty = true;
    update();
}

void VOP_CodeGenerator::ownerFinishedLoadingNetwork()
{
    myDirty = true;
    update();
}

void VOP_CodeGenerator::beforeAddNode(OP_Node *) {}

void VOP_CodeGenerator::afterAddNode(OP_Node *)
{
    // The network tells of the new child next; the code is written once, then.
    myDirty = true;
}

void VOP_CodeGenerator::update()
{
    if (myUpdating || ownerGone() || OPgetDirector()->isLoading())
        return;
    myUpdating = true;
    ++myGenerations;
    myDirty = false;
    myErrors.clearAndDestroyErrors();
    mySource.clear();
    const unsigned context = getContext();
    if (!context)
        myErrors.addError(
            UT_Error(theErrorType, theCompileError, UT_ERROR_ABORT,
                     myOwner->getFullPath() + ": no VEX or RSL context serves its renderers"));
    else
    {
        const VOP_CodeWriter writer(getLanguage(), static_cast<VOP_ContextKind>(context),
                                    myOwner->getName(), myOwner->getFullPath());
        VOP_Code code = writer.write(VOP_Graph::fromNetwork(*myOwner));
        for (const std::string &error : code.errors)
            myErrors.addError(UT_Error(theErrorType, theCompileError, UT_ERROR_ABORT, error));
        mySource = std::move(code.source);
        syncSpareParms(code.parms);
    }
    myUpdating = false;
}

void VOP_CodeGenerator::syncSpareParms(const std::vector<VOP_ShaderParm> &parms)
{
    bool changed = false;
    std::set<std::string> wanted;
    for (const VOP_ShaderParm &parm : parms)
        wanted.insert(parm.name);
    for (const std::string &name : mySpareNames)
        if (!wanted.count(name))
            changed = myOwner->removeSpareParm(name.c_str()) || changed;
    mySpareNames.clear();
    for (const VOP_ShaderParm &parm : parms)
    {
        const PRM_Template tmpl = vop_spareTemplate(parm);
        // What the user set on a parameter whose template changes (not its old defaults).
        std::vector<std::pair<bool, std::string>> kept; // expression?, text
        if (PRM_Parm *existing = myOwner->getParmPtr(parm.name.c_str()))
        {
            if (!existing->isSpareParm())
            {
                myErrors.addError(UT_Error(theErrorType, theCompileError, UT_ERROR_ABORT,
                                           myOwner->getFullPath() + ": the parameter '" +
                                               parm.name + "' is one of the node's own"));
                continue;
            }
            mySpareNames.insert(parm.name);
            if (vop_sameTemplate(*existing->getTemplatePtr(), tmpl))
                continue;
            if (existing->getTemplatePtr()->getType() == tmpl.getType())
                for (int c = 0; c < existing->getVectorSize(); ++c)
                    kept.emplace_back(existing->isExpression(c), existing->isFactoryDefault(c)
                                                                     ? std::string()
                                                                     : existing->getValueText(c));
            myOwner->removeSpareParm(parm.name.c_str());
        }
        std::string error;
        if (!myOwner->addSpareParm(tmpl, error))
        {
            myErrors.addError(UT_Error(theErrorType, theCompileError, UT_ERROR_ABORT,
                                       myOwner->getFullPath() + ": " + error));
            continue;
        }
        changed = true;
        mySpareNames.insert(parm.name);
        PRM_Parm *added = myOwner->getParmPtr(parm.name.c_str());
        for (size_t c = 0; added && c < kept.size(); ++c)
        {
            const auto &[expression, text] = kept[c];
            if (expression)
                added->setExpression(static_cast<int>(c), text.c_str(), error);
            else if (!text.empty())
                added->setValueFromText(static_cast<int>(c), text.c_str(), error);
        }
    }
    if (changed)
        myOwner->opChanged(OP_SPAREPARM_MODIFIED);
}

const std::string &VOP_CodeGenerator::getSource()
{
    if (myDirty)
        update();
    return mySource;
}

UT_ErrorManager &VOP_CodeGenerator::getErrorManager()
{
    if (myDirty)
        update();
    return myErrors;
}

void VOP_CodeGenerator::appendCompileErrors(UT_WorkBuffer &text, int, bool)
{
    const UT_ErrorManager &errors = getErrorManager();
    if (errors.getNumErrors() == 0)
        return;
    text.append("\nCompile errors:");
    for (const UT_Error &error : errors.getErrors())
    {
        text.append("\n  ");
        text.append(error.getMessage());
    }
}

bool VOP_CodeGenerator::getVariableString(int index, UT_String &value)
{
    switch (index)
    {
    case VOP_VAR_LANGUAGE:
        value = getLanguage() == VOP_LANGUAGE_RSL ? "rsl" : "vex";
        return true;
    case VOP_VAR_CONTEXT:
        value = getContext() ? VOP_CodeWriter::contextName(
                                   getLanguage(), static_cast<VOP_ContextKind>(getContext()))
                             : "";
        return true;
    default:
        return false;
    }
}

OP_OperatorFilter *VOP_CodeGenerator::getOperatorFilter()
{
    return myFilter.get();
}
