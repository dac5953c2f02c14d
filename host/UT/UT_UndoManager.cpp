#include <UT/UT_UndoManager.h>

void UT_UndoManager::beginUndoBlock(const char *name)
{
    if (myDepth++ == 0)
    {
        myOpen.name = name ? name : "";
        ++myBlockSerial;
    }
}

void UT_UndoManager::endUndoBlock()
{
    if (myDepth == 0 || --myDepth > 0)
        return;
    // A step that changed nothing (every line of a file loading) leaves its name's memory for
    // the next one.
    if (myOpen.records.empty())
    {
        myOpen.name.clear();
        return;
    }
    myUndo.push_back(std::move(myOpen));
    myOpen = {};
    myRedo.clear();
}

bool UT_UndoManager::willAcceptUndoAddition() const
{
    return myDepth > 0 && myDisabled == 0 && !UTperformingUndoRedo();
}

void UT_UndoManager::addToUndoBlock(std::unique_ptr<UT_Undo> undo)
{
    if (undo && willAcceptUndoAddition())
        myOpen.records.push_back(std::move(undo));
}

bool UT_UndoManager::undo(std::string *name)
{
    // Asked from inside a step (a script taking back its own commands): what the step did so
    // far becomes a step of its own, the one taken back.
    if (!myOpen.records.empty())
    {
        myUndo.push_back({myOpen.name, std::move(myOpen.records)});
        myOpen.records.clear();
        myRedo.clear();
    }
    if (myUndo.empty())
        return false;
    ut_Block block = std::move(myUndo.back());
    myUndo.pop_back();
    {
        UT_UndoRedoScope scope;
        for (auto it = block.records.rbegin(); it != block.records.rend(); ++it)
            (*it)->undo();
    }
    if (name)
        *name = block.name;
    myRedo.push_back(std::move(block));
    return true;
}

bool UT_UndoManager::redo(std::string *name)
{
    if (myRedo.empty())
        return false;
    ut_Block block = std::move(myRedo.back());
    myRedo.pop_back();
    {
        UT_UndoRedoScope scope;
        for (auto &record : block.records)
            record->redo();
    }
    if (name)
        *name = block.name;
    myUndo.push_back(std::move(block));
    return true;
}

void UT_UndoManager::clearUndos()
{
    myUndo.clear();
    myRedo.clear();
    myOpen.records.clear();
}

UT_UndoManager *UTgetUndoManager()
{
    static UT_UndoManager theManager;
    return &theManager;
}

void UTbeginUndoBlock(const char *name, void *)
{
    UTgetUndoManager()->beginUndoBlock(name);
}

void UTendUndoBlock(void *)
{
    UTgetUndoManager()->endUndoBlock();
}
