#pragma once

#include <map>
#include <string>
#include <vector>

class PI_EditScriptedParms;
class PI_PropertyClass;
class PRM_ParmNameMap;

/// Which parameters of a property class a kind of node may be given, and the saved names
/// (channel names, or the parameter's own name) that call for each. Loading a file that holds
/// values for such names on a node without the parameter makes the parameter a spare one.
class PI_PropertyMap
{
public:
    struct Definition
    {
        std::string parm;                  ///< the parameter of the property class
        std::vector<std::string> channels; ///< saved names that call for it
        std::string group;                 ///< the property group it goes in (may be empty)
    };

    PI_PropertyMap(const char *className, std::vector<Definition> definitions);

    /// Indexes the definitions by every name that calls for them; until then nothing matches.
    void createTokenMap();

    /// When `name` (after `names` maps it to its current name, if given) calls for a parameter
    /// of this map, makes sure the edit holds that parameter and returns true. Several channels
    /// of one parameter all return true and add it once. False for a name of no definition, or
    /// when the property class lacks the parameter or the edit refuses it.
    bool createFromChannel(PI_EditScriptedParms &edit, const PRM_ParmNameMap *names,
                           const char *name) const;

    const std::vector<Definition> &getDefinitions() const { return myDefinitions; }
    const PI_PropertyClass *getPropertyClass() const { return myClass; }

private:
    const PI_PropertyClass *myClass;
    std::vector<Definition> myDefinitions;
    std::map<std::string, size_t> myTokens;
};
