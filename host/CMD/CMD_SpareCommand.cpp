#include <CMD/CMD_SpareCommand.h>

#include <CMD/CMD_Args.h>
#include <CMD/CMD_Manager.h>
#include <CMD/CMD_NodeArgs.h>
#include <OP/OP_Director.h>
#include <OP/OP_Node.h>
#include <OP/OP_SpareParmState.h>
#include <PRM/PRM_Parm.h>
#include <PRM/PRM_SpareData.h>
#include <PRM/PRM_Template.h>
#include <UT/UT_String.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{
// The texts given with -t KEY=VALUE, or null for none.
std::shared_ptr<PRM_SpareData> cmd_spareData(CMD_Args &args)
{
    if (!args.found('t'))
        return nullptr;
    auto spare = std::make_shared<PRM_SpareData>();
    for (const std::string &pair : args.argValues('t'))
    {
        const std::string::size_type equals = pair.find('=');
        if (equals == 0 || equals == std::string::npos)
        {
            args.fail("Bad tag '" + pair + "' (KEY=VALUE)");
            return nullptr;
        }
        spare->addTokenValue(pair.substr(0, equals).c_str(), pair.substr(equals + 1).c_str());
    }
    return spare;
}

// A folder's default: the number of entries it holds and its label, as "COUNT:LABEL".
bool cmd_folderDefault(CMD_Args &args, const char *text, std::vector<PRM_Default> &defaults)
{
    const std::string word = text;
    const std::string::size_type colon = word.find(':');
    unsigned count = 0;
    if (colon == std::string::npos ||
        !CMD_NodeArgs::parseIndex(args, word.substr(0, colon).c_str(), "folder size", count))
    {
        if (!args.failed())
            args.fail("Bad folder '" + word + "' (COUNT:LABEL)");
        return false;
    }
    defaults.emplace_back(count, word.substr(colon + 1).c_str());
    return true;
}

// Every word of a `spare` command but the node's path, appended to `key`: commands alike in
// these make templates alike, which the nodes share.
void cmd_spareKey(CMD_Args &args, std::string &key)
{
    if (const char *label = args.argp('l'))
        key.append(label);
    key.push_back('\0');
    if (args.found('t'))
        for (const std::string &pair : args.argValues('t'))
            key.append(pair).push_back('\0');
    key.push_back('\1');
    for (int i = 2; i < args.argc(); ++i)
        key.append(args.word(i)).push_back('\0');
}

// Templates made by `spare`, by their command's words (a multi-parameter's grown by its group's
// children, by the words of the count's command and then each child's): a scene of a hundred
// thousand surfaces, each given the same viewport parameters by its creation script or its
// saved file, keeps one template of each. Each template's key is kept too, for the words of a
// group's next child to be added to.
class cmd_SpareTemplates
{
public:
    static cmd_SpareTemplates &get()
    {
        static cmd_SpareTemplates theTemplates;
        return theTemplates;
    }

    std::shared_ptr<PRM_Template> find(const std::string &key) const
    {
        auto it = myByKey.find(key);
        return it == myByKey.end() ? nullptr : it->second.lock();
    }

    /// The key a template was shared under; false for one not made here.
    bool keyOf(const std::shared_ptr<PRM_Template> &tmpl, std::string &key) const
    {
        auto it = myKeys.find(tmpl.get());
        // An entry of a template gone whose memory holds another now is no match.
        if (it == myKeys.end() || it->second.tmpl.lock() != tmpl)
            return false;
        key = it->second.key;
        return true;
    }

    /// `grownFrom` is the template a multi-parameter's grew from, kept while this one is: the
    /// next node given the same group goes through the same steps.
    void share(const std::string &key, const std::shared_ptr<PRM_Template> &tmpl,
               std::shared_ptr<PRM_Template> grownFrom = nullptr)
    {
        myByKey[key] = tmpl;
        // Only a multi-parameter's group grows by key; a key kept for every template would
        // cost as much as the template itself for those no other node shares.
        if (tmpl->isMultiParm())
            myKeys[tmpl.get()] = {tmpl, key, std::move(grownFrom)};
        // Templates no node holds any more are dropped now and then.
        if (myByKey.size() >= mySweepAt)
        {
            std::erase_if(myByKey, [](const auto &entry) { return entry.second.expired(); });
            std::erase_if(myKeys, [](const auto &entry) { return entry.second.tmpl.expired(); });
            mySweepAt = 2 * myByKey.size() + 64;
        }
    }

private:
    struct cmd_Made
    {
        std::weak_ptr<PRM_Template> tmpl;
        std::string key;
        std::shared_ptr<PRM_Template> grownFrom;
    };
    // Hashed however few: keys alike in length are common, and comparing them one after
    // another costs more than hashing one.
    struct cmd_KeyHash
    {
        size_t operator()(const std::string &key) const
        {
            return std::hash<std::string_view>{}(key);
        }
    };
    std::unordered_map<std::string, std::weak_ptr<PRM_Template>, cmd_KeyHash> myByKey;
    std::unordered_map<const PRM_Template *, cmd_Made> myKeys;
    size_t mySweepAt = 64;
};

