#include <OP/OP_Parameters.h>

#include <CH/CH_Channel.h>
#include <EV/EV_Expression.h>
#include <OP/OP_Node.h>
#include <OP/OP_Operator.h>
#include <UT/UT_Thread.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <regex>
#include <string_view>

OP_Parameters::OP_Parameters(OP_Operator *op) : myOperator(op)
{
    int count = 0;
    for (PRM_Template *t = op->getParmTemplates(); !t->isTerminator(); ++t)
        ++count;
    myParms.reserve(count);
    for (PRM_Template *t = op->getParmTemplates(); !t->isTerminator(); ++t)
        myParms.appendParm(t, this, false);
}

OP_Parameters::~OP_Parameters() = default;

PRM_Template *OP_Parameters::getParmTemplates() const
{
    return myOperator->getParmTemplates();
}

namespace
{
int op_clampInt(int64_t v)
{
    return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
}
} // namespace

int OP_Parameters::evalInt(const char *name, int component, float time) const
{
    return evalInt(myParms.getParmIndex(name), component, time);
}

int OP_Parameters::evalInt(int index, int component, float time) const
{
    const PRM_Parm *parm = myParms.getParmPtr(index);
    return parm ? op_clampInt(
                      parm->evalInt(component, time, UT_Thread::getMySequentialThreadIndex()))
                : 0;
}

float OP_Parameters::evalFloat(const char *name, int component, float time) const
{
    return evalFloat(myParms.getParmIndex(name), component, time);
}

float OP_Parameters::evalFloat(int index, int component, float time) const
{
    const PRM_Parm *parm = myParms.getParmPtr(index);
    return parm ? parm->evalFloat(component, time, UT_Thread::getMySequentialThreadIndex()) : 0;
}

void OP_Parameters::evalString(UT_String &value, const char *name, int component, float time) const
{
    evalString(value, myParms.getParmIndex(name), component, time);
}

void OP_Parameters::evalString(UT_String &value, int index, int component, float time) const
{
    const PRM_Parm *parm = myParms.getParmPtr(index);
    value = parm ? parm->evalString(component, time, UT_Thread::getMySequentialThreadIndex())
                 : std::string();
}

namespace
{
const std::vector<std::shared_ptr<PRM_Template>> &op_noTemplates()
{
    static const std::vector<std::shared_ptr<PRM_Template>> theNone;
    return theNone;
}

// Channel names are read out of expression texts, so they keep to what a reference can
// spell, in ASCII whatever the locale; an instance template's name also holds the '#' that its
// number replaces.
bool op_validName(const PRM_Template &tmpl, bool instance, std::string &error)
{
    const std::string_view name = tmpl.isTerminator() ? std::string_view() : tmpl.getToken();
    bool valid = !name.empty();
    bool numbered = false;
    for (const char c : name)
    {
        numbered = numbered || c == '#';
        valid = valid && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '_' || (instance && c == '#'));
    }
    valid = valid && (!instance || numbered);
    if (!valid)
        error = "Bad parameter name '" + std::string(name) + "'" +
                (instance ? " (it needs a '#')" : "");
    return valid;
}
} // namespace

bool OP_Parameters::addSpareParm(const PRM_Template &tmpl, std::string &error)
{
    return addSpareParm(std::make_shared<PRM_Template>(tmpl), error);
}

bool OP_Parameters::addSpareParm(std::shared_ptr<PRM_Template> shared, std::string &error)
{
    if (!shared)
    {
        error = "No parameter template";
        return false;
    }
    const PRM_Template &tmpl = *shared;
    if (!op_validName(tmpl, false, error))
        return false;
    // The quick test first, which builds no index that the addition would drop again; the
    // exact ones only when it finds something.
    if (const char *name = tmpl.getToken(); myParms.mayOverlap(name))
    {
        if (myParms.getParmPtr(name))
        {
            error = "Parameter '" + std::string(name) + "' already exists";
            return false;
        }
        for (int c = 0; c < tmpl.getVectorSize(); ++c)
        {
            const std::string channel = tmpl.getChannelToken(c);
            if (myParms.getParmPtrFromChannel(channel.c_str()))
            {
                error = "Channel '" + channel + "' already exists";
                return false;
            }
        }
    }
    OP_Node::countChange();
    PRM_Template *added = shared.get();
    mySpares = OP_SpareList::append(mySpares, std::move(shared));
    dropSpareTemplateCopies();
    myParms.appendParm(added, this, true);
    return true;
}

std::shared_ptr<PRM_Template> OP_Parameters::getSpareTemplate(const char *name) const
{
    // A walk, not the index: spare parameters come one after another, and an index made for
    // this question would be dropped by the next addition.
    for (const auto &tmpl : mySpares ? mySpares->templates() : op_noTemplates())
        if (name && std::strcmp(tmpl->getToken(), name) == 0)
            return tmpl;
    return nullptr;
}

