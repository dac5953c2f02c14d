#include <UT/UT_EnvControl.h>

#include <cctype>
#include <climits>
#include <cstdlib>

const char *UT_EnvControl::getVariableName(UT_IntControl control)
{
    switch (control)
    {
    case ENV_SHOP_GLSL:
        return "SHOP_GLSL";
    case ENV_SHOP_ALL_PARMS:
        return "SHOP_ALL_PARMS";
    case ENV_SHOP_SWITCH_NOFLAGS:
        return "SHOP_SWITCH_NOFLAGS";
    case ENV_SHOP_NO_RENDERER:
        return "SHOP_NO_RENDERER";
    }
    return nullptr;
}

int UT_EnvControl::getInt(UT_IntControl control)
{
    const char *name = getVariableName(control);
    const char *text = name ? std::getenv(name) : nullptr;
    if (!text)
        return 0;
    char *end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text)
        return 0;
    // Trailing blanks are a common slip when exporting a variable; anything else is not a number.
    while (std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (*end != '\0')
        return 0;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}
