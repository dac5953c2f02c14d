// The life-cycle hooks of shader nodes: what a new node gets from its clerks (gallery entry,
// creation scripts), and what they keep for files written by older versions (the parameters
// that surface and geometry shaders used to have).

#include <shop/node/SHOP_Node.h>

#include <shop/clerk/SHOP_Clerk.h>

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_GalleryEntry.h>

#include <cstring>
#include <set>
#include <string>
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
        const char *script = clerk->getCreationScript(type);
        if (!script)
            continue;
        const std::string command =
            std::string("python `findfile('scripts/shop/") + script + "')` " + path;
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
