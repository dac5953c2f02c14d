#pragma once

#include <PRM/PRM_Template.h>

#include <string>
#include <vector>

class PRM_Parm;

/// One entry of an editable parameter set: a parameter, or one end of a folder. Folders are
/// pairs of a group start (which carries the folder's label) and a group end; what lies
/// between them is in the folder.
class PI_EditScriptedParm
{
public:
    enum Kind
    {
        PARM,
        GROUP_START,
        GROUP_END,
    };

    explicit PI_EditScriptedParm(const PRM_Template &tmpl);
    /// A group start or end; an end has no name or label.
    PI_EditScriptedParm(Kind kind, const char *name, const char *label);

    Kind getKind() const { return myKind; }
    bool isGroupStart() const { return myKind == GROUP_START; }
    bool isGroupEnd() const { return myKind == GROUP_END; }

    const char *getName() const { return myName.c_str(); }
    void setName(const char *name) { myName = name ? name : ""; }
    const char *getLabel() const { return myLabel.c_str(); }
    void setLabel(const char *label) { myLabel = label ? label : ""; }

    /// A named text of the entry (kept with the parameter as its spare data), or null.
    const char *getSpareValue(const char *key) const;
    void setSpareValue(const char *key, const char *value);

    /// The rule that disables the parameter ("{ mode == 0 }"), empty for none.
    std::string getDisableWhen() const;
    void setDisableWhen(const std::string &rule);
    /// Whether the parameter is kept from being carried over to other parameter sets.
    bool getExportDisable() const;

    /// Makes the current values of `parm` (its expressions as expressions) the entry's
    /// defaults. `subIndex` is the first component read.
    void copyDefaultValuesFromParm(const PRM_Parm *parm, int subIndex);

    /// The channels of other nodes ("/path/to/node/channel", one per component) that are to
    /// read this parameter once the set is applied (PI_EditScriptedParms::applyAutoLinks).
    const std::vector<std::string> &getAutoLinks() const { return myAutoLinks; }
    void setAutoLinks(std::vector<std::string> channels) { myAutoLinks = std::move(channels); }

    /// The parameter as a template (name and label of the entry); a group end or start gives
    /// none: folders become switchers when a set is applied.
    PRM_Template makeTemplate() const;
    const PRM_Template &getTemplate() const { return myTemplate; }

    /// The spare-data key of the disable rule and of the export flag.
    static constexpr const char *theDisableWhenKey = "disablewhen";
    static constexpr const char *theExportDisableKey = "export_disable";

private:
    Kind myKind;
    std::string myName;
    std::string myLabel;
    PRM_Template myTemplate;
    std::vector<std::string> myAutoLinks;
};
