#include <shop/clerk/SHOP_PyClerk.h>

#include <shop/clerk/SHOP_ClerkRegistry.h>
#include <shop/node/SHOP_Node.h>

#include <PRM/PRM_DialogScripts.h>
#include <PRM/PRM_Template.h>
#include <PY/PY_InterpreterAutoLock.h>
#include <PY/PY_Python.h>
#include <UT/UT_BoundingBox.h>
#include <UT/UT_EnvControl.h>
#include <UT/UT_Options.h>
#include <UT/UT_WorkBuffer.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
// Filled before the first clerk exists so that slot lookups never race the table's own set-up;
// a type without a slot of its own (material, properties) is served by no script clerk.
struct shop_SlotTable
{
    int slotOfType[SHOP_MAX_TYPES];
    shop_SlotTable()
    {
        std::fill(std::begin(slotOfType), std::end(slotOfType), -1);
        for (int slot = 0; slot < SHOP_PyClerk::theSlotCount; ++slot)
            slotOfType[SHOP_SURFACE + slot] = slot;
    }
};

const shop_SlotTable &shop_slots()
{
    static const shop_SlotTable theTable;
    return theTable;
}

// What the host answers for an integer it cannot hold in 64 bits.
constexpr const char *theBeyond64Bits = "integer out of range";

std::string shop_expression(const UT_String &module, const char *call)
{
    const std::string name = module.c_str();
    return "__import__('shopclerks." + name + "')." + name + "." + call;
}

void shop_report(const SHOP_PyClerk &clerk, const PY_Result &result, bool report)
{
    if (report && result.isError() && !result.myErrValue.empty())
        clerk.pyError(result.myErrValue.c_str());
}

// The function a call text calls, for messages: "getName()" gives "getName".
std::string shop_function(const char *call)
{
    return std::string(call, std::strcspn(call, "("));
}

std::string shop_call(const char *function, SHOP_TYPE type)
{
    return std::string(function) + "('" + SHOP_Node::getShaderType(type) + "')";
}

// Clerks live for the whole process, but the registry's lists are torn down at exit; this list,
// never freed, is what keeps them owned (and visible to leak checkers) until the very end.
std::vector<SHOP_PyClerk *> &shop_installed()
{
    static auto *theClerks = new std::vector<SHOP_PyClerk *>;
    return *theClerks;
}

void shop_appendOverrides(UT_WorkBuffer &call, const UT_Options *overrides)
{
    if (overrides)
        overrides->appendPyDictionary(call);
    else
        call.append("{}");
}
} // namespace

SHOP_PyClerk::SHOP_PyClerk(const char *module) : myModule(module)
{
    std::string &name = myModule.str();
    if (name.size() >= 3 && name.compare(name.size() - 3, 3, ".py") == 0)
        name.resize(name.size() - 3);
    (void)shop_slots();
}

SHOP_PyClerk::~SHOP_PyClerk() = default;

int SHOP_PyClerk::slotOf(SHOP_TYPE type)
{
    const int value = static_cast<int>(type);
    return value >= 0 && value < SHOP_MAX_TYPES ? shop_slots().slotOfType[value] : -1;
}

SHOP_TYPE SHOP_PyClerk::typeOfSlot(int slot)
{
    return static_cast<SHOP_TYPE>(SHOP_SURFACE + slot);
}

void SHOP_PyClerk::installClerks()
{
    PY_InterpreterAutoLock lock;
    const PY_Result list = PYrunPythonExpression(
        "__import__('shopclerks.clerkloader').clerkloader.getClerkList()", PY_Result::STRING_ARRAY);
    if (list.myResultType != PY_Result::STRING_ARRAY)
    {
        std::fprintf(stderr, "Error initializing Python SHOP Clerks\n");
        if (list.isError() && !list.myErrValue.empty())
            std::fprintf(stderr, "%s\n", list.myErrValue.c_str());
        return;
    }
    for (const std::string &module : list.myStringArray)
    {
        auto *clerk = new SHOP_PyClerk(module.c_str());
        if (clerk->initialize())
            shop_installed().push_back(clerk);
        else
            delete clerk;
    }
}

bool SHOP_PyClerk::initialize()
{
    if (!runPy(myRenderName, "getName()", true))
    {
        pyError("No getName() method found");
        return false;
    }
    if (!runPy(myLabel, "getLabel()", false))
        myLabel = myRenderName;
    if (!runPy(myKeywords, "getKeywords()", false))
        myKeywords = myRenderName;
    int vex = 0;
    runPy(vex, "isVexClerk()", false);
    myVex = vex != 0;

    int supported = 0;
    for (int slot = 0; slot < theSlotCount; ++slot)
    {
        const SHOP_TYPE type = typeOfSlot(slot);
        mySlots[slot] = shop_Slot();
        int answer = 0;
        if (!runPy(answer, shop_call("shaderSupported", type).c_str(), true) || answer == 0)
            continue;
        ++supported;
        askSlot(mySlots[slot], type);
    }
    if (supported == 0)
    {
        pyError("No supported shader types");
        return false;
    }
    for (int slot = 0; slot < theSlotCount; ++slot)
        if (mySlots[slot].supported)
            SHOP_ClerkRegistry::addShaderClerk(typeOfSlot(slot), this);
    return true;
}