// The defaults after a spare parameter's size, by its type; false (with the command failed)
// on a bad one. A multi-parameter's one word there is the number of its first instance.
bool cmd_spareDefaults(CMD_Args &args, const PRM_Type &type, std::vector<PRM_Default> &defaults,
                       unsigned &first)
{
    for (int i = 5; i < args.argc(); ++i)
    {
        if (type == PRM_MULTIPARM)
        {
            // Numbers past a million are nobody's layers, and the last must fit an int.
            if (args.argc() > 6 ||
                !CMD_NodeArgs::parseIndex(args, args(i), "first instance", first) ||
                first > 1000000)
            {
                if (!args.failed())
                    args.fail("A multi-parameter takes one number: its first instance's");
                return false;
            }
        }
        else if (type == PRM_SWITCHER)
        {
            if (!cmd_folderDefault(args, args(i), defaults))
                return false;
        }
        else if (type.isStringType())
            defaults.emplace_back(0, args(i));
        else if (UT_String::isNumber(args(i)) &&
                 PRM_Parm::fitsNumber(type.getBasicType(), std::strtod(args(i), nullptr)))
            defaults.emplace_back(std::strtod(args(i), nullptr));
        else
        {
            args.fail("Bad default '" + std::string(args(i)) + "'");
            return false;
        }
    }
    return true;
}

// The key of the template a `spare` command makes, in `key`: its words, and for a child of a
// group the key of the count's template before them. Empty when the count's template was not
// made here (nothing to share it with).
void cmd_templateKey(CMD_Args &args, OP_Node &node, bool child, std::string &key)
{
    key.clear();
    if (!child)
        return cmd_spareKey(args, key);
    const std::shared_ptr<PRM_Template> count = node.getSpareTemplate(args.argp('m'));
    if (!count || !cmd_SpareTemplates::get().keyOf(count, key))
    {
        key.clear();
        return;
    }
    key.push_back('\2');
    cmd_spareKey(args, key);
}

// A key's memory, kept from one command to the next: a key is longer than a string holds
// without allocating, and every surface of a large scene sends fourteen. Taken for the
// command's time, so that a command run meanwhile would make its own.
class cmd_KeyBuffer
{
public:
    cmd_KeyBuffer() : myKey(std::move(theKept)) {}
    ~cmd_KeyBuffer() { theKept = std::move(myKey); }
    cmd_KeyBuffer(const cmd_KeyBuffer &) = delete;
    cmd_KeyBuffer &operator=(const cmd_KeyBuffer &) = delete;

    std::string &get() { return myKey; }

private:
    static inline thread_local std::string theKept;
    std::string myKey;
};

// The template of a spare parameter, or of a group's child, from the command's words; null
// with the command failed when they are bad.
std::shared_ptr<PRM_Template> cmd_newTemplate(CMD_Args &args, const PRM_Type &type)
{
    auto spare = cmd_spareData(args);
    if (args.failed())
        return nullptr;
    unsigned size = 0;
    if (!CMD_NodeArgs::parseIndex(args, args(4), "size", size))
        return nullptr;
    if (size < 1 || size > 16 || (type == PRM_MULTIPARM && size != 1))
    {
        args.fail(type == PRM_MULTIPARM ? "A multi-parameter has one component"
                                        : "A parameter has 1 to 16 components");
        return nullptr;
    }
    std::vector<PRM_Default> defaults;
    unsigned first = 1;
    if (!cmd_spareDefaults(args, type, defaults, first))
        return nullptr;
    const char *label = args.found('l') ? args.argp('l') : args(2);
    auto tmpl =
        std::make_shared<PRM_Template>(type, static_cast<int>(size), PRM_Name(args(2), label),
                                       defaults, nullptr, PRM_Range{}, std::move(spare));
    tmpl->setMultiStartOffset(static_cast<int>(first));
    return tmpl;
}

