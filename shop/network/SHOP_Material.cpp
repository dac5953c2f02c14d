#include <shop/network/SHOP_Material.h>

#include <shop/network/SHOP_Output.h>

#include <CH/CH_Manager.h>
#include <OP/OP_Director.h>
#include <PI/PI_DisableRule.h>
#include <PI/PI_EditScriptedParms.h>
#include <PI/PI_OldParms.h>
#include <UT/UT_Thread.h>
#include <UT/UT_UndoManager.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{
constexpr const char *thePromoteStep = "Promote shader parameters";
constexpr const char *theClearStep = "Clear promoted parameters";

void shop_appendLines(UT_String &errors, const std::vector<std::string> &messages)
{
    for (const std::string &message : messages)
        errors.str() += message + "\n";
}

// Applies an edited set to the material, its messages appended one per line, each naming it.
void shop_apply(SHOP_Node &material, PI_EditScriptedParms &edit, UT_String &errors)
{
    UT_String applied;
    OPgetDirector()->changeNodeSpareParms(material, edit.getTemplates(), applied);
    std::istringstream lines(applied.toStdString());
    for (std::string line; std::getline(lines, line);)
        errors.str() += material.getFullPath() + ": " + line + "\n";
}

bool shop_isPromoted(const PI_EditScriptedParm &entry)
{
    const char *value = entry.getSpareValue(SHOP_Material::thePromotedKey);
    return value && std::atoi(value) != 0;
}

// Lists the entries that pass the test; those that fail keep every folder open around them
// (a group start included, being open at its own test).
void shop_listRemovals(const PI_EditScriptedParms &edit, bool all, std::vector<int> &listed,
                       std::vector<bool> &kept)
{
    std::vector<int> open;
    kept.assign(static_cast<size_t>(edit.getNParms()), false);
    for (int i = 0; i < edit.getNParms(); ++i)
    {
        const PI_EditScriptedParm &entry = *edit.getParm(i);
        if (entry.isGroupStart())
            open.push_back(i);
        else if (entry.isGroupEnd() && !open.empty())
            open.pop_back();
        if (all ? *entry.getName() != '\0' : shop_isPromoted(entry))
        {
            listed.push_back(i);
            continue;
        }
        for (int start : open)
        {
            kept[static_cast<size_t>(start)] = true;
            const int end = edit.getMatchingGroupParm(start);
            if (end >= 0)
                kept[static_cast<size_t>(end)] = true;
        }
    }
}

void shop_removeEmptyFolders(PI_EditScriptedParms &edit)
{
    for (int i = edit.getNParms() - 1; i >= 0; --i)
        if (i < edit.getNParms() && edit.getParm(i)->isGroupStart() &&
            edit.getMatchingGroupParm(i) == i + 1)
            edit.removeParms(i, i + 1);
}

void shop_clear(SHOP_Node &material, UT_String &errors, bool all)
{
    PI_EditScriptedParms edit(&material, true, true);
    PI_OldParms old;
    old.preserveOldParms(edit);
    std::vector<int> listed;
    std::vector<bool> kept;
    shop_listRemovals(edit, all, listed, kept);
    if (listed.empty())
        return;
    for (auto it = listed.rbegin(); it != listed.rend(); ++it)
    {
        if (kept[static_cast<size_t>(*it)])
            continue;
        old.deleteOldParm(edit.getParm(*it)->getName());
        edit.removeParms(*it, *it);
    }
    shop_removeEmptyFolders(edit);
    std::vector<std::string> linkErrors;
    std::vector<std::string> linkWarnings;
    old.resolveOldParmLinks(material.getUniqueId(), linkErrors, linkWarnings);
    shop_appendLines(errors, linkErrors);
    shop_appendLines(errors, linkWarnings);
    shop_apply(material, edit, errors);
}

// The folder label of a shader type: its label without " Shader".
std::string shop_folderLabel(SHOP_TYPE type)
{
    const char *label = SHOP_Node::getShaderLabel(type);
    std::string text = label ? label : SHOP_Node::getShaderType(type);
    const std::string shader = " Shader";
    for (std::string::size_type at; (at = text.find(shader)) != std::string::npos;)
        text.erase(at, shader.size());
    return text;
}

