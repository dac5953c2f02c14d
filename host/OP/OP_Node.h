#pragma once

#include <OP/OP_Context.h>
#include <OP/OP_NetworkBoxItem.h>
#include <OP/OP_Parameters.h>
#include <UT/UT_BoundingBox.h>
#include <UT/UT_ErrorManager.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

class OP_Bundle;
class OP_GalleryEntry;
class OP_Network;
class OP_Node;
class OP_Operator;
class UT_DMatrix4;
class UT_WorkBuffer;
class VOP_CodeGenerator;
class OBJ_Node;
class OP_PropertyLookupList;
class SOP_Node;
class SHOP_Node;

/// What changed about a node; handed to opChanged and to event handlers.
enum OP_EventType
{
    OP_NAME_CHANGED,
    OP_PARM_CHANGED,  ///< data: the parameter's index
    OP_INPUT_CHANGED, ///< data: the input's index (or -1 when an upstream node changed)
    OP_INPUT_REWIRED, ///< data: the input's index
    OP_FLAG_CHANGED,
    OP_CHILD_CREATED, ///< data: the child
    OP_CHILD_DELETED, ///< data: the child
    OP_CHILD_CHANGED, ///< data: the child
    OP_SPAREPARM_MODIFIED,
    OP_NODE_DELETED,
    OP_UI_CHANGED,      ///< how the node shows changed (its visible inputs or outputs)
    OP_OUTPUTS_CHANGED, ///< what a network's outputs carry changed (sent by its output node)
};

/// What a node is busy with while something pins it (OP_NodePin), most telling first.
enum OP_NodeUse
{
    OP_USE_BUILD,      ///< a shader, its bounds or its data are being built from it
    OP_USE_COOK,       ///< it is cooking
    OP_USE_EVALUATION, ///< one of its expressions is being evaluated
    OP_USE_REQUEST,    ///< a request (a resolution walk, a command) holds it
    OP_NODE_USES,
};

/// The host's own creation script for a new node; false when it failed.
using OP_CreateScriptRunner = bool (*)(OP_Node &node);

/// Interest of an extra input: why a node depends on another beyond its wired inputs.
enum OP_InterestType
{
    OP_INTEREST_PARM = 1,
    OP_INTEREST_DATA = 2,
    OP_INTEREST_NAME = 4,
    OP_INTEREST_EXPRESSION = 10,
};

/// A node: a named member of a network with parameters, wired inputs, an error list and a cook
/// that runs only when something it depends on changed.
class OP_Node : public OP_Parameters, public OP_NetworkBoxItem
{
public:
    using EventHandler = std::function<void(OP_Node &node, OP_EventType type, void *data)>;

    ~OP_Node() override;
    OP_Node(const OP_Node &) = delete;
    OP_Node &operator=(const OP_Node &) = delete;

    // Identity --------------------------------------------------------------------------------
    const std::string &getName() const { return myName; }
    /// The absolute path, "/" for the root.
    std::string getFullPath() const;
    /// The path of `other` relative to this node (as ch() and node paths read it).
    std::string getRelativePathTo(const OP_Node *other) const;
    OP_Network *getParent() const { return myParent; }
    /// The unique id, valid for the node's life; OP_Director::lookupNode finds the node by it.
    int getUniqueId() const { return myUniqueId; }
    virtual bool isNetwork() const { return false; }

    /// The context's type name ("OBJ", "SOP", "SHOP", ...) and number.
    virtual const char *getOpType() const { return ""; }
    virtual int getOpTypeID() const { return 0; }
    virtual int getDataClass() const { return 0; }
    virtual OBJ_Node *castToOBJNode() { return nullptr; }
    virtual SOP_Node *castToSOPNode() { return nullptr; }
    virtual SHOP_Node *castToSHOPNode() { return nullptr; }

    /// Finds a node by a path absolute or relative to this node ("..", "." and names).
    OP_Node *findNode(const char *path) const;

