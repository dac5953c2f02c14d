#pragma once

#include <memory>
#include <string>
#include <vector>

/// One reversible change. Records put the scene back as it was before the change (undo) and
/// as it was after it (redo); each is asked alternately, starting with undo.
class UT_Undo
{
public:
    virtual ~UT_Undo() = default;
    virtual void undo() = 0;
    virtual void redo() = 0;
};

/// Whether the host is replaying an undo or redo: nodes then leave their contents to the
/// replay rather than making anything themselves, and nothing is recorded.
class UT_UndoRedoScope
{
public:
    UT_UndoRedoScope() { ++depth(); }
    ~UT_UndoRedoScope() { --depth(); }
    UT_UndoRedoScope(const UT_UndoRedoScope &) = delete;
    UT_UndoRedoScope &operator=(const UT_UndoRedoScope &) = delete;

    static int &depth()
    {
        static int theDepth = 0;
        return theDepth;
    }
};

/// The history of changes: records gathered in blocks (nested blocks join the outermost),
/// each block one step that undo takes back and redo replays. A change made while no block
/// is open is not recorded; a new step drops the steps that were undone.
class UT_UndoManager
{
public:
    void beginUndoBlock(const char *name);
    void endUndoBlock();
    /// Whether a record would be kept: a block is open, recording is not disabled and no undo
    /// or redo is under way.
    bool willAcceptUndoAddition() const;
    /// Adds a record to the open block; dropped when none would be kept.
    void addToUndoBlock(std::unique_ptr<UT_Undo> undo);

    /// Takes back the last step; false when there is none. `name` gets the step's name. Inside
    /// an open block, what the block recorded so far is that step.
    bool undo(std::string *name = nullptr);
    /// Replays the last step taken back; false when there is none.
    bool redo(std::string *name = nullptr);
    void clearUndos();
    int getUndoCount() const { return static_cast<int>(myUndo.size()); }
    int getRedoCount() const { return static_cast<int>(myRedo.size()); }

    /// While disabled (it nests), nothing is recorded: for work that clears the history when
    /// done, such as replacing the whole scene.
    void disable() { ++myDisabled; }
    void enable()
    {
        if (myDisabled > 0)
            --myDisabled;
    }

    /// A number that changes whenever a block opens at the outermost level: records may use it
    /// to tell whether something happened within the step being recorded.
    unsigned getBlockSerial() const { return myBlockSerial; }

private:
    struct ut_Block
    {
        std::string name;
        std::vector<std::unique_ptr<UT_Undo>> records;
    };
    std::vector<ut_Block> myUndo;
    std::vector<ut_Block> myRedo;
    ut_Block myOpen;
    int myDepth = 0;
    int myDisabled = 0;
    unsigned myBlockSerial = 0;
};

/// The host's history, made on first use.
UT_UndoManager *UTgetUndoManager();

/// Opens a block of the host's history; every call must be matched by UTendUndoBlock. The
/// last argument names an undo manager; this host has one, so it is ignored.
void UTbeginUndoBlock(const char *name, void * = nullptr);
void UTendUndoBlock(void * = nullptr);

/// A block open for the guard's lifetime.
class UT_AutoUndoBlock
{
public:
    explicit UT_AutoUndoBlock(const char *name) { UTbeginUndoBlock(name); }
    ~UT_AutoUndoBlock() { UTendUndoBlock(); }
    UT_AutoUndoBlock(const UT_AutoUndoBlock &) = delete;
    UT_AutoUndoBlock &operator=(const UT_AutoUndoBlock &) = delete;
};

/// Non-zero while an undo or redo is being performed.
inline int UTperformingUndoRedo(void * = nullptr)
{
    return UT_UndoRedoScope::depth() > 0;
}
