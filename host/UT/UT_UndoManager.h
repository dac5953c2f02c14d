#pragma once

/// Whether the host is replaying an undo or redo: nodes then leave their contents to the
/// replay rather than making anything themselves. This host records no undo history, so only
/// a replay that marks itself with UT_UndoRedoScope counts.
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

/// Non-zero while an undo or redo is being performed. The argument names an undo manager; this
/// host has one, so it is ignored.
inline int UTperformingUndoRedo(void * = nullptr)
{
    return UT_UndoRedoScope::depth() > 0;
}
