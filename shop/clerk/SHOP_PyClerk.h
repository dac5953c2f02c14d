#pragma once

#include <shop/clerk/SHOP_Clerk.h>

#include <UT/UT_String.h>

#include <array>
#include <optional>
#include <vector>

/// A clerk described by a Python module of the package "shopclerks". The module is asked its
/// descriptive answers once, by initialize(); afterwards only shader strings and bounds go to the
/// script again. Script errors are reported on the standard error stream and never leave here.
class SHOP_PyClerk : public SHOP_Clerk
{
public:
    /// The number of shader types a script clerk can serve: SHOP_SURFACE to SHOP_COSHADER.
    static constexpr int theSlotCount = 22;

    /// `module` is the module's file name; a trailing ".py" is dropped.
    explicit SHOP_PyClerk(const char *module);
    ~SHOP_PyClerk() override;

    SHOP_PyClerk(const SHOP_PyClerk &) = delete;
    SHOP_PyClerk &operator=(const SHOP_PyClerk &) = delete;

    /// Creates, initialises and registers a clerk for every module the loader lists.
    static void installClerks();

    /// Asks the module its questions; true when the clerk is usable, and then it has registered
    /// itself for every type it supports.
    bool initialize();

    const char *getModule() const { return myModule.c_str(); }

    const char *getRenderName() const override { return myRenderName.c_str(); }
    const char *getRenderLabel() const override { return myLabel.c_str(); }
    const char *getDefaultKeywords() const override { return myKeywords.c_str(); }
    int getDialogScriptEnum(SHOP_TYPE type) const override;
    bool generatesString() const override { return true; }
    bool requireAutoAdd(SHOP_TYPE type) const override;
    bool buildShaderString(SHOP_Node *node, UT_String &result, float now,
                           const UT_Options *overrides) override;
    bool buildShaderBounds(SHOP_Node *node, UT_BoundingBox &box, float now,
                           const UT_Options *overrides) override;
    bool differentGeometryData() const override { return false; }
    const char *getGeometryAttribute(SHOP_TYPE type) const override;
    const char *getGeometryIndirect(SHOP_TYPE type) const override;
    bool getIsVexClerk() const override { return myVex; }
    const char *getCreationScript(SHOP_TYPE type) const override;

    /// Writes "PyClerk[module]: message" on the standard error stream.
    void pyError(const char *message) const;

protected:
    /// Evaluate `call` on the module; the result is stored only when it has the asked kind.
    /// With `report`, a script error is written through pyError. An integer answer that does
    /// not fit 32 bits is refused and always written through pyError.
    bool runPy(UT_String &result, const char *call, bool report);
    bool runPy(int &result, const char *call, bool report);
    bool runPy(std::vector<float> &result, const char *call, bool report);

    /// Writes the cached answers on the standard error stream.
    void dump() const;

    /// The slot of a type; -1 for a type without a slot of its own.
    static int slotOf(SHOP_TYPE type);
    static SHOP_TYPE typeOfSlot(int slot);

private:
    /// What the module answered about one shader type.
    struct shop_Slot
    {
        bool supported = false;
        bool autoAdd = false;
        int dialogScript = -1;
        // UT_String cannot be null, yet a failed creationScript() means "no script", not "".
        std::optional<UT_String> creationScript;
        UT_String geometryAttribute;
        UT_String indirectAttribute;
    };

    /// Asks the module its questions about a type it supports.
    void askSlot(shop_Slot &slot, SHOP_TYPE type);
    /// The answers about a type the module supports; null for any other type.
    const shop_Slot *servedSlot(SHOP_TYPE type) const;
    bool startCall(UT_WorkBuffer &call, const char *name, SHOP_Node *node, float now) const;

    UT_String myModule;
    UT_String myRenderName;
    UT_String myLabel;
    UT_String myKeywords;
    std::array<shop_Slot, theSlotCount> mySlots;
    bool myVex = false;
};