    // Inputs and outputs ----------------------------------------------------------------------
    virtual unsigned minInputs() const;
    virtual unsigned maxInputs() const;
    virtual unsigned maxOutputs() const;
    /// How many inputs and outputs the node shows, and how many of its inputs have a fixed
    /// meaning by position (the rest being a variable list).
    virtual unsigned getNumVisibleInputs() const { return maxInputs(); }
    virtual unsigned getNumVisibleOutputs() const { return maxOutputs(); }
    virtual unsigned orderedInputs() const { return maxInputs(); }
    /// The number of input slots in use: one past the last connected input.
    unsigned nInputs() const
    {
        unsigned n = static_cast<unsigned>(myInputs.size());
        while (n > 0 && !myInputs[n - 1].node)
            --n;
        return n;
    }
    OP_Node *getInput(unsigned index) const
    {
        return index < myInputs.size() ? myInputs[index].node : nullptr;
    }
    /// The output index of `src` that feeds the input.
    int getInputOutputIndex(unsigned index) const;
    /// Connects output `outputIndex` of `src` (null disconnects) to an input. Refused (false
    /// with `error`) for an index out of range, a node of another network, or a cycle.
    virtual bool setInput(unsigned index, OP_Node *src, unsigned outputIndex, std::string &error);
    bool setInput(unsigned index, OP_Node *src, unsigned outputIndex = 0);
    /// The number of wires that read this node (one per wired input), and each reader.
    unsigned nOutputs() const { return static_cast<unsigned>(myOutputs.size()); }
    OP_Node *getOutput(unsigned index) const;
    /// Drops connections beyond the inputs the node now allows.
    void ensureInputsAndOutputsAreValid();
    /// Marks an input as in use by this node's cook; its node must not be rewired or deleted
    /// meanwhile. Abort severity when nothing is connected there.
    UT_ErrorSeverity lockInput(unsigned index, OP_Context &context);
    void unlockInput(unsigned index);
    bool isInputLocked(unsigned index) const;
    /// Nodes with an input wired to this node, each once.
    std::vector<OP_Node *> getOutputNodes() const;
    /// Remembers that this node depends on `src` beyond its wires, so that changes of `src`
    /// make this node cook again.
    void addExtraInput(OP_Node *src, OP_InterestType interest);
    void removeExtraInputs();

    // Errors ----------------------------------------------------------------------------------
    /// The highest severity on the node's error list.
    UT_ErrorSeverity error() const { return myErrors.getSeverity(); }
    UT_ErrorManager &getErrorManager() { return myErrors; }
    const UT_ErrorManager &getErrorManager() const { return myErrors; }
    void clearErrors() { myErrors.clearAndDestroyErrors(); }

    // Cooking ---------------------------------------------------------------------------------
    /// Cooks the node when it changed since its last cook, or when it is time dependent and the
    /// time differs; returns the error severity. The node's error list is current meanwhile.
    UT_ErrorSeverity cook(OP_Context &context);
    bool isCookNeeded(const OP_Context &context) const;
    /// Whether the last cook used anything that depends on time.
    bool isTimeDependent() const { return myTimeDependent; }
    void setTimeDependent(bool on) { myTimeDependent = on; }
    int getCookCount() const { return myCookCount; }
    /// How many cooks are under way on this thread, one inside another.
    static int getCookDepth();
    bool isCooking() const { return myCooking; }

    bool getBypass() const { return myBypass; }
    void setBypass(bool on);

    // Change ----------------------------------------------------------------------------------
    /// Tells the node that something about it changed: it is marked to cook again, event
    /// handlers hear of it, and every node depending on it is told in turn.
    virtual void opChanged(OP_EventType reason, void *data = nullptr);
    /// While on (it nests), a node defers the work its changes set off; changes still mark it
    /// to cook.
    bool isBlockModify() const { return myBlockModify > 0; }
    void setBlockModify(bool on) { myBlockModify += on ? 1 : (myBlockModify > 0 ? -1 : 0); }
    /// After a cook: whether the node is time dependent also through its parameters
    /// (`doParms`), its wired inputs (`doInputs`) and its other dependencies (`doExtras`).
    virtual void checkTimeDependencies(int doParms = 1, int doInputs = 1, int doExtras = 1);
    /// Called once a scene file has been read, for every node, parents first.
    virtual void finishedLoadingNetwork() {}
    /// A count that grows with every change anywhere in the scene (every change a node is
    /// told of, spare parameters added or removed): what was worked out from the scene while
    /// it stood still holds as long as the count has not moved.
    static uint64_t getChangeCount() { return theChangeCount; }
    static void countChange() { ++theChangeCount; }
    /// Whether the node is being deleted (set before its children go).
    bool isBeingDestroyed() const { return myBeingDestroyed; }
    /// Returns a handle for removeEventHandler.
    int addEventHandler(EventHandler handler);
    void removeEventHandler(int handle);

