#include <shop/network/SHOP_Output.h>

#include <shop/node/SHOP_Trace.h>

#include <OP/OP_Director.h>

#include <array>

namespace
{
constexpr std::array<SHOP_TYPE, SHOP_Output::theMaxInputSize> theInputTypes = {
    SHOP_PROPERTIES,   SHOP_SURFACE,      SHOP_DISPLACEMENT,    SHOP_LIGHT,
    SHOP_LIGHT_SHADOW, SHOP_ATMOSPHERE,   SHOP_GEOMETRY,        SHOP_SURFACE_SHADOW,
    SHOP_INTERIOR,     SHOP_LENS,         SHOP_OUTPUT,          SHOP_BACKGROUND,
    SHOP_PHOTON,       SHOP_EMITTER,      SHOP_PHOTONVOLUME,    SHOP_ENVIRONMENT,
    SHOP_CONTOUR,      SHOP_CONTOURSTORE, SHOP_CONTOURCONTRAST, SHOP_TEXTURE,
    SHOP_IMAGE3D,      SHOP_CVEX,         SHOP_COSHADER,        SHOP_ANY,
};

// Shader type to input, built once from the table above and kept for the process.
const std::array<int, SHOP_MAX_TYPES> &shop_reverseTable()
{
    static const std::array<int, SHOP_MAX_TYPES> theTable = []
    {
        std::array<int, SHOP_MAX_TYPES> table;
        table.fill(-1);
        for (int i = 0; i < SHOP_Output::theMaxInputSize; ++i)
            table[theInputTypes[i]] = i;
        return table;
    }();
    return theTable;
}
} // namespace

SHOP_Output::SHOP_Output(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type)
    : SHOP_VariableInput(parent, name, op, type)
{
}

OP_Node *SHOP_Output::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_Output(parent, name, op, SHOP_UNDEFINED);
}

int SHOP_Output::getInputIndex(SHOP_TYPE type)
{
    const int t = static_cast<int>(type);
    return t >= 0 && t < SHOP_MAX_TYPES ? shop_reverseTable()[t] : -1;
}

bool SHOP_Output::setInput(unsigned index, OP_Node *src, unsigned outputIndex, std::string &error)
{
    unsigned target = index;
    // A scene file names the input each wire was on when it was saved, and its wires may come
    // in another order than they were made (a switch wired here before it had inputs, and so a
    // type, stays where it was dropped): while a file loads, the saved input is the one.
    SHOP_Node *shader = src && !OPgetDirector()->isLoading() ? src->castToSHOPNode() : nullptr;
    if (shader)
    {
        const SHOP_TYPE type = shader->getOutputType(static_cast<int>(outputIndex));
        const int input = type == SHOP_ANY ? -1 : getInputIndex(SHOPgetType(type));
        if (SHOPgetType(type) != SHOP_UNDEFINED && input >= 0)
            target = static_cast<unsigned>(input);
    }
    return SHOP_VariableInput::setInput(target, src, outputIndex, error);
}

SHOP_Node *SHOP_Output::inputFor(SHOP_TYPE type) const
{
    const int input = getInputIndex(type);
    OP_Node *node = input < 0 ? nullptr : getInput(static_cast<unsigned>(input));
    return node ? node->castToSHOPNode() : nullptr;
}

SHOP_Node *SHOP_Output::findShader(SHOP_TYPE type, float now, const UT_Options *overrides)
{
    SHOP_Node *node = inputFor(type);
    SHOP_Trace::note(*this,
                     [&]
                     {
                         const int input = getInputIndex(type);
                         const std::string what = SHOP_Trace::typeLabel(type);
                         if (input < 0)
                             return "has no input for a " + what;
                         return "input " + std::to_string(input) + " (" + what + ") " +
                                (node ? "holds " + node->getFullPath() : "is empty");
                     });
    return node ? node->findShader(type, now, overrides) : nullptr;
}

int SHOP_Output::collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float now,
                                const UT_Options *overrides)
{
    SHOP_Node *node = inputFor(type);
    return node ? node->collectShaders(list, type, now, overrides) : 0;
}

bool SHOP_Output::isInputVisible(int index) const
{
    return index >= 0 && index < theMaxInputSize && getInput(static_cast<unsigned>(index));
}

void SHOP_Output::getInputName(UT_String &name, int index) const
{
    const SHOP_TYPE type = getInputType(index);
    name.harden(type == SHOP_ANY ? "next" : getShaderLabel(type));
}

SHOP_TYPE SHOP_Output::getInputType(int index) const
{
    return index >= 0 && index < theMaxInputSize ? theInputTypes[index] : SHOP_UNDEFINED;
}

void SHOP_Output::preOpChanged(OP_EventType reason, void *)
{
    if (isInputEvent(reason) && getParent())
        getParent()->opChanged(OP_OUTPUTS_CHANGED, nullptr);
}
