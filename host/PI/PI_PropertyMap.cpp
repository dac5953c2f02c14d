#include <PI/PI_PropertyMap.h>

#include <PI/PI_EditScriptedParms.h>
#include <PI/PI_PropertyClass.h>
#include <PRM/PRM_ParmNameMap.h>

PI_PropertyMap::PI_PropertyMap(const char *className, std::vector<Definition> definitions)
    : myClass(PI_PropertyClass::find(className)), myDefinitions(std::move(definitions))
{
}

void PI_PropertyMap::createTokenMap()
{
    myTokens.clear();
    for (size_t i = 0; i < myDefinitions.size(); ++i)
    {
        // The parameter's own name counts too: files that saved the whole parameter under its
        // name call for it as surely as those that saved its channels one by one.
        myTokens.emplace(myDefinitions[i].parm, i);
        for (const std::string &channel : myDefinitions[i].channels)
            myTokens.emplace(channel, i);
    }
}

bool PI_PropertyMap::createFromChannel(PI_EditScriptedParms &edit, const PRM_ParmNameMap *names,
                                       const char *name) const
{
    if (!name || !*name || !myClass)
        return false;
    const char *current = names ? names->getCurrentName(name) : name;
    auto it = myTokens.find(current ? current : "");
    if (it == myTokens.end())
        return false;
    const Definition &def = myDefinitions[it->second];
    if (edit.hasParm(def.parm.c_str()))
        return true;
    const PRM_Template *tmpl = myClass->findTemplate(def.parm.c_str());
    return tmpl && edit.addParm(*tmpl, def.group.c_str());
}
