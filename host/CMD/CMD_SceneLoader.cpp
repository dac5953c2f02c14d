#include <CMD/CMD_SceneLoader.h>

#include <CH/CH_Channel.h>
#include <CMD/CMD_Manager.h>
#include <CMD/CMD_Tokenizer.h>
#include <OP/OP_Director.h>
#include <OP/OP_NodePin.h>
#include <OP/OP_Operator.h>
#include <PRM/PRM_ParmList.h>
#include <PRM/PRM_ParmNameMap.h>
#include <UT/UT_File.h>
#include <UT/UT_Progress.h>

#include <algorithm>
#include <memory>
#include <sstream>

namespace
{
// Loading is a main-thread affair, as is the command language that drives it.
CMD_SceneLoader *theActive = nullptr;

// Parameters the operator no longer has but still recognises: their saved values are handed
// to the node, which may move them into its current parameters.
bool cmd_isObsolete(const OP_Node &node, const std::string &name)
{
    const OP_Operator *op = node.getOperator();
    for (const PRM_Template *t = op ? op->getObsoleteTemplates() : nullptr; t && !t->isTerminator();
         ++t)
    {
        if (name == t->getToken())
            return true;
        for (int c = 0; c < t->getVectorSize(); ++c)
            if (name == t->getChannelToken(c))
                return true;
    }
    return false;
}

void cmd_warn(std::ostream &err, const OP_Node &node, const std::string &what)
{
    err << "Warning: " << node.getFullPath() << ": " << CMD_Manager::printable(what) << std::endl;
}

// Puts saved values into a parameter as they were written: an expression stays its text.
void cmd_setSaved(PRM_Parm &parm, int component, const std::vector<std::string> &values,
                  bool expression)
{
    std::string error;
    for (const std::string &value : values)
    {
        if (expression)
            parm.setExpression(component, value.c_str(), error);
        else
            parm.setValueFromText(component, value.c_str(), error);
        ++component;
    }
}

// Marks a scene as loading for as long as the script runs, however it ends.
class cmd_LoadingScope
{
public:
    explicit cmd_LoadingScope(CMD_SceneLoader *loader)
    {
        theActive = loader;
        OPgetDirector()->beginLoading();
    }
    ~cmd_LoadingScope()
    {
        OPgetDirector()->endLoading();
        theActive = nullptr;
    }
    cmd_LoadingScope(const cmd_LoadingScope &) = delete;
    cmd_LoadingScope &operator=(const cmd_LoadingScope &) = delete;
};
} // namespace

bool CMD_SceneLoader::runSubtree(const std::string &text, std::string &error)
{
    OP_Director *director = OPgetDirector();
    OP_Network *cwd = director->getCwd();
    const int cwdId = cwd->getUniqueId();
    std::ostringstream out;
    std::ostringstream err;
    bool ok = false;
    {
        CMD_SceneLoader loader;
        cmd_LoadingScope scope(&loader);
        ok = CMDgetManager()->runScript(std::string_view(text), "undo", out, err);
    }
    OP_Node *back = director->lookupNode(cwdId);
    director->setCwd(back && back->isNetwork() ? static_cast<OP_Network *>(back)
                                               : director->getRoot());
    if (!ok)
        error = err.str();
    return ok;
}

CMD_SceneLoader *CMD_SceneLoader::active()
{
    return theActive;
}

bool CMD_SceneLoader::load(const std::string &path, std::ostream &out, std::ostream &err,
                           std::string &error)
{
    std::string text;
    if (!UT_File::readRegular(path, text, error))
    {
        error = "Cannot open scene '" + path + "': " + error;
        return false;
    }
    UT_Progress progress("Loading " + CMD_Manager::printable(path), text.size());
    return load(std::string_view(text), path, out, err, error, &progress);
}

bool CMD_SceneLoader::load(std::istream &in, const std::string &source, std::ostream &out,
                           std::ostream &err, std::string &error, UT_Progress *progress)
{
    const std::string text(std::istreambuf_iterator<char>(in), {});
    return load(std::string_view(text), source, out, err, error, progress);
}

bool CMD_SceneLoader::load(std::string_view text, const std::string &source, std::ostream &out,
                           std::ostream &err, std::string &error, UT_Progress *progress)
{
    if (theActive)
    {
        error = "A scene file cannot load another scene";
        return false;
    }
    OP_Director *director = OPgetDirector();
    // The scene goes as a whole, so anything still in use anywhere keeps it.
    if (const std::string use = OP_NodePin::describeUse(*director->getRoot()); !use.empty())
    {
        error = "Cannot load a scene while " + use;
        return false;
    }
    OP_Network *cwd = director->getCwd();
    // The current scene steps aside whole: a file that fails puts it back exactly as it was,
    // nodes, values and current network alike.
    std::unique_ptr<OP_Network> previous = director->detachRoot();
    director->setCwd(director->getRoot());
    if (!run(text, source, out, err, progress))
    {
        director->restoreRoot(std::move(previous));
        director->setCwd(cwd);
        error = "Scene '" + source + "' not loaded; the previous scene is kept";
        return false;
    }
    OP_Director::destroyRoot(std::move(previous));
    if (director->getRoot()->getNchildren() == 0)
        err << "Warning: scene '" << CMD_Manager::printable(source)
            << "' holds no nodes; the scene is now empty" << std::endl;
    return true;
}

