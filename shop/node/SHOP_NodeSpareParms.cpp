// The life-cycle hooks of shader nodes: what a new node gets from its clerks (gallery entry,
// creation scripts), and what they keep for files written by older versions (the parameters
// that surface and geometry shaders used to have).

#include <shop/node/SHOP_Node.h>

#include <shop/clerk/SHOP_Clerk.h>

#include <CH/CH_Channel.h>
#include <CMD/CMD_Manager.h>
#include <CMD/CMD_Tokenizer.h>
#include <OP/OP_Director.h>
#include <OP/OP_GalleryEntry.h>
#include <PI/PI_EditScriptedParms.h>
#include <PI/PI_PropertyMap.h>
#include <UT/UT_PathSearch.h>

#include <cstring>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{
std::vector<PRM_Template> *shop_buildObsolete(SHOP_TYPE type)
{
    auto *list = new std::vector<PRM_Template>;
    auto add = [list](const std::string &name, int size)
    { list->emplace_back(PRM_STRING, size, PRM_Name(name.c_str(), name.c_str())); };
    add("op_folder_tabs", 2);
    if (type == SHOP_SURFACE)
    {
        add("ogl_texture_layer_switcher", 2);
        add("ogl_texture_layer1to8_switcher", 8);
        add("ogl_texture_layer9to16_switcher", 8);
        for (int layer = 1; layer <= 16; ++layer)
        {
            const std::string suffix = layer == 1 ? "" : std::to_string(layer);
            for (const char *base :
                 {"ogl_tex", "ogl_tex_min_filter", "ogl_tex_mag_filter", "ogl_clamping_mode"})
                add(base + suffix, 1);
        }
    }
    list->emplace_back();
    return list;
}

PI_PropertyMap *shop_buildSurfaceMap()
{
    std::vector<PI_PropertyMap::Definition> defs;
    for (const char *colour : {"ogl_amb", "ogl_diff", "ogl_spec", "ogl_emit"})
    {
        const std::string name = colour;
        defs.push_back({name, {name + "r", name + "g", name + "b"}, ""});
    }
    for (const char *single : {"ogl_rough", "ogl_alpha", "ogl_light", "ogl_cutout"})
        defs.push_back({single, {single}, ""});
    return new PI_PropertyMap("shop", std::move(defs));
}

PI_PropertyMap *shop_buildGeometryMap()
{
    std::vector<PI_PropertyMap::Definition> defs;
    for (const auto &[prefix, group] : {std::pair{"vmproc", "ifd_bbox"}, {"riproc", "rib_bbox"}})
        for (const char *suffix : {"_boxstyle", "_soppath", "_minbound", "_maxbound"})
        {
            const std::string name = std::string(prefix) + suffix;
            defs.push_back({name, {name}, group});
        }
    return new PI_PropertyMap("shop", std::move(defs));
}

// The map for a shader type: made once, on first use, and kept for the process.
const PI_PropertyMap *shop_propertyMap(SHOP_TYPE type)
{
    static PI_PropertyMap *theSurface = nullptr;
    static PI_PropertyMap *theGeometry = nullptr;
    PI_PropertyMap **map = type == SHOP_SURFACE    ? &theSurface
                           : type == SHOP_GEOMETRY ? &theGeometry
                                                   : nullptr;
    if (!map)
        return nullptr;
    if (!*map)
    {
        *map = type == SHOP_SURFACE ? shop_buildSurfaceMap() : shop_buildGeometryMap();
        (*map)->createTokenMap();
    }
    return *map;
}
} // namespace

const PRM_Template *SHOP_Node::getObsolete(SHOP_TYPE type)
{
    // Built on first request and kept for the process: operators keep pointing at them.
    static std::vector<PRM_Template> *theSurface = nullptr;
    static std::vector<PRM_Template> *theGeometry = nullptr;
    if (type == SHOP_SURFACE)
    {
        if (!theSurface)
            theSurface = shop_buildObsolete(SHOP_SURFACE);
        return theSurface->data();
    }
    if (type == SHOP_GEOMETRY)
    {
        if (!theGeometry)
            theGeometry = shop_buildObsolete(SHOP_GEOMETRY);
        return theGeometry->data();
    }
    return nullptr;
}

void SHOP_Node::changeParmTemplate(PRM_Template *tmpl)
{
    destroyCache();
    OP_Network::changeParmTemplate(tmpl);
}

void SHOP_Node::createGalleryEntry(OP_GalleryEntry &entry)
{
    OP_Network::createGalleryEntry(entry);
    std::string keywords = entry.getKeywords();

    // A sorted set: clerks of several outputs often share words, and the order stays stable.
    std::set<std::string> words;
    static constexpr const char *theSeparators = ", \t\n";
    for (unsigned i = 0; i < maxOutputs(); ++i)
    {
        const SHOP_TYPE type = getOutputType(static_cast<int>(i));
        if (type == SHOP_UNDEFINED)
            continue;
        for (SHOP_Clerk *clerk : getClerkList(type))
        {
            if (!renderMatch(*clerk))
                continue;
            const char *text = clerk->getDefaultKeywords();
            if (!text)
                continue;
            for (const char *p = text; *p;)
            {
                const size_t skip = std::strspn(p, theSeparators);
                p += skip;
                const size_t length = std::strcspn(p, theSeparators);
                if (length)
                    words.emplace(p, length);
                p += length;
            }
        }
    }
    for (const std::string &word : words)
    {
        if (!keywords.empty())
            keywords += ' ';
        keywords += word;
    }
    entry.setKeywords(keywords.c_str());

    if (getShaderType() != SHOP_UNDEFINED)
        entry.setCategories(getShaderLabel(getShaderType()));
}