    // Parameters (as the owner of a parameter list) ---------------------------------------------
    /// Evaluates an expression text in this node's surroundings, as if it were one of its
    /// parameters; false with `error` set when it does not parse or evaluate.
    bool evaluateExpression(const std::string &text, float time, EV_Value &value,
                            std::string &error);
    bool evaluateParmExpression(const PRM_Parm &parm, const EV_Expression &expr, float time,
                                int thread, EV_Value &value, bool &timeDependent) override;
    bool readReferencedNumber(const PRM_Parm &parm, const EV_Expression &expr, float time,
                              int thread, double &number) override;
    void parmChanged(PRM_Parm &parm, int component) override;
    bool getVariableString(int index, UT_String &value, int thread) override;
    /// Looks a parameter up by name for an evaluation; nodes that take properties from
    /// elsewhere extend it.
    virtual bool getParameterOrProperty(const char *name, float now, OP_Node *&node,
                                        PRM_Parm *&parm, PRM_ParmList *obsolete,
                                        bool createMissingMultiParms);
    virtual bool getParameterOrPropertyByChannel(const char *channel, float now, OP_Node *&node,
                                                 PRM_Parm *&parm, int &component,
                                                 PRM_ParmList *obsolete);
    /// Resolves the open entries of `list` as getParameterOrProperty would; returns how many
    /// entries are resolved in all.
    virtual int findParametersOrProperties(float now, OP_PropertyLookupList &list);
    /// Evaluates component `component` of a parameter or property as text; false when none is
    /// found.
    bool evalParameterOrProperty(const char *name, int component, float now, UT_String &value);
    /// The shader node at `path` (relative to this node), or null.
    SHOP_Node *findSHOPNode(const char *path) const;

    /// Describes the node for users: its path, type, and errors after a cook.
    virtual void getNodeSpecificInfoText(OP_Context &context, int verbose, UT_WorkBuffer &text);

    // Cooked data and files ----------------------------------------------------------------------
    /// The kind of data a cook produces (0: none).
    virtual int getCookedDataType() const { return 0; }
    virtual void deleteCookedData() {}
    /// Writes the cooked data to a file or stream; non-zero on success. The base has no data
    /// to write and reports failure.
    virtual int saveCookedData(const char *, OP_Context &) { return 0; }
    virtual int saveCookedData(std::ostream &, OP_Context &, int /*binary*/) { return 0; }
    /// The file extension of saved cooked data, binary or text.
    virtual const char *getFileExtension(int binary) const { return binary ? "bnode" : "node"; }
    virtual bool cookedDataUsesAllParameters() const { return false; }
    virtual bool cookedDataNeedsErrors() const { return false; }
    /// Writes what the node adds to a dialog script of its own.
    virtual void saveDialogScriptExtraInfo(std::ostream &) {}

    // View sizes -------------------------------------------------------------------------------
    static int getNodeButtonWidth() { return 100; }
    static int getFlagWidth() { return 12; }
    static int getNodeHeight() { return 24; }
    static int getConnectorHeight() { return 8; }
    int getW() const override { return getNodeButtonWidth() + 2 * getFlagWidth(); }
    int getH() const override { return getNodeHeight() + 2 * getConnectorHeight(); }

    // Bundles ----------------------------------------------------------------------------------
    /// The bundle that a parameter's node pattern selects, read from `creator` (or from this
    /// node when null), optionally through a bundle filter. The node keeps it as a reference
    /// of that parameter component until cleanUnusedBundleRefs drops it.
    OP_Bundle *getParmBundle(const char *parm, int component, const UT_String &pattern,
                             OP_Network *creator, const char *filter);
    /// Marks every bundle reference unused; those not asked for again are dropped by
    /// cleanUnusedBundleRefs.
    void markBundleRefsAsUnused();
    void cleanUnusedBundleRefs();
    int getNumBundleRefs() const
    {
        return myLinks ? static_cast<int>(myLinks->bundleRefs.size()) : 0;
    }
    /// The nodes a pattern selects from this node.
    std::vector<OP_Node *> getGlobbedNodes(const char *pattern) const;

    /// The code generator of a node whose shader is built from a network of nodes, or null.
    virtual VOP_CodeGenerator *getVopCodeGenerator() { return nullptr; }

    /// The node's transform in world space, for nodes that have one.
    virtual bool getWorldTransform(UT_DMatrix4 &, OP_Context &) { return false; }

    /// Bounds of the node's result, for node kinds that have any.
    virtual bool getBoundingBox(UT_BoundingBox &, OP_Context &) { return false; }