void SHOP_PyClerk::askSlot(shop_Slot &slot, SHOP_TYPE type)
{
    slot.supported = true;
    UT_String script;
    if (runPy(script, shop_call("creationScript", type).c_str(), false))
        slot.creationScript = script;
    int autoAdd = 0;
    runPy(autoAdd, shop_call("addToRenderMask", type).c_str(), false);
    slot.autoAdd = autoAdd != 0;

    UT_String dialog;
    if (runPy(dialog, shop_call("getDialogScript", type).c_str(), false))
    {
        std::string &text = dialog.str();
        if (text.size() >= 3 && text.compare(text.size() - 3, 3, ".ds") == 0)
            text.resize(text.size() - 3);
        if (!text.empty() && text != "None")
        {
            slot.dialogScript = PRMfindDialogScript(text.c_str());
            if (slot.dialogScript < 0)
                pyError(("Invalid dialog script string '" + text + "'").c_str());
        }
    }
    if (!runPy(slot.geometryAttribute, shop_call("getGeometryAttribute", type).c_str(), false))
        slot.geometryAttribute.clear();
    if (!runPy(slot.indirectAttribute, shop_call("getIndirectAttribute", type).c_str(), false))
        slot.indirectAttribute.clear();
}

const SHOP_PyClerk::shop_Slot *SHOP_PyClerk::servedSlot(SHOP_TYPE type) const
{
    const int slot = slotOf(type);
    return slot >= 0 && mySlots[slot].supported ? &mySlots[slot] : nullptr;
}

int SHOP_PyClerk::getDialogScriptEnum(SHOP_TYPE type) const
{
    const shop_Slot *slot = servedSlot(type);
    return slot ? slot->dialogScript : -1;
}

bool SHOP_PyClerk::requireAutoAdd(SHOP_TYPE type) const
{
    const shop_Slot *slot = servedSlot(type);
    return slot && slot->autoAdd;
}

const char *SHOP_PyClerk::getGeometryAttribute(SHOP_TYPE type) const
{
    const shop_Slot *slot = servedSlot(type);
    return slot ? slot->geometryAttribute.c_str() : "";
}

const char *SHOP_PyClerk::getGeometryIndirect(SHOP_TYPE type) const
{
    const shop_Slot *slot = servedSlot(type);
    return slot ? slot->indirectAttribute.c_str() : "";
}

const char *SHOP_PyClerk::getCreationScript(SHOP_TYPE type) const
{
    const shop_Slot *slot = servedSlot(type);
    if (!slot)
        return "";
    return slot->creationScript ? slot->creationScript->c_str() : nullptr;
}
void SHOP_PyClerk::pyError(const char *message) const
{
    std::fprintf(stderr, "PyClerk[%s]: %s\n", myModule.c_str(), message);
}

bool SHOP_PyClerk::runPy(UT_String &result, const char *call, bool report)
{
    PY_InterpreterAutoLock lock;
    const PY_Result value =
        PYrunPythonExpression(shop_expression(myModule, call).c_str(), PY_Result::STRING);
    if (value.myResultType != PY_Result::STRING)
    {
        shop_report(*this, value, report);
        return false;
    }
    // The text goes on as a C string: a NUL would cut it short without a word.
    if (value.myStringValue.find('\0') != std::string::npos)
    {
        pyError((shop_function(call) + "() returned a text holding a NUL byte").c_str());
        return false;
    }
    result.harden(value.myStringValue.c_str());
    return true;
}

bool SHOP_PyClerk::runPy(int &result, const char *call, bool report)
{
    PY_InterpreterAutoLock lock;
    const PY_Result value =
        PYrunPythonExpression(shop_expression(myModule, call).c_str(), PY_Result::INT);
    // The module's integers are yes-or-no answers and counts: one that does not fit 32 bits is
    // the module's mistake, said even for an optional question and never cut to another value
    // (2**32 would read as 0, "no").
    if (value.isError() && value.myErrValue == theBeyond64Bits)
    {
        pyError((shop_function(call) + "() returned an integer beyond 64 bits").c_str());
        return false;
    }
    if (value.myResultType != PY_Result::INT)
    {
        shop_report(*this, value, report);
        return false;
    }
    if (value.myIntValue > INT_MAX || value.myIntValue < INT_MIN)
    {
        pyError((shop_function(call) + "() returned " + std::to_string(value.myIntValue) +
                 ", an integer beyond 32 bits")
                    .c_str());
        return false;
    }
    result = static_cast<int>(value.myIntValue);
    return true;
}

