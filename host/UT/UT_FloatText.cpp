#include <UT/UT_FloatText.h>

#include <charconv>

std::string UTshortestFloatText(float value)
{
    if (value == 0)
        value = 0; // no "-0"
    // Nine significant digits tell every float apart; to_chars, unlike printf, ignores the
    // C locale's decimal point.
    constexpr int theMostDigits = 9;
    char text[32];
    char *end = text;
    for (int digits = 6; digits <= theMostDigits; ++digits)
    {
        end =
            std::to_chars(text, text + sizeof(text), value, std::chars_format::general, digits).ptr;
        float back = 0;
        std::from_chars(text, end, back);
        if (back == value)
            break;
    }
    return std::string(text, end);
}
