#include <PI/PI_EditScriptedParm.h>

#include <PRM/PRM_Parm.h>

#include <cstdlib>
#include <memory>

namespace
{
// The template with another name and other defaults; everything else as it was.
PRM_Template pi_rebuild(const PRM_Template &from, PRM_Name name, std::vector<PRM_Default> defaults)
{
    const PRM_ChoiceList *menu = from.getChoiceList();
    const PRM_SpareData *spare = from.getSparePtr();
    PRM_Template tmpl(from.getType(), from.getVectorSize(), std::move(name), std::move(defaults),
                      menu ? std::make_shared<PRM_ChoiceList>(*menu) : nullptr, from.getRange(),
                      spare ? std::make_shared<PRM_SpareData>(*spare) : nullptr);
    tmpl.setHelpText(from.getHelpText());
    tmpl.setNoCook(from.getNoCook());
    if (!from.getMultiParmTemplates().empty())
        tmpl.setMultiParmTemplates(from.getMultiParmTemplates());
    tmpl.setMultiStartOffset(from.getMultiStartOffset());
    return tmpl;
}
} // namespace

PI_EditScriptedParm::PI_EditScriptedParm(const PRM_Template &tmpl)
    : myKind(PARM), myName(tmpl.getToken()), myLabel(tmpl.getLabel()), myTemplate(tmpl)
{
}

PI_EditScriptedParm::PI_EditScriptedParm(Kind kind, const char *name, const char *label)
    : myKind(kind), myName(name ? name : ""), myLabel(label ? label : "")
{
}

const char *PI_EditScriptedParm::getSpareValue(const char *key) const
{
    const PRM_SpareData *spare = myTemplate.getSparePtr();
    return spare ? spare->getValue(key) : nullptr;
}

void PI_EditScriptedParm::setSpareValue(const char *key, const char *value)
{
    // Templates share their spare data, so an edit works on a copy of its own.
    const PRM_SpareData *old = myTemplate.getSparePtr();
    auto spare = old ? std::make_shared<PRM_SpareData>(*old) : std::make_shared<PRM_SpareData>();
    if (value)
        spare->addTokenValue(key, value);
    else
        spare->removeToken(key);
    myTemplate.setSpareData(spare->isEmpty() ? nullptr : std::move(spare));
}

std::string PI_EditScriptedParm::getDisableWhen() const
{
    const char *rule = getSpareValue(theDisableWhenKey);
    return rule ? rule : "";
}

void PI_EditScriptedParm::setDisableWhen(const std::string &rule)
{
    setSpareValue(theDisableWhenKey, rule.empty() ? nullptr : rule.c_str());
}

bool PI_EditScriptedParm::getExportDisable() const
{
    const char *flag = getSpareValue(theExportDisableKey);
    return flag && std::atoi(flag) != 0;
}

void PI_EditScriptedParm::copyDefaultValuesFromParm(const PRM_Parm *parm, int subIndex)
{
    if (!parm || myKind != PARM)
        return;
    std::vector<PRM_Default> defaults;
    for (int c = 0; c < myTemplate.getVectorSize() && subIndex + c < parm->getVectorSize(); ++c)
    {
        const int from = subIndex + c;
        const std::string text = parm->getValueText(from);
        if (parm->isExpression(from))
            defaults.emplace_back(0, text.c_str(), PRM_DEFAULT_EXPRESSION);
        else if (myTemplate.getBasicType() == PRM_BASIC_STRING)
            defaults.emplace_back(0, text.c_str());
        else
            defaults.emplace_back(std::strtod(text.c_str(), nullptr));
    }
    myTemplate = pi_rebuild(myTemplate, myTemplate.getName(), std::move(defaults));
}

PRM_Template PI_EditScriptedParm::makeTemplate() const
{
    return pi_rebuild(myTemplate, PRM_Name(myName.c_str(), myLabel.c_str()),
                      myTemplate.getDefaults());
}