bool SHOP_PyClerk::runPy(std::vector<float> &result, const char *call, bool report)
{
    PY_InterpreterAutoLock lock;
    const PY_Result value =
        PYrunPythonExpression(shop_expression(myModule, call).c_str(), PY_Result::DOUBLE_ARRAY);
    switch (value.myResultType)
    {
    case PY_Result::INT:
        result.assign(1, static_cast<float>(value.myIntValue));
        return true;
    case PY_Result::DOUBLE:
        result.assign(1, static_cast<float>(value.myDoubleValue));
        return true;
    case PY_Result::INT_ARRAY:
        result.assign(value.myIntArray.begin(), value.myIntArray.end());
        return true;
    case PY_Result::DOUBLE_ARRAY:
        result.assign(value.myDoubleArray.begin(), value.myDoubleArray.end());
        return true;
    case PY_Result::STRING_ARRAY:
        if (value.myStringArray.empty())
        {
            result.clear();
            return true;
        }
        break;
    default:
        break;
    }
    shop_report(*this, value, report);
    return false;
}

// The start of a call about a node the module serves: "NAME('type', 'path', time,"; false
// for a node of a type it does not serve.
bool SHOP_PyClerk::startCall(UT_WorkBuffer &call, const char *name, SHOP_Node *node,
                             float now) const
{
    if (!node)
        return false;
    const SHOP_TYPE type = node->getShaderType();
    if (!servedSlot(type))
        return false;
    // Every text is written as a Python literal: whatever a name holds stays data.
    call.append(name);
    call.append('(');
    UT_Options::appendPyString(call, SHOP_Node::getShaderType(type));
    call.append(", ");
    UT_Options::appendPyString(call, node->getFullPath());
    UT_WorkBuffer time;
    time.sprintf(", %g,", static_cast<double>(now));
    call.append(time.toStdString());
    return true;
}

bool SHOP_PyClerk::buildShaderString(SHOP_Node *node, UT_String &result, float now,
                                     const UT_Options *overrides)
{
    UT_WorkBuffer call;
    if (!startCall(call, "buildShaderString", node, now))
        return false;
    node->markBundleRefsAsUnused();
    call.append(" [");
    bool listed = false;
    auto list = [&](PRM_Template &tmpl)
    {
        if (listed)
            call.append(',');
        listed = true;
        UT_Options::appendPyString(call, tmpl.getToken());
        return true;
    };
    if (!forEachWrittenParm(node, now, overrides, list))
        return false;
    call.append("],");
    shop_appendOverrides(call, overrides);
    call.append(')');

    UT_String text;
    if (!runPy(text, call.toStdString().c_str(), true))
        return false;
    node->cleanUnusedBundleRefs();
    // A value the module read that failed to evaluate (it reads as 0) makes no shader, as it
    // makes none for the generic translator.
    if (node->error() >= UT_ERROR_ABORT)
        return false;
    result = text;
    return true;
}

bool SHOP_PyClerk::buildShaderBounds(SHOP_Node *node, UT_BoundingBox &box, float now,
                                     const UT_Options *overrides)
{
    UT_WorkBuffer call;
    if (!startCall(call, "buildShaderBounds", node, now))
        return false;
    shop_appendOverrides(call, overrides);
    call.append(')');
    std::vector<float> numbers;
    return runPy(numbers, call.toStdString().c_str(), true) && setBounds(box, *node, numbers);
}

void SHOP_PyClerk::dump() const
{
    std::fprintf(stderr, "=== Python SHOP Clerk [%s] ===\n", myModule.c_str());
    std::fprintf(stderr, "    Name: %s\n", myRenderName.c_str());
    std::fprintf(stderr, "   Label: %s\n", myLabel.c_str());
    std::fprintf(stderr, "Keywords: %s\n", myKeywords.c_str());
    if (myVex)
        std::fprintf(stderr, "  VEX: true\n");
    for (int index = 0; index < theSlotCount; ++index)
    {
        const shop_Slot &slot = mySlots[index];
        if (!slot.supported)
            continue;
        std::fprintf(stderr, "    %s:\n", SHOP_Node::getShaderType(typeOfSlot(index)));
        if (slot.geometryAttribute.isstring())
            std::fprintf(stderr, "\tGeometry: %s\n", slot.geometryAttribute.c_str());
        if (slot.indirectAttribute.isstring())
            std::fprintf(stderr, "\tIndirect: %s\n", slot.indirectAttribute.c_str());
        if (slot.creationScript && slot.creationScript->isstring())
            std::fprintf(stderr, "\tCreateScript: %s\n", slot.creationScript->c_str());
        if (slot.dialogScript >= 0)
            std::fprintf(stderr, "\tDialogScript: %d\n", slot.dialogScript);
        if (slot.autoAdd)
            std::fprintf(stderr, "\tAutoAdd: true\n");
    }
}
