#pragma once

#include <shop/clerk/SHOP_Data.h>

/// Render data that is one text: a shader string. The text is a heap string of the malloc
/// family, owned by the object.
class SHOP_StringData : public SHOP_Data
{
public:
    explicit SHOP_StringData(const SHOP_Clerk *clerk) : SHOP_Data(clerk) {}
    ~SHOP_StringData() override;
    // Two copies would free one text twice.
    SHOP_StringData(const SHOP_StringData &) = delete;
    SHOP_StringData &operator=(const SHOP_StringData &) = delete;

    const void *getRenderData() override { return myString; }
    const char *getStringData() override { return myString; }

    /// Takes ownership of `s` (allocated with malloc) and frees the previous text.
    void adoptString(char *s);
    /// Stores a copy of `s` (null stays null) and frees the previous text.
    void setString(const char *s);

private:
    char *myString = nullptr;
};
