#pragma once

#include <OP/OP_OTLDefinition.h>
#include <OP/OP_Operator.h>

#include <ostream>

#include <map>
#include <memory>
#include <string>
#include <vector>

/// The node types of one context, owned by the table and kept in name order.
class OP_ScriptOperator;

/// Makes the operator of an asset definition, or null with `why` set when the definition makes
/// none.
using OP_ScriptCreator = OP_ScriptOperator *(*)(const OP_OTLDefinition &definition,
                                                std::string &why);

class OP_OperatorTable
{
public:
    explicit OP_OperatorTable(const char *name) : myName(name ? name : "") {}

    const std::string &getName() const { return myName; }

    /// Adds an operator and takes ownership of it. A name already present is refused (the
    /// operator is deleted) and false returned.
    bool addOperator(OP_Operator *op);
    OP_Operator *getOperator(const char *name) const;
    int entries() const { return static_cast<int>(myOperators.size()); }
    /// All operators in the order their compareOperator gives (ties by name).
    std::vector<OP_Operator *> getOperators() const;

    /// The type that tools create when none is named.
    void setDefaultType(const char *name) { myDefaultType = name ? name : ""; }
    const std::string &getDefaultType() const { return myDefaultType; }

    /// The function that makes operators from asset definitions.
    void setScriptCreator(OP_ScriptCreator creator) { myScriptCreator = creator; }
    OP_ScriptCreator getScriptCreator() const { return myScriptCreator; }
    /// Declares that the table takes the asset definitions whose type text is `opType` and
    /// whose subnet mark equals `subnet`; `indexName` names the index in messages. The other
    /// arguments are kept for the record.
    void addScriptIndexFile(const char *directory, const char *indexName, const char *nodeClass,
                            const char *opType, int a, int b, bool subnet, bool c);
    struct ScriptIndex
    {
        std::string directory, indexName, nodeClass, opType;
        int a, b;
        bool subnet, c;
    };
    const std::vector<ScriptIndex> &getScriptIndexFiles() const { return myScriptIndexFiles; }
    /// Reads every asset file ("*.asset" in the "assets" folder of each search-path folder, in
    /// path order and by name) for loadScriptOperators, and enters the dialog script of each
    /// definition in the host's enumeration under the definition's name (the first of a name
    /// stays), so that what is set up before the operators, clerks among them, can name one. A
    /// malformed asset file is reported on `err` ("Error: <file>:<line>: <what>") and yields
    /// nothing.
    void readScriptDefinitions(std::ostream &err);
    /// For each definition read (reading them first when that was not done; each reading serves
    /// one load) that an index of
    /// this table takes, asks the script creator for an operator, reads its dialog script and
    /// adds it. A malformed dialog script is reported on `err` ("Error: <file>: <definition>:
    /// line <n>: <what>"), and so is every definition that makes no operator ("Warning: <file>:
    /// <definition>: makes no node type: <why>"). Returns the number of operators added.
    int loadScriptOperators(std::ostream &err);

private:
    bool takesDefinition(const OP_OTLDefinition &definition) const;
    bool loadScriptOperator(const OP_OTLDefinition &definition, std::ostream &err);

    std::string myName;
    OP_ScriptCreator myScriptCreator = nullptr;
    std::vector<ScriptIndex> myScriptIndexFiles;
    std::vector<OP_OTLDefinition> myDefinitions;
    bool myDefinitionsRead = false;
    std::string myDefaultType;
    std::map<std::string, std::unique_ptr<OP_Operator>> myOperators;
};