bool CMD_SceneLoader::run(std::string_view text, const std::string &source, std::ostream &out,
                          std::ostream &err, UT_Progress *progress)
{
    OP_Director *director = OPgetDirector();
    myHeld.clear();
    myHeldIndex.clear();
    bool ok = false;
    {
        cmd_LoadingScope scope(this);
        ok = CMDgetManager()->runScript(text, source, out, err, true, progress);
    }
    if (ok)
    {
        for (cmd_HeldNode &held : myHeld)
            if (OP_Node *node = director->lookupNode(held.id))
                resolve(*node, held.sets, err);
        director->getRoot()->finishedLoadingTree();
    }
    myHeld.clear();
    myHeldIndex.clear();
    director->setCwd(director->getRoot());
    return ok;
}

void CMD_SceneLoader::holdSet(OP_Node &node, const std::string &name,
                              std::vector<std::string> values, bool expression)
{
    // Nodes keep the order in which their first value was held.
    const int id = node.getUniqueId();
    auto [at, added] = myHeldIndex.try_emplace(id, myHeld.size());
    if (added)
        myHeld.push_back(cmd_HeldNode{id, {}});
    myHeld[at->second].sets.push_back({name, std::move(values), expression});
}

void CMD_SceneLoader::resolve(OP_Node &node, std::vector<cmd_HeldSet> &sets, std::ostream &err)
{
    std::vector<cmd_HeldSet *> parms;
    std::vector<cmd_HeldSet *> channels;
    std::vector<cmd_HeldSet *> obsolete;
    for (cmd_HeldSet &set : sets)
    {
        // A later line of the file (a spare parameter) may have made it meanwhile.
        if (node.getParmList()->findParmOrChannel(set.name.c_str()))
            apply(node, set, err);
        else if (cmd_isObsolete(node, set.name))
            obsolete.push_back(&set);
        else
            (set.expression && set.values.size() == 1 ? channels : parms).push_back(&set);
    }
    askForParameters(node, parms, err);
    askForChannels(node, channels, err);
    resolveObsolete(node, obsolete, err);
}

void CMD_SceneLoader::resolveObsolete(OP_Node &node, const std::vector<cmd_HeldSet *> &held,
                                      std::ostream &err)
{
    if (held.empty())
        return;
    // The list's parameters point at their templates: copies that outlive it.
    std::vector<PRM_Template> templates;
    for (const PRM_Template *t = node.getOperator()->getObsoleteTemplates(); !t->isTerminator();
         ++t)
        templates.push_back(*t);
    PRM_ParmList list;
    for (PRM_Template &t : templates)
        list.appendParm(&t, nullptr, false);
    std::vector<std::string> saved;
    for (const cmd_HeldSet *set : held)
    {
        int component = -1;
        PRM_Parm *parm = list.findParmOrChannel(set->name.c_str(), &component);
        if (!parm)
            continue;
        cmd_setSaved(*parm, std::max(component, 0), set->values, set->expression);
        if (std::find(saved.begin(), saved.end(), parm->getToken()) == saved.end())
            saved.push_back(parm->getToken());
    }
    node.resolveObsoleteParms(&list);
    // The node removed what it took; the rest has no place any more.
    for (const std::string &name : saved)
        if (list.getParmPtr(name.c_str()))
            cmd_warn(err, node,
                     "Obsolete parameter '" + name +
                         "' is not used; its saved value is not loaded");
}

void CMD_SceneLoader::askForParameters(OP_Node &node, std::vector<cmd_HeldSet *> &held,
                                       std::ostream &err)
{
    if (held.empty())
        return;
    UT_StringArray names;
    for (const cmd_HeldSet *set : held)
        if (std::find(names.begin(), names.end(), set->name) == names.end())
            names.push_back(set->name);
    PRM_ParmNameMap nameMap;
    UT_String errors;
    if (!node.createSpareParametersForLoad(names, nameMap, errors))
        cmd_warn(err, node,
                 errors.isstring() ? errors.toStdString()
                                   : "Could not make the parameters of an older file");
    for (const cmd_HeldSet *set : held)
    {
        if (node.getParmList()->findParmOrChannel(set->name.c_str()))
            apply(node, *set, err);
        else
            cmd_warn(err, node, "No parameter '" + set->name + "'; its saved value is not loaded");
    }
}

void CMD_SceneLoader::askForChannels(OP_Node &node, std::vector<cmd_HeldSet *> &held,
                                     std::ostream &err)
{
    if (held.empty())
        return;
    std::vector<std::unique_ptr<CH_Channel>> owned;
    UT_PtrArray<CH_Channel *> channels;
    for (const cmd_HeldSet *set : held)
    {
        owned.push_back(std::make_unique<CH_Channel>(set->name, set->values[0]));
        channels.append(owned.back().get());
    }
    UT_BitArray selected(channels.entries(), true);
    if (!node.createSpareParametersFromChannels(selected, channels))
        cmd_warn(err, node, "Could not make parameters for the channels of an older file");
    for (const cmd_HeldSet *set : held)
    {
        if (node.getParmList()->findParmOrChannel(set->name.c_str()))
            apply(node, *set, err);
        else
            cmd_warn(err, node,
                     "No channel '" + set->name + "'; its saved expression is not loaded");
    }
}

bool CMD_SceneLoader::apply(OP_Node &node, const cmd_HeldSet &set, std::ostream &err)
{
    // The held line runs again as it was written, now that the parameter exists, so that it
    // is checked and set exactly as any other.
    std::string line = set.expression ? "set -e" : "set";
    for (const std::string &word : {node.getFullPath(), set.name})
        line.append(" ").append(CMD_Tokenizer::quote(word));
    for (const std::string &value : set.values)
        line.append(" ").append(CMD_Tokenizer::quote(value));
    std::string error;
    if (CMDgetManager()->execute(line, err, err, error))
        return true;
    cmd_warn(err, node, error);
    return false;
}
