#pragma once

#include <shop/types/SHOP_Type.h>

#include <OP/OP_SpecificData.h>
#include <UT/UT_String.h>

#include <ostream>

/// The shader facts of an operator type: the shader type its nodes produce, the renderers it
/// serves (its render mask), how names of clerks are added to that mask, its number of outputs
/// and whether the input editor is offered.
///
/// A render mask is a list of renderer-name patterns separated by commas and blanks ("*" is any
/// renderer); a renderer is served when its name matches one of them.
class SHOP_OperatorInfo : public OP_SpecificData
{
public:
    /// `autoAdd`: 1 adds the names of string-producing clerks that ask for it, 2 of every clerk
    /// that asks for it, anything else none.
    explicit SHOP_OperatorInfo(int autoAdd = 2, const char *mask = "*",
                               SHOP_TYPE type = SHOP_UNDEFINED);
    SHOP_OperatorInfo(const SHOP_OperatorInfo &) = default;
    SHOP_OperatorInfo &operator=(const SHOP_OperatorInfo &) = default;

    SHOP_TYPE getShaderType() const { return myShaderType; }
    void setShaderType(SHOP_TYPE type);
    const char *getRenderMask() const { return myRenderMask.c_str(); }
    void setRenderMask(const char *mask);
    int getAutoAddMode() const { return myAutoAdd; }
    int getNumOutputs() const { return myNumOutputs; }
    void setNumOutputs(int n) { myNumOutputs = n; }
    bool skipInputEditor() const { return mySkipInputEditor; }
    void setSkipInputEditor(bool skip) { mySkipInputEditor = skip; }

    /// The VEX context of the type when a VEX clerk the mask accepts serves it, else 0.
    int getVexContextType() const;
    /// The RSL context of the type when the mask accepts "RIB", else 0.
    int getRslContextType() const;

    /// Writes the "rendermask" line of a dialog script; the mask reads back as one token.
    virtual void saveToDialogScript(std::ostream &os) const;

    /// The VEX context of a shader type (surface 1, displacement 2, ...), or 0 for a type that
    /// no VEX context runs.
    static int vexContextOf(SHOP_TYPE type);

    /// Whether a renderer name matches a render mask.
    static bool maskMatches(const char *renderer, const char *mask);

private:
    void applyAutoAdd();

    SHOP_TYPE myShaderType;
    UT_String myRenderMask;
    int myAutoAdd;
    int myNumOutputs = 1;
    bool mySkipInputEditor = false;
};
