#include <PI/PI_EditScriptedParms.h>

#include <OP/OP_Director.h>
#include <OP/OP_Node.h>
#include <OP/OP_Operator.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>

PI_EditScriptedParms::PI_EditScriptedParms(OP_Node *node, bool withSpareParms,
                                           bool skipOperatorNames)
    : myNode(node), mySkipOperatorNames(skipOperatorNames)
{
    if (node && withSpareParms)
        addTemplates(node->getSpareParmTemplates());
}

PI_EditScriptedParms::PI_EditScriptedParms(OP_Operator *op)
{
    if (op)
        addTemplates(op->getParmTemplates());
}

PI_EditScriptedParms PI_EditScriptedParms::allParmsOf(OP_Node *node)
{
    PI_EditScriptedParms edit(node ? node->getOperator() : nullptr);
    edit.myNode = node;
    if (node)
        edit.addTemplates(node->getSpareParmTemplates());
    return edit;
}

void PI_EditScriptedParms::addTemplates(const PRM_Template *templates)
{
    int count = 0;
    while (templates && !templates[count].isTerminator())
        ++count;
    for (int at = 0; at < count;)
        at = addLevel(templates, at, INT_MAX);
}

int PI_EditScriptedParms::addLevel(const PRM_Template *templates, int at, int count)
{
    // `count` entries of one level, a switcher counting as one: each of its folders holds the
    // number of level entries its default gives.
    for (int n = 0; n < count && !templates[at].isTerminator(); ++n)
    {
        const PRM_Template &tmpl = templates[at++];
        if (!tmpl.getType().hasFlag(PRM_TYPE_SWITCHERLIST))
        {
            myParms.push_back({PI_EditScriptedParm(tmpl), ""});
            continue;
        }
        for (int folder = 0; folder < tmpl.getVectorSize(); ++folder)
        {
            const PRM_Default *def = tmpl.getDefault(folder);
            std::string name = tmpl.getToken();
            if (folder > 0)
                name.append("_").append(std::to_string(folder));
            const char *label = def && def->getString() ? def->getString() : tmpl.getLabel();
            myParms.push_back(
                {PI_EditScriptedParm(PI_EditScriptedParm::GROUP_START, name.c_str(), label), ""});
            at = addLevel(templates, at, def ? std::max(def->getOrdinal(), 0) : 0);
            myParms.push_back(
                {PI_EditScriptedParm(PI_EditScriptedParm::GROUP_END, nullptr, nullptr), ""});
        }
    }
    return at;
}

int PI_EditScriptedParms::findParm(const char *name) const
{
    for (size_t i = 0; name && i < myParms.size(); ++i)
        if (myParms[i].entry.getKind() == PI_EditScriptedParm::PARM &&
            std::strcmp(myParms[i].entry.getName(), name) == 0)
            return static_cast<int>(i);
    return -1;
}

PI_EditScriptedParm *PI_EditScriptedParms::getParm(int index)
{
    return index >= 0 && index < getNParms() ? &myParms[index].entry : nullptr;
}

const PI_EditScriptedParm *PI_EditScriptedParms::getParm(int index) const
{
    return index >= 0 && index < getNParms() ? &myParms[index].entry : nullptr;
}

bool PI_EditScriptedParms::addParm(const PRM_Template &tmpl, const char *group)
{
    if (tmpl.isTerminator() || hasParm(tmpl.getToken()))
        return false;
    if (mySkipOperatorNames && myNode)
    {
        const PRM_Parm *existing = myNode->getParmPtr(tmpl.getToken());
        if (existing && !existing->isSpareParm())
            return false;
    }
    myParms.push_back({PI_EditScriptedParm(tmpl), group ? group : ""});
    return true;
}

void PI_EditScriptedParms::addParm(const PI_EditScriptedParm &entry)
{
    myParms.push_back({entry, ""});
}

int PI_EditScriptedParms::getMatchingGroupParm(int index) const
{
    const PI_EditScriptedParm *entry = getParm(index);
    if (!entry || entry->getKind() == PI_EditScriptedParm::PARM)
        return -1;
    const int step = entry->isGroupStart() ? 1 : -1;
    int depth = 0;
    for (int i = index; i >= 0 && i < getNParms(); i += step)
    {
        const PI_EditScriptedParm &at = myParms[i].entry;
        if (at.getKind() == entry->getKind())
            ++depth;
        else if (at.getKind() != PI_EditScriptedParm::PARM && --depth == 0)
            return i;
    }
    return -1;
}

