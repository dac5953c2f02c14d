#pragma once

#include <OP/OP_Operator.h>
#include <UT/UT_String.h>

#include <memory>
#include <string>

class DS_Stream;
class FS_IndexFile;
class UT_InfoTree;
class UT_WorkBuffer;

/// An operator defined by a script or asset rather than compiled in: it knows its script name
/// (the name of the program it stands for), the definition it came from, and reads its
/// parameters from a dialog script.
class OP_ScriptOperator : public OP_Operator
{
public:
    OP_ScriptOperator(const char *name, const char *label, OP_Constructor constructor,
                      const PRM_Template *templates, unsigned minInputs, unsigned maxInputs,
                      const CH_LocalVariable *variables, unsigned flags);

    /// The script name: what the dialog script's "script" entry gave, else empty.
    void getScriptName(UT_String &name, bool forVex = false, bool withPath = false) const;
    void setScriptName(const char *name) { myScriptName = name ? name : ""; }
    /// Where the operator was defined ("<asset file>?<name>").
    const std::string &getDefinition() const { return myDefinition; }
    void setDefinition(const char *path) { myDefinition = path ? path : ""; }
    /// The VEX context of the shaders of this type (0 when not a VEX shader).
    int getVexContext() const { return myVexContext; }
    void setVexContext(int context) { myVexContext = context; }
    /// The operator's type text, as the definition gave it.
    const std::string &getTypeText() const { return myTypeText; }
    void setTypeText(const char *text) { myTypeText = text ? text : ""; }
    /// The sections of the asset definition the operator came from; null when none.
    const FS_IndexFile *getOTLIndexFile() const { return myIndexFile.get(); }
    void setOTLIndexFile(std::shared_ptr<const FS_IndexFile> file)
    {
        myIndexFile = std::move(file);
    }
    const std::string &getHelp() const { return myHelp; }
    void setHelp(const char *help) { myHelp = help ? help : ""; }

    /// Describes the operator: name, label, definition and script name, one per line.
    virtual void getOperatorSpecificInfoText(int verbose, UT_WorkBuffer &text);
    /// Adds the operator's description to an information tree.
    virtual void fillInfoTreeOperatorSpecific(UT_InfoTree &tree);

    /// Reads the operator's parameters from a dialog script; false when the script is
    /// malformed (the stream holds the error). The base reads nothing and succeeds.
    virtual bool loadParmTemplates(DS_Stream &stream);

protected:
    /// Called by the dialog-script reader for every token it does not know. Returns 1 when the
    /// token (and what follows it) was taken, 0 on a syntax error reported through the stream.
    /// The base knows no further tokens: it reports "Unknown token '<token>'" and returns 0.
    virtual int handleUnknownToken(DS_Stream &stream, UT_String &token);

private:
    std::string myScriptName;
    std::string myDefinition;
    std::string myTypeText;
    std::string myHelp;
    std::shared_ptr<const FS_IndexFile> myIndexFile;
    int myVexContext = 0;
};
