#include <UT/UT_FloatText.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

TEST(UT_FloatText, FewestDigitsThatReadBackWrittenAsPrintfWould)
{
    std::mt19937 random(11);
    std::vector<float> values = {0.1f,
                                 1.0f / 3.0f,
                                 100000.0f,
                                 123456792.0f,
                                 1e-5f,
                                 16777217.0f,
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min(),
                                 -2.5f};
    for (int i = 0; i < 20000; ++i)
    {
        const uint32_t bits = static_cast<uint32_t>(random());
        float value;
        std::memcpy(&value, &bits, sizeof(value));
        if (std::isfinite(value))
            values.push_back(value);
    }
    for (float value : values)
    {
        const std::string text = UTshortestFloatText(value);
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
        // The fewest digits from six up that read back, as "%g" writes them.
        char expected[64];
        for (int digits = 6; digits <= 9; ++digits)
        {
            std::snprintf(expected, sizeof(expected), "%.*g", digits, static_cast<double>(value));
            if (std::strtof(expected, nullptr) == value)
                break;
        }
        EXPECT_EQ(text, expected);
    }
    EXPECT_EQ(UTshortestFloatText(0.1f), "0.1");
    EXPECT_EQ(UTshortestFloatText(100000.0f), "100000");
    EXPECT_EQ(UTshortestFloatText(-0.0f), "0");
    EXPECT_EQ(UTshortestFloatText(std::numeric_limits<float>::infinity()), "inf");
}