void PI_EditScriptedParms::removeParms(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, getNParms() - 1);
    if (first <= last)
        myParms.erase(myParms.begin() + first, myParms.begin() + last + 1);
}

void PI_EditScriptedParms::moveParms(int first, int last, int offset)
{
    if (first < 0 || last >= getNParms() || first > last || offset == 0)
        return;
    // Clamped so that the block stays within the set.
    offset = std::clamp(offset, -first, getNParms() - 1 - last);
    auto begin = myParms.begin();
    if (offset < 0)
        std::rotate(begin + first + offset, begin + first, begin + last + 1);
    else
        std::rotate(begin + first, begin + last + 1, begin + last + 1 + offset);
}

void PI_EditScriptedParms::applyAutoLinks(const OP_Node &node, std::vector<std::string> &messages)
{
    for (pi_Parm &p : myParms)
    {
        const PRM_Template tmpl = p.entry.makeTemplate();
        const std::vector<std::string> &links = p.entry.getAutoLinks();
        for (size_t c = 0; c < links.size(); ++c)
        {
            const std::string::size_type slash = links[c].rfind('/');
            OP_Node *linked = slash == std::string::npos || slash == 0
                                  ? nullptr
                                  : OPgetDirector()->findNode(links[c].substr(0, slash).c_str());
            int component = 0;
            PRM_Parm *parm = linked ? linked->getParmList()->getParmPtrFromChannel(
                                          links[c].substr(slash + 1).c_str(), &component)
                                    : nullptr;
            std::string error;
            if (!parm)
                error = "no such channel";
            else if (static_cast<int>(c) >= tmpl.getVectorSize())
                error =
                    "'" + std::string(tmpl.getToken()) + "' has no component " + std::to_string(c);
            else
            {
                const char *function = tmpl.getBasicType() == PRM_BASIC_STRING ? "chs" : "ch";
                const std::string reference = std::string(function) + "(\"" +
                                              linked->getRelativePathTo(&node) + "/" +
                                              tmpl.getChannelToken(static_cast<int>(c)) + "\")";
                parm->setExpression(component, reference.c_str(), error);
            }
            if (!error.empty())
                messages.push_back("Cannot link " + links[c] + " to " + node.getFullPath() + "/" +
                                   tmpl.getChannelToken(static_cast<int>(c)) + ": " + error);
        }
        p.entry.setAutoLinks({});
    }
}

int PI_EditScriptedParms::makeLevel(int at, std::vector<PRM_Template> &out, int &count)
{
    count = 0;
    while (at < getNParms() && !myParms[at].entry.isGroupEnd())
    {
        const PI_EditScriptedParm &entry = myParms[at].entry;
        ++count;
        if (!entry.isGroupStart())
        {
            out.push_back(entry.makeTemplate());
            ++at;
            continue;
        }
        // A run of folders, each directly after the end of the one before, makes one switcher.
        const size_t switcher = out.size();
        out.emplace_back();
        std::vector<PRM_Default> folders;
        const PI_EditScriptedParm &first = entry;
        while (at < getNParms() && myParms[at].entry.isGroupStart())
        {
            int inside = 0;
            const std::string label = myParms[at].entry.getLabel();
            at = makeLevel(at + 1, out, inside);
            folders.emplace_back(inside, label.c_str());
            if (at < getNParms())
                ++at; // the group end
        }
        const int size = static_cast<int>(folders.size()); // before the folders move
        out[switcher] = PRM_Template(
            PRM_SWITCHER, size, PRM_Name(first.getName(), first.getLabel()), std::move(folders));
    }
    return at;
}

const PRM_Template *PI_EditScriptedParms::getTemplates()
{
    myTerminated.clear();
    // Folders made here have no name of their own yet: they take the first "folderN" free.
    std::set<std::string> names;
    for (const pi_Parm &p : myParms)
        names.insert(p.entry.getName());
    int next = 1;
    for (pi_Parm &p : myParms)
        if (p.entry.isGroupStart() && !*p.entry.getName())
        {
            while (names.count("folder" + std::to_string(next)))
                ++next;
            p.entry.setName(("folder" + std::to_string(next)).c_str());
            names.insert(p.entry.getName());
        }
    int count = 0;
    for (int at = 0; at < getNParms();)
    {
        at = makeLevel(at, myTerminated, count);
        if (at < getNParms())
            ++at; // a group end without its start
    }
    myTerminated.emplace_back();
    return myTerminated.data();
}
