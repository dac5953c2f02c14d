#include <OP/OP_OperatorTable.h>

#include <FS/DS_Stream.h>
#include <OP/OP_OTLLibrary.h>
#include <OP/OP_ScriptOperator.h>
#include <PRM/PRM_DialogScripts.h>
#include <UT/UT_Names.h>
#include <UT/UT_PathSearch.h>

#include <algorithm>
#include <filesystem>

bool OP_OperatorTable::addOperator(OP_Operator *op)
{
    std::unique_ptr<OP_Operator> owned(op);
    if (!owned || owned->getName().empty() || myOperators.count(owned->getName()))
        return false;
    owned->setOperatorTable(this);
    myOperators.emplace(owned->getName(), std::move(owned));
    return true;
}

OP_Operator *OP_OperatorTable::getOperator(const char *name) const
{
    auto it = myOperators.find(name ? name : "");
    return it == myOperators.end() ? nullptr : it->second.get();
}

std::vector<OP_Operator *> OP_OperatorTable::getOperators() const
{
    std::vector<OP_Operator *> ops;
    for (const auto &[name, op] : myOperators)
        ops.push_back(op.get());
    std::stable_sort(ops.begin(), ops.end(),
                     [](const OP_Operator *a, const OP_Operator *b)
                     { return a->compareOperator(b, 0) < 0; });
    return ops;
}

void OP_OperatorTable::addScriptIndexFile(const char *directory, const char *indexName,
                                          const char *nodeClass, const char *opType, int a, int b,
                                          bool subnet, bool c)
{
    myScriptIndexFiles.push_back({directory ? directory : "", indexName ? indexName : "",
                                  nodeClass ? nodeClass : "", opType ? opType : "", a, b, subnet,
                                  c});
}

namespace
{
// The asset files of one folder by name, so that the order (and with it which of two operators
// of one name wins) does not depend on the file system.
std::vector<std::string> op_assetFiles(const std::string &folder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.size() > 6 && name[0] != '.' && name.ends_with(".asset") &&
            it->is_regular_file(typeError))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (std::string &name : names)
        name = folder + "/" + name;
    return names;
}
} // namespace

void OP_OperatorTable::readScriptDefinitions(std::ostream &err)
{
    myDefinitions.clear();
    myDefinitionsRead = true;
    for (const std::string &dir : UT_PathSearch::getInstance()->getDirectories())
    {
        for (const std::string &path : op_assetFiles(dir + "/assets"))
        {
            OP_OTLLibrary library;
            std::string error;
            if (!library.load(path, error))
            {
                err << "Error: " << error << "\n";
                continue;
            }
            for (const OP_OTLDefinition &def : library.getDefinitions())
            {
                std::string script;
                if (def.getIndexFile().readSection("DialogScript", script) &&
                    PRMfindDialogScript(def.getName().c_str()) < 0)
                    PRMaddDialogScript(def.getName().c_str(), script.c_str());
                myDefinitions.push_back(def);
            }
        }
    }
}

bool OP_OperatorTable::takesDefinition(const OP_OTLDefinition &def) const
{
    return std::any_of(myScriptIndexFiles.begin(), myScriptIndexFiles.end(),
                       [&](const ScriptIndex &index) {
                           return index.opType == def.getOpType() &&
                                  index.subnet == def.getIsSubnet();
                       });
}

bool OP_OperatorTable::loadScriptOperator(const OP_OTLDefinition &def, std::ostream &err)
{
    const std::string where = def.getAssetPath() + ": " + def.getName() + ": ";
    if (!takesDefinition(def))
    {
        err << "Warning: " << where << "makes no node type: " << myName << " makes none of type '"
            << def.getOpType() << "'" << (def.getIsSubnet() ? " marked as a subnet" : "") << "\n";
        return false;
    }
    // The name is a node type's, and, in renderer text, the shader's when the dialog script
    // names none: one word that cannot end a quoted string.
    if (!UTisPlainWord(def.getName()))
    {
        err << "Error: " << def.getAssetPath() << ": " << def.getName() << ": line "
            << def.getLine() << ": Bad definition name '" << def.getName()
            << "': no blanks, quotes, backslashes or control characters\n";
        return false;
    }
    std::string why;
    OP_ScriptOperator *op = myScriptCreator(def, why);
    if (!op)
    {
        err << "Warning: " << where << "makes no node type: "
            << (why.empty() ? "the " + myName + " creator made none" : why) << "\n";
        return false;
    }
    op->setOTLIndexFile(def.shareIndexFile());
    std::string script;
    if (def.getIndexFile().readSection("DialogScript", script))
    {
        DS_Stream stream(std::move(script), def.getAssetPath(), def.getName());
        if (!op->loadParmTemplates(stream))
        {
            err << "Error: " << stream.getErrorText() << "\n";
            delete op;
            return false;
        }
    }
    if (myOperators.count(op->getName()))
    {
        err << "Warning: " << where << "an operator named " << op->getName() << " exists already\n";
        delete op;
        return false;
    }
    return addOperator(op);
}

int OP_OperatorTable::loadScriptOperators(std::ostream &err)
{
    if (!myScriptCreator)
        return 0;
    if (!myDefinitionsRead)
        readScriptDefinitions(err);
    int added = 0;
    for (const OP_OTLDefinition &def : myDefinitions)
        if (loadScriptOperator(def, err))
            ++added;
    // Read once per load: a later load reads the files again.
    myDefinitions.clear();
    myDefinitionsRead = false;
    return added;
}