// Adds the parameter or group child that `key` names, made before for another node.
bool cmd_addKnown(CMD_Args &args, OP_Node &node, bool child,
                  const std::shared_ptr<PRM_Template> &known, std::string &error)
{
    OP_SpareParmState::record(node);
    if (!child)
        return node.addSpareParm(known, error);
    // The grown template's last child is the one these words make.
    const std::vector<PRM_Template> &children = known->getMultiParmTemplates();
    return children.size() >= 2 &&
           node.addSpareMultiChild(args.argp('m'), children[children.size() - 2], error, known);
}

// Adds a parameter or group child made from the words, and shares its template under `key`
// (when there is one) with the nodes given the same words next.
bool cmd_addNew(CMD_Args &args, OP_Node &node, const PRM_Type &type, bool child,
                const std::string &key, std::string &error)
{
    std::shared_ptr<PRM_Template> made = cmd_newTemplate(args, type);
    if (!made)
        return false;
    OP_SpareParmState::record(node);
    cmd_SpareTemplates &templates = cmd_SpareTemplates::get();
    if (!child)
    {
        templates.share(key, made);
        return node.addSpareParm(std::move(made), error);
    }
    const std::shared_ptr<PRM_Template> count = node.getSpareTemplate(args.argp('m'));
    if (!node.addSpareMultiChild(args.argp('m'), *made, error))
        return false;
    if (!key.empty())
        templates.share(key, node.getSpareTemplate(args.argp('m')), count);
    return true;
}

void cmd_spare(CMD_Args &args)
{
    // The root is not saved with the scene, so nothing on it could come back from a file.
    OP_Node *node = CMD_NodeArgs::memberArg(args, 4, "The root takes no spare parameters");
    if (!node)
        return;
    const std::string type = args(3);
    static const std::map<std::string, PRM_Type> theTypes = {
        {"int", PRM_INT},         {"float", PRM_FLT}, {"string", PRM_STRING},
        {"toggle", PRM_TOGGLE},   {"color", PRM_RGB}, {"vector", PRM_XYZ},
        {"folder", PRM_SWITCHER}, {"file", PRM_FILE}, {"multi", PRM_MULTIPARM},
    };
    auto it = theTypes.find(type);
    if (it == theTypes.end())
    {
        args.fail("Unknown parameter type '" + type +
                  "' (int, float, string, toggle, color, vector, file, folder or multi)");
        return;
    }
    const bool child = args.found('m');
    if (child && (it->second == PRM_SWITCHER || it->second == PRM_MULTIPARM))
    {
        args.fail("An instance group holds no " + type);
        return;
    }
    // Scenes saved before an operator had a parameter of its own carry it as a spare one,
    // which the operator's now stands for.
    // (The quick test first: parameters come one command after another, and an index made for
    // this question would be dropped by the addition.)
    PRM_Parm *own =
        !child && OPgetDirector()->isLoading() && node->getParmList()->mayOverlap(args(2))
            ? node->getParmPtr(args(2))
            : nullptr;
    if (own && !own->isSpareParm() && !own->isMultiInstance())
        return;
    // Words seen before make the template made then: nothing of them need be read again.
    std::string error;
    cmd_KeyBuffer buffer;
    std::string &key = buffer.get();
    cmd_templateKey(args, *node, child, key);
    const std::shared_ptr<PRM_Template> known =
        key.empty() ? nullptr : cmd_SpareTemplates::get().find(key);
    const bool added = known ? cmd_addKnown(args, *node, child, known, error)
                             : cmd_addNew(args, *node, it->second, child, key, error);
    if (args.failed())
        return;
    if (!added)
        args.fail(error);
    else
        node->opChanged(OP_SPAREPARM_MODIFIED);
}
} // namespace

void CMD_SpareCommand::install(CMD_Manager &m)
{
    m.installCommand("spare", "l:t:m:", cmd_spare, true,
                     "spare [-l LABEL] [-t KEY=VALUE]... [-m MULTI] PATH NAME TYPE SIZE "
                     "[DEFAULT...]");
}
