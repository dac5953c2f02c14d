#pragma once

#include <PRM/PRM_ChoiceList.h>
#include <PRM/PRM_Default.h>
#include <PRM/PRM_Name.h>
#include <PRM/PRM_Range.h>
#include <PRM/PRM_SpareData.h>
#include <PRM/PRM_Type.h>

#include <memory>
#include <string>
#include <vector>

/// The description of one parameter: type, number of components, name, defaults, menu, range
/// and spare data. Operators hold arrays of templates ending in a template of type
/// PRM_LIST_TERMINATOR, which is what a default-constructed template is.
class PRM_Template
{
public:
    /// The list terminator.
    PRM_Template() : myType(PRM_LIST_TERMINATOR), myVectorSize(0) {}

    /// `defaults` gives one default per component; a shorter list repeats its last entry and an
    /// empty one means 0 (or the empty text). Folder switchers take one default per folder: the
    /// number of parameters in it, with the folder's label as text.
    PRM_Template(PRM_Type type, int vectorSize, PRM_Name name,
                 std::vector<PRM_Default> defaults = {},
                 std::shared_ptr<PRM_ChoiceList> menu = nullptr, PRM_Range range = {},
                 std::shared_ptr<PRM_SpareData> spare = nullptr);

    const PRM_Type &getType() const { return myType; }
    PRM_BasicType getBasicType() const { return myType.getBasicType(); }
    PRM_MultiType getMultiType() const { return myType.getMultiType(); }
    bool isTerminator() const { return myType.isTerminator(); }
    int getVectorSize() const { return myVectorSize; }

    const char *getToken() const { return myName.getToken(); }
    const char *getLabel() const { return myName.getLabel(); }
    const PRM_Name &getName() const { return myName; }
    void setName(PRM_Name name) { myName = std::move(name); }

    /// The default of one component, or null when the template has none.
    const PRM_Default *getDefault(int component) const;
    bool hasDefaults() const { return !myDefaults.empty(); }
    const std::vector<PRM_Default> &getDefaults() const { return myDefaults; }

    const PRM_ChoiceList *getChoiceList() const { return myMenu.get(); }
    const PRM_Range &getRange() const { return myRange; }
    const PRM_SpareData *getSparePtr() const { return mySpare.get(); }
    void setSpareData(std::shared_ptr<PRM_SpareData> spare) { mySpare = std::move(spare); }

    /// The channel name of one component: the parameter name when it has one component, else
    /// the name followed by r g b a for colours, x y z w for vectors, or 1 2 3 ... otherwise
    /// (also for colours and vectors of more than four components). Empty for a negative
    /// component.
    std::string getChannelToken(int component) const;

    /// Whether changing the parameter leaves the node's cooked result valid.
    bool getNoCook() const { return myNoCook; }
    void setNoCook(bool noCook) { myNoCook = noCook; }

    /// The templates that a multi-parameter repeats per instance (terminated).
    const std::vector<PRM_Template> &getMultiParmTemplates() const { return myMultiTemplates; }
    void setMultiParmTemplates(std::vector<PRM_Template> templates);
    /// Whether the template is an instance count (PRM_MULTITYPE_INSTANCES).
    bool isMultiParm() const { return getMultiType() == PRM_MULTITYPE_INSTANCES; }
    /// The number of a multi-parameter's first instance (1 unless set).
    int getMultiStartOffset() const { return myMultiStart; }
    void setMultiStartOffset(int start) { myMultiStart = start; }
    /// The most instances a multi-parameter holds: a count typed by mistake (a million layers)
    /// would otherwise make that many parameters.
    static constexpr int theMaxMultiInstances = 1000;
    /// `pattern` with every '#' replaced by the instance number.
    static std::string instanceName(const char *pattern, int number);

    const std::string &getHelpText() const { return myHelp; }
    void setHelpText(std::string help) { myHelp = std::move(help); }

    /// The number of templates in a terminated array, optionally leaving out switchers,
    /// separators and labels, which hold no values.
    static int countTemplates(const PRM_Template *templates, bool skipSwitchers = false,
                              bool skipSeparators = false, bool skipLabels = false);

private:
    PRM_Type myType;
    int myVectorSize;
    PRM_Name myName;
    std::vector<PRM_Default> myDefaults;
    std::shared_ptr<PRM_ChoiceList> myMenu;
    PRM_Range myRange;
    std::shared_ptr<PRM_SpareData> mySpare;
    std::vector<PRM_Template> myMultiTemplates;
    std::string myHelp;
    int myMultiStart = 1;
    bool myNoCook = false;
};
