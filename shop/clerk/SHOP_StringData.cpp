#include <shop/clerk/SHOP_StringData.h>

#include <cstdlib>
#include <cstring>

SHOP_StringData::~SHOP_StringData()
{
    std::free(myString);
}

void SHOP_StringData::adoptString(char *s)
{
    if (s == myString)
        return;
    std::free(myString);
    myString = s;
}

void SHOP_StringData::setString(const char *s)
{
    adoptString(s ? strdup(s) : nullptr);
}
