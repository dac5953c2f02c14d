#pragma once

#include <CH/CH_LocalVariable.h>
#include <OP/OP_Node.h>
#include <PRM/PRM_ChoiceList.h>
#include <UT/UT_ErrorManager.h>
#include <VOP/VOP_CodeWriter.h>

#include <memory>
#include <set>
#include <string>

class OP_Network;
class OP_OperatorFilter;
class PRM_Template;
class UT_String;
class UT_WorkBuffer;

/// The code generator of a node whose shader is a network of VOP nodes (its owner). It writes
/// the network as VEX or RSL source for the owner's shading context, keeps a spare parameter
/// on the owner for every parameter node, and holds the errors of the last generation.
///
/// The owner forwards its events (changes, additions of children, the end of a load); the
/// generator writes the code again only on those that can change it, never when asked for it.
class VOP_CodeGenerator
{
public:
    /// The compiler parameter: its name, its menu and its default per language.
    static const char *const theVopCompilerName;
    static const std::shared_ptr<PRM_ChoiceList> theVopCompilerChoices;
    static const char *const theVopCompilerVexDefault;
    static const char *const theVopCompilerRslDefault;
    /// The button that writes the code again whatever changed.
    static const char *const theVopForceCompileName;
    /// The local variables of VOP network operators. Ids below theFirstVariable are left to
    /// the owner: $OBJ and $SOP, the object and geometry node the owner works for.
    static const CH_LocalVariable theLocalVariables[];
    static constexpr int theFirstVariable = 1000;

    /// The force-compile button's action: `data` is the owner node.
    static int forceCompile(void *data, int index, float time, const PRM_Template *tmpl);

    /// `vexContext` and `rslContext` are the owner's shading contexts in each language (0 for
    /// none); with both the owner's compiler parameter chooses. The last two are unused.
    VOP_CodeGenerator(OP_Network *owner, int vexContext, int rslContext, int, int);
    ~VOP_CodeGenerator();
    VOP_CodeGenerator(const VOP_CodeGenerator &) = delete;
    VOP_CodeGenerator &operator=(const VOP_CodeGenerator &) = delete;

    /// The data of the OP_CHILD_CHANGED event by which VOP nodes tell their network of their
    /// changes, once per change however many nodes it reaches. The host's own notice of the
    /// same change (data: the child) is left alone, so that one change writes the code once.
    static void *childChangeMark();

    // Events the owner forwards -------------------------------------------------------------
    void ownerChanged(OP_EventType reason, void *data);
    void ownerFinishedLoadingNetwork();
    void beforeAddNode(OP_Node *node);
    void afterAddNode(OP_Node *node);

    // Questions, answered from the last generation ------------------------------------------
    /// The generated source; empty while the network has errors.
    const std::string &getSource();
    /// The errors of the last generation, one per fault, each naming its node.
    UT_ErrorManager &getErrorManager();
    /// Appends the errors to a node's info text.
    void appendCompileErrors(UT_WorkBuffer &text, int verbose, bool html);
    /// $VOP_LANGUAGE and $VOP_CONTEXT; false for any other variable.
    bool getVariableString(int index, UT_String &value);
    /// Admits the VOP types that have a place in the owner's context.
    OP_OperatorFilter *getOperatorFilter();
    VOP_Language getLanguage() const;
    /// The context, or 0 when the owner has none.
    unsigned getContext() const;
    /// How many times the code has been written: for checking that questions do not write it.
    int getGenerationCount() const { return myGenerations; }

    /// Writes the code again now, unless the owner is being loaded or deleted.
    void update();

private:
    class vop_ContextFilter;
    void syncSpareParms(const std::vector<VOP_ShaderParm> &parms);
    bool ownerGone() const;

    OP_Network *myOwner;
    VOP_ContextKind myVexContext;
    VOP_ContextKind myRslContext;
    std::unique_ptr<vop_ContextFilter> myFilter;
    UT_ErrorManager myErrors;
    std::string mySource;
    std::set<std::string> mySpareNames; // the owner's spare parameters this generator made
    int myGenerations = 0;
    bool myDirty = true;
    bool myUpdating = false;
};