// Whether a source entry is promoted; for a parameter, `channels` gets the channel each of its
// components finally reads, which must all lie in the material.
bool shop_accept(const PI_EditScriptedParm &entry, const SHOP_Node &material, SHOP_Node &shader,
                 std::vector<std::string> &channels)
{
    if (entry.getExportDisable())
        return false;
    if (entry.getKind() != PI_EditScriptedParm::PARM)
        return true;
    PRM_Parm *parm = shader.getParmPtr(entry.getName());
    if (!parm)
        return false;
    for (int c = 0; c < parm->getVectorSize(); ++c)
    {
        OP_Node *node = &shader;
        PRM_Parm *read = parm;
        int component = c;
        OP_Parameters::followChannelReferences(node, read, component);
        if (!node || node->getParent() != &material)
            return false;
        channels.push_back(node->getFullPath() + "/" + read->getChannelToken(component));
    }
    return true;
}

// A promoted parameter: its new name, and the shader parameter it came from.
struct shop_Promoted
{
    std::string name;
    SHOP_Node *shader;
    std::string source;
};

// One name of a disable rule, as the material reads it: the promoted name when the shader's
// parameter was promoted in this step, the name itself when the material has that
// parameter, else nothing (the comparison is dropped).
bool shop_ruleName(const std::string &word, const shop_Promoted &entry,
                   const std::map<std::string, std::string> &renamed,
                   const PI_EditScriptedParms &dest, std::string &result)
{
    PRM_Parm *parm = entry.shader->getParmList()->getParmPtrFromChannel(word.c_str());
    if (!parm)
        return false;
    const std::string token = parm->getToken();
    auto it = renamed.find(token);
    if (it != renamed.end())
    {
        result = it->second + word.substr(std::min(token.size(), word.size()));
        return true;
    }
    result = word;
    return dest.hasParm(token.c_str());
}

std::string shop_rewriteRule(const std::string &rule, const shop_Promoted &entry,
                             const std::map<std::string, std::string> &renamed,
                             const PI_EditScriptedParms &dest)
{
    const std::vector<std::string> words = PI_DisableRule::split(rule);
    std::string result;
    size_t i = 0;
    while (i < words.size())
    {
        ++i; // the block's opening
        std::string block = "{ ";
        bool any = false;
        while (i < words.size() && words[i] != "}")
        {
            const std::string name = words[i++];
            const std::string value = i < words.size() && words[i] != "}" ? words[i++] : "";
            std::string compared;
            if (PI_DisableRule::isValidOperator(value) && i < words.size() && words[i] != "}")
                compared = words[i++];
            std::string word;
            if (!shop_ruleName(name, entry, renamed, dest, word))
                continue;
            block += word + " " + PI_DisableRule::protect(value) + " ";
            if (PI_DisableRule::isValidOperator(value))
                block += PI_DisableRule::protect(compared) + " ";
            any = true;
        }
        ++i; // the closing brace
        if (any)
            result += (result.empty() ? "" : " ") + block + "}";
    }
    return result;
}

void shop_rewriteRules(PI_EditScriptedParms &dest, const std::vector<shop_Promoted> &promoted)
{
    std::map<SHOP_Node *, std::map<std::string, std::string>> renamed;
    for (const shop_Promoted &p : promoted)
        renamed[p.shader][p.source] = p.name;
    for (auto it = promoted.rbegin(); it != promoted.rend(); ++it)
    {
        PI_EditScriptedParm *entry = dest.getParm(dest.findParm(it->name.c_str()));
        if (entry && !entry->getDisableWhen().empty())
            entry->setDisableWhen(
                shop_rewriteRule(entry->getDisableWhen(), *it, renamed[it->shader], dest));
    }
}

// Where the entries of a shader's folder go: into the folder of that label when the material
// has one (at its end), else into a new one at the end.
int shop_placeFolder(PI_EditScriptedParms &dest, const std::string &label)
{
    for (int i = 0; i < dest.getNParms(); ++i)
        if (dest.getParm(i)->isGroupStart() && label == dest.getParm(i)->getLabel())
            return dest.getMatchingGroupParm(i);
    dest.addParm(PI_EditScriptedParm(PI_EditScriptedParm::GROUP_START, nullptr, label.c_str()));
    dest.addParm(PI_EditScriptedParm(PI_EditScriptedParm::GROUP_END, nullptr, nullptr));
    return dest.getNParms() - 1;
}