    // Creation --------------------------------------------------------------------------------
    /// Describes the node for a gallery. The host knows no more of a node than its operator:
    /// the keywords are the operator's name and the categories are left empty, for node kinds
    /// to fill in.
    virtual void createGalleryEntry(OP_GalleryEntry &entry);
    /// Runs the creation script of a node just made in its network (OP_Network::createNode
    /// calls it); false when the script failed. The host runs the script of the installed
    /// runner, and a host without one has no script to run and succeeds.
    virtual bool runCreateScript();
    /// Installs the host's creation-script runner (null: none); returns the previous one.
    static OP_CreateScriptRunner setCreateScriptRunner(OP_CreateScriptRunner runner);
    /// Marks the node while its creation script runs, so that set-up can be told from edits.
    void setRunningCreateScript(int on) { myRunningCreateScript = on != 0; }
    bool isRunningCreateScript() const { return myRunningCreateScript; }

protected:
    OP_Node(OP_Network *parent, const char *name, OP_Operator *op);

    /// Told when the node's parameter templates were replaced (its operator read them again).
    virtual void changeParmTemplate(PRM_Template *) {}

    /// Told after the node was moved into another network.
    virtual void parentChanged(OP_Network *) {}

    /// Tells `target` of a change through its opChanged. From inside a change being delivered
    /// the call waits until the current one has been handled, so that changes running down
    /// long chains of nodes never nest calls per node; otherwise it is delivered at once,
    /// with everything it sets off.
    static void sendChange(OP_Node &target, OP_EventType reason, void *data);
    /// Whether changes are being delivered on this thread.
    static bool isDeliveringChanges();
    /// Runs `done` once every change being delivered has been handled (at once when none is).
    static void afterChangesDelivered(void (*done)());

    /// The node's work; returns the error severity.
    virtual UT_ErrorSeverity cookMe(OP_Context &context);
    /// Runs instead of cookMe while the bypass flag is on; `copiedInput` names the input whose
    /// result passes through.
    virtual UT_ErrorSeverity bypassMe(OP_Context &context, int &copiedInput);

private:
    friend class OP_Network;
    friend class OP_ChildList;
    friend class OP_NodePin;
    void setNameInternal(const std::string &name) { myName = name; }
    void disconnectWires();
    void disconnectAll();
    /// opChanged without marking this node to cook when `dirty` is false.
    void noteChange(OP_EventType reason, void *data, bool dirty);
    void propagateChange(unsigned pass);
    bool toldOfValuesBefore(OP_EventType reason);
    static void deliverPendingChanges();
    /// Whether `src` already reads `dst` through wires, so that wiring it into `dst` would
    /// close a loop.
    static bool wouldLoop(OP_Node *src, OP_Node *dst);
    void removeOutput(OP_Node *node);

    struct op_BundleRef
    {
        std::string parm;
        int component;
        std::unique_ptr<OP_Bundle> bundle;
        bool used;
    };
    // What few nodes have: dependencies beyond wires, event handlers, bundles that
    // parameters read, and inputs a cook holds. Made when first needed, as a scene may hold a
    // hundred thousand nodes with none of them.
    struct op_Links
    {
        std::set<int> extraInputs;     // ids of nodes this node depends on
        std::set<int> extraDependants; // ids of nodes depending on this node
        std::vector<std::pair<int, EventHandler>> handlers;
        int nextHandler = 1;
        std::vector<op_BundleRef> bundleRefs;
        std::set<unsigned> lockedInputs;
    };
    op_Links &links();

    struct op_Input
    {
        OP_Node *node = nullptr;
        unsigned outputIndex = 0;
    };

    std::string myName;
    OP_Network *myParent;
    int myUniqueId;
    std::vector<op_Input> myInputs;
    std::vector<OP_Node *> myOutputs; // one entry per wired input that reads this node
    std::unique_ptr<op_Links> myLinks;
    UT_ErrorManager myErrors;
    bool myDirty = true;
    bool myCooking = false;
    bool myTimeDependent = false;
    bool myBypass = false;
    bool myHasCooked = false;
    float myLastCookTime = 0;
    int myCookCount = 0;
    bool myRunningCreateScript = false;
    unsigned myLastPass = 0;
    unsigned myWalkMark = 0; // the loop check's marks
    // The cook count (plus one) when this network was last told of a change below it.
    uint64_t myChildChangeStamp = 0;
    // The settled count (below) when this node was last told that an input's value changed.
    uint64_t myValueChangeStamp = 0;
    // Cooks run so far, by any node.
    static uint64_t theCookCount;
    // Changes to the shape of the scene (wiring, names, nodes made or deleted, flags, parameter
    // sets) so far, by any node.
    static uint64_t theShapeCount;
    static uint64_t theChangeCount;
    bool myBeingDestroyed = false; // set by a network tearing down its children
    int myBlockModify = 0;
    mutable std::atomic<int> myUses[OP_NODE_USES] = {}; // pins held, per use
};