namespace
{
// The command that runs a clerk's creation script on a node: python with the script's file
// along the search path. The file is looked up once per script while the search path stays
// the same, not once per new node (its text is still read by each run, so an edited script
// takes effect at once); while none is found, the lookup stays in the command, as findfile(),
// and so does its failure.
std::string shop_creationCommand(const char *script, const std::string &nodePath)
{
    // Main thread only, as creation is.
    static std::vector<std::string> theSearched;
    static std::unordered_map<std::string, std::string> theFiles;
    const UT_PathSearch &search = *UT_PathSearch::getInstance();
    if (search.getDirectories() != theSearched)
    {
        theSearched = search.getDirectories();
        theFiles.clear();
    }
    const std::string name = std::string("scripts/shop/") + script;
    auto it = theFiles.find(name);
    if (it == theFiles.end())
    {
        std::string file;
        if (!search.findFile(file, name.c_str()))
            return "python `findfile('" + name + "')` " + nodePath;
        it = theFiles.emplace(name, file).first;
    }
    return "python " + CMD_Tokenizer::quote(it->second) + " " + nodePath;
}
} // namespace

bool SHOP_Node::runCreateScript()
{
    if (!OP_Network::runCreateScript())
        return false;
    const SHOP_TYPE type = getShaderType();
    // A copy: a script may register clerks while the list is walked.
    const UT_PtrArray<SHOP_Clerk *> clerks = getClerkList(type);
    if (clerks.entries() == 0)
        return true;

    // Scripts run as if typed in the node's network, silently, and their parameter changes
    // count as the node's set-up rather than as user edits.
    OP_Director *director = OPgetDirector();
    // Ids rather than pointers: a script may delete this node or the working network.
    const int oldCwdId = director->getCwd()->getUniqueId();
    const int myId = getUniqueId();
    CMD_Manager *commands = CMDgetManager();
    const bool oldEcho = commands->getEcho();
    commands->setEcho(false);
    setRunningCreateScript(1);
    getParmList()->beginLoading();
    if (OP_Network *parent = getParent())
        director->setCwd(parent);

    const std::string path = getFullPath();
    bool alive = true;
    for (SHOP_Clerk *clerk : clerks)
    {
        if (!renderMatch(*clerk))
            continue;
        // An empty name is no script: run as a path it would name the scripts folder itself.
        const char *script = clerk->getCreationScript(type);
        if (!script || !*script)
            continue;
        const std::string command = shop_creationCommand(script, path);
        // A failing script has been reported by the command manager; the node stays made.
        commands->sendInput(command.c_str());
        if (director->lookupNode(myId) != this)
        {
            alive = false;
            break;
        }
    }

    commands->setEcho(oldEcho);
    OP_Node *oldCwd = director->lookupNode(oldCwdId);
    director->setCwd(oldCwd && oldCwd->isNetwork() ? static_cast<OP_Network *>(oldCwd) : nullptr);
    if (alive)
    {
        getParmList()->endLoading();
        setRunningCreateScript(0);
    }
    return true;
}

bool SHOP_Node::createSpareParametersForLoad(UT_StringArray &names, PRM_ParmNameMap &nameMap,
                                             UT_String &errors)
{
    const PI_PropertyMap *map = shop_propertyMap(myShaderType);
    if (!map)
        return true;
    PI_EditScriptedParms edit(this, true, true);
    int made = 0;
    for (size_t i = names.size(); i-- > 0;)
    {
        if (names[i].empty() || !map->createFromChannel(edit, &nameMap, names[i].c_str()))
            continue;
        ++made;
        names.erase(names.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (made > 0)
        OPgetDirector()->changeNodeSpareParms(*this, edit.getTemplates(), errors);
    return getErrorManager().getSeverity() < UT_ERROR_ABORT && !errors.isstring();
}

bool SHOP_Node::createSpareParametersFromChannels(UT_BitArray &selected,
                                                  const UT_PtrArray<CH_Channel *> &channels)
{
    const PI_PropertyMap *map = shop_propertyMap(myShaderType);
    if (!map)
        return true;
    PI_EditScriptedParms edit(this, true, true);
    int made = 0;
    for (int i = 0; i < channels.entries(); ++i)
    {
        if (!selected.getBit(i) || !channels(i) ||
            !map->createFromChannel(edit, nullptr, channels(i)->getName().c_str()))
            continue;
        ++made;
        selected.setBit(i, false);
    }
    UT_String errors;
    if (made > 0)
        OPgetDirector()->changeNodeSpareParms(*this, edit.getTemplates(), errors);
    if (!selected.allZeros())
    {
        for (int i = 0; i < channels.entries(); ++i)
            if (selected.getBit(i) && channels(i) &&
                getParmList()->getParmPtrFromChannel(channels(i)->getName().c_str()))
                selected.setBit(i, false);
        if (!selected.allZeros())
            return OP_Network::createSpareParametersFromChannels(selected, channels);
    }
    return getErrorManager().getSeverity() < UT_ERROR_ABORT && !errors.isstring();
}
