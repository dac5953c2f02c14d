#include <PRM/PRM_Template.h>

PRM_Template::PRM_Template(PRM_Type type, int vectorSize, PRM_Name name,
                           std::vector<PRM_Default> defaults, std::shared_ptr<PRM_ChoiceList> menu,
                           PRM_Range range, std::shared_ptr<PRM_SpareData> spare)
    : myType(type), myVectorSize(vectorSize < 0 ? 0 : vectorSize), myName(std::move(name)),
      myDefaults(std::move(defaults)), myMenu(std::move(menu)), myRange(range),
      mySpare(std::move(spare))
{
}

const PRM_Default *PRM_Template::getDefault(int component) const
{
    if (myDefaults.empty() || component < 0)
        return nullptr;
    if (component >= static_cast<int>(myDefaults.size()))
        return &myDefaults.back();
    return &myDefaults[component];
}

std::string PRM_Template::getChannelToken(int component) const
{
    if (component < 0)
        return {};
    std::string token = myName.getToken();
    if (myVectorSize <= 1)
        return token;
    // Letters only when they name every component: "c5" after "cr cg cb ca" would leave
    // people guessing which names a wide colour has.
    static const char theColour[] = "rgba";
    static const char theVector[] = "xyzw";
    const bool lettered = myVectorSize <= 4 && component < 4;
    if (lettered && myType.hasFlag(PRM_TYPE_NAMERGB))
        return token + theColour[component];
    if (lettered && myType.hasFlag(PRM_TYPE_VECTOR))
        return token + theVector[component];
    return token + std::to_string(component + 1);
}

void PRM_Template::setMultiParmTemplates(std::vector<PRM_Template> templates)
{
    if (templates.empty() || !templates.back().isTerminator())
        templates.emplace_back();
    myMultiTemplates = std::move(templates);
}

std::string PRM_Template::instanceName(const char *pattern, int number)
{
    const std::string digits = std::to_string(number);
    std::string name;
    for (const char *c = pattern ? pattern : ""; *c; ++c)
    {
        if (*c == '#')
            name += digits;
        else
            name += *c;
    }
    return name;
}

int PRM_Template::countTemplates(const PRM_Template *templates, bool skipSwitchers,
                                 bool skipSeparators, bool skipLabels)
{
    int count = 0;
    for (const PRM_Template *t = templates; t && !t->isTerminator(); ++t)
    {
        const PRM_Type &type = t->getType();
        if ((skipSwitchers && type.hasFlag(PRM_TYPE_SWITCHERLIST)) ||
            (skipSeparators && type.hasFlag(PRM_TYPE_SEPARATOR)) ||
            (skipLabels && type.hasFlag(PRM_TYPE_LABEL)))
            continue;
        ++count;
    }
    return count;
}