bool OP_Parameters::addSpareMultiChild(const char *multi, const PRM_Template &child,
                                       std::string &error, std::shared_ptr<PRM_Template> grown)
{
    std::shared_ptr<PRM_Template> current = getSpareTemplate(multi);
    PRM_Parm *count = nullptr;
    for (int i = myParms.getEntries() - 1; current && i >= 0 && !count; --i)
        if (myParms.getParmPtr(i)->getTemplatePtr() == current.get())
            count = myParms.getParmPtr(i);
    if (!count || !current->isMultiParm())
    {
        error = "No spare multi-parameter '" + std::string(multi ? multi : "") + "'";
        return false;
    }
    if (!op_validName(child, true, error))
        return false;
    const std::vector<PRM_Template> &children = current->getMultiParmTemplates();
    const size_t childCount = static_cast<size_t>(PRM_Template::countTemplates(children.data()));
    for (size_t i = 0; i < childCount; ++i)
        if (std::strcmp(children[i].getToken(), child.getToken()) == 0)
        {
            error = "Multi-parameter '" + std::string(multi) + "' has '" + child.getToken() +
                    "' already";
            return false;
        }
    // A template offered for sharing must be what this addition makes.
    if (!grown || grown->getMultiParmTemplates().size() != childCount + 2 ||
        std::strcmp(grown->getMultiParmTemplates()[childCount].getToken(), child.getToken()) != 0)
    {
        std::vector<PRM_Template> more(children.begin(), children.begin() + childCount);
        more.push_back(child);
        grown = std::make_shared<PRM_Template>(*current);
        grown->setMultiParmTemplates(std::move(more));
    }
    OP_Node::countChange();
    count->setTemplatePtr(grown.get());
    mySpares = OP_SpareList::replace(mySpares, current.get(), std::move(grown));
    dropSpareTemplateCopies();
    myParms.syncMultiInstances(*count, this);
    return true;
}

bool OP_Parameters::createSpareParametersForLoad(UT_StringArray &, PRM_ParmNameMap &, UT_String &)
{
    return true;
}

void OP_Parameters::resolveObsoleteParms(PRM_ParmList *) {}

bool OP_Parameters::createSpareParametersFromChannels(UT_BitArray &selected,
                                                      const UT_PtrArray<CH_Channel *> &channels)
{
    bool ok = true;
    for (int i = 0; i < channels.entries(); ++i)
    {
        if (!selected.getBit(i) || !channels(i))
            continue;
        std::string error;
        const char *name = channels(i)->getName().c_str();
        if (addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name(name)), error))
            selected.setBit(i, false);
        else
            ok = false;
    }
    return ok;
}

bool OP_Parameters::removeSpareParm(const char *name)
{
    PRM_Parm *parm = myParms.getParmPtr(name);
    if (!parm || !parm->isSpareParm())
        return false;
    OP_Node::countChange();
    // `name` may be the parameter's own token, which goes with its template.
    const PRM_Template *tmpl = parm->getTemplatePtr();
    myParms.removeParm(std::string(name).c_str());
    mySpares = OP_SpareList::remove(mySpares, tmpl);
    dropSpareTemplateCopies();
    return true;
}

void OP_Parameters::dropSpareTemplateCopies()
{
    std::vector<PRM_Template>().swap(mySpareTemplates);
}

PRM_Template *OP_Parameters::getSpareParmTemplates()
{
    if (mySpareTemplates.empty())
    {
        mySpareTemplates.reserve(static_cast<size_t>(getNumSpareParms()) + 1);
        for (const auto &tmpl : mySpares ? mySpares->templates() : op_noTemplates())
            mySpareTemplates.push_back(*tmpl);
        mySpareTemplates.emplace_back();
    }
    return mySpareTemplates.data();
}

bool OP_Parameters::getVariableString(int, UT_String &, int)
{
    return false;
}

bool OP_Parameters::getVariableValue(int, double &, int)
{
    return false;
}

namespace
{
// A plain channel reference: the whole expression is one ch() or chs() of a quoted path.
bool op_plainReference(const EV_Expression &expr, std::string &path)
{
    static const std::regex thePattern(
        R"re(^\s*chs?\s*\(\s*(?:"([^"\\]*)"|'([^'\\]*)')\s*\)\s*$)re");
    std::smatch match;
    if (!std::regex_match(expr.getText(), match, thePattern))
        return false;
    path = match[1].matched ? match[1].str() : match[2].str();
    return true;
}
} // namespace

void OP_Parameters::followChannelReferences(OP_Node *&node, PRM_Parm *&parm, int &component)
{
    // A chain longer than the number of hops anyone builds by hand is a loop.
    for (int hop = 0; node && parm && hop < 64; ++hop)
    {
        const EV_Expression *expr = parm->getExpression(component);
        std::string path;
        if (!expr || !op_plainReference(*expr, path))
            return;
        std::string::size_type slash = path.rfind('/');
        OP_Node *target = slash == std::string::npos
                              ? node
                              : node->findNode(slash == 0 ? "/" : path.substr(0, slash).c_str());
        std::string channel = slash == std::string::npos ? path : path.substr(slash + 1);
        int targetComponent = 0;
        PRM_Parm *targetParm =
            target ? target->getParmList()->getParmPtrFromChannel(channel.c_str(), &targetComponent)
                   : nullptr;
        if (!targetParm)
        {
            node = nullptr;
            parm = nullptr;
            return;
        }
        node = target;
        parm = targetParm;
        component = targetComponent;
    }
    node = nullptr;
    parm = nullptr;
}