void shop_promoteShader(SHOP_Node &material, SHOP_Node &shader, SHOP_TYPE type,
                        const std::string &label, UT_String &errors)
{
    PI_EditScriptedParms source = shader.getVopCodeGenerator() || type == SHOP_PROPERTIES
                                      ? PI_EditScriptedParms::allParmsOf(&shader)
                                      : PI_EditScriptedParms(shader.getOperator());
    if (source.getNParms() == 0)
        return;
    PI_EditScriptedParms dest(&material, true, true);
    const int insert = shop_placeFolder(dest, label);
    const int first = dest.getNParms();
    std::vector<shop_Promoted> promoted;
    for (int k = 0; k < source.getNParms(); ++k)
    {
        const PI_EditScriptedParm &entry = *source.getParm(k);
        if (entry.isGroupStart() && k + 1 < source.getNParms() &&
            source.getParm(k + 1)->isGroupEnd())
        {
            ++k; // an empty folder
            continue;
        }
        std::vector<std::string> channels;
        if (!shop_accept(entry, material, shader, channels))
            continue;
        PI_EditScriptedParm copy = entry;
        if (*entry.getName())
            copy.setName((shader.getName() + "_" + entry.getName()).c_str());
        copy.setSpareValue(SHOP_Material::thePromotedKey, "1");
        copy.setAutoLinks(std::move(channels));
        if (const PRM_Parm *parm = entry.getKind() == PI_EditScriptedParm::PARM
                                       ? shader.getParmPtr(entry.getName())
                                       : nullptr)
        {
            copy.copyDefaultValuesFromParm(parm, 0);
            promoted.push_back({copy.getName(), &shader, entry.getName()});
        }
        dest.addParm(copy);
    }
    std::vector<std::string> messages;
    dest.applyAutoLinks(material, messages);
    shop_appendLines(errors, messages);
    if (dest.getNParms() > first)
        dest.moveParms(first, dest.getNParms() - 1, insert - first);
    shop_rewriteRules(dest, promoted);
    shop_apply(material, dest, errors);
}

void shop_promoteType(SHOP_Node &material, SHOP_TYPE type, float now, UT_String &errors)
{
    UT_PtrArray<SHOP_Node *> shaders;
    material.collectShaders(shaders, type, now, nullptr);
    const std::string base = shop_folderLabel(type);
    for (int i = 0; i < shaders.entries(); ++i)
        if (shaders(i))
            shop_promoteShader(material, *shaders(i), type,
                               i == 0 ? base : base + " " + std::to_string(i + 1), errors);
}
} // namespace

SHOP_Material::SHOP_Material(OP_Network *parent, const char *name, OP_Operator *op)
    : SHOP_SubNet(parent, name, op, true)
{
}

SHOP_Material::~SHOP_Material() = default;

OP_Node *SHOP_Material::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_Material(parent, name, op);
}

bool SHOP_Material::runCreateScript()
{
    if (!getOutputNode() && !UTperformingUndoRedo())
        createNode(SHOP_Output::theOperatorName, "out");
    return SHOP_SubNet::runCreateScript();
}

bool SHOP_Material::clearPromotedParms(SHOP_Node *material, UT_String &errors, bool all)
{
    if (material)
    {
        UT_AutoUndoBlock step(theClearStep);
        shop_clear(*material, errors, all);
    }
    return !errors.isstring();
}

bool SHOP_Material::promoteShaderParms(SHOP_Node *material, UT_String &errors, bool all)
{
    if (!material)
        return !errors.isstring();
    UT_AutoUndoBlock step(thePromoteStep);
    const float now = CHgetManager()->getEvaluateTime(UT_Thread::getMySequentialThreadIndex());
    shop_clear(*material, errors, all);
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
    {
        const SHOP_TYPE type = static_cast<SHOP_TYPE>(v);
        if (SHOPgetType(v) != SHOP_UNDEFINED && type != SHOP_MATERIAL)
            shop_promoteType(*material, type, now, errors);
    }
    return !errors.isstring();
}
