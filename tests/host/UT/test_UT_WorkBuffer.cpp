#include <CMD/CMD_Tokenizer.h>
#include <UT/UT_WorkBuffer.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

// Splits with an expander that records any call: protected text must never be expanded.
std::vector<std::string> splitProtected(const std::string &line, bool &expanded)
{
    std::vector<std::string> words;
    std::string error;
    expanded = false;
    auto expander = [&expanded](const std::string &, std::string &value, std::string &)
    {
        expanded = true;
        value = "EXPANDED";
        return true;
    };
    EXPECT_TRUE(CMD_Tokenizer::split(line, words, error, expander)) << error << " in " << line;
    return words;
}

void expectRoundTrip(const std::string &text)
{
    std::string line = UT_WorkBuffer::protect(text.c_str());
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    EXPECT_EQ(line.find('\r'), std::string::npos) << line;
    bool expanded = false;
    std::vector<std::string> words = splitProtected(line, expanded);
    EXPECT_FALSE(expanded) << line;
    ASSERT_EQ(words.size(), 1u) << line;
    EXPECT_EQ(words[0], text) << line;
}

} // namespace

TEST(UT_WorkBuffer, SprintfNeverTruncates)
{
    std::string big(100000, 'x');
    UT_WorkBuffer buf("head:");
    buf.appendSprintf("%s|%d|%.2f", big.c_str(), -42, 1.5);
    EXPECT_EQ(buf.toStdString(), "head:" + big + "|-42|1.50");

    buf.sprintf("%05d", 7);
    EXPECT_EQ(buf.toStdString(), "00007");

    buf.appendSprintf("%s", "");
    EXPECT_EQ(buf.toStdString(), "00007");
}

TEST(UT_WorkBuffer, SprintfMayReadItsOwnText)
{
    UT_WorkBuffer buf("abc");
    for (int k = 0; k < 12; ++k)
        buf.appendSprintf("%s", buf.buffer());
    EXPECT_EQ(buf.length(), 3 << 12);

    buf.sprintf("[%s]", buf.buffer());
    EXPECT_EQ(buf.length(), (3 << 12) + 2);
    EXPECT_EQ(buf.toStdString().front(), '[');
}

TEST(UT_WorkBuffer, PlainWordsStayBare)
{
    for (const char *word : {"a", "obj/geo1", "-1.5e+3", "x=y,z@w%^*?:_"})
        EXPECT_EQ(UT_WorkBuffer::protect(word), word);
    EXPECT_EQ(UT_WorkBuffer::protect("a b"), "\"a b\"");
    EXPECT_EQ(UT_WorkBuffer::protect(""), "\"\"");
    EXPECT_EQ(UT_WorkBuffer::protect(nullptr), "\"\"");
    EXPECT_EQ(UT_WorkBuffer::protect("#x"), "\"#x\"");
    // Words that could read as command options are quoted; negative numbers need not be.
    EXPECT_EQ(UT_WorkBuffer::protect("-e"), "\"-e\"");
    EXPECT_EQ(UT_WorkBuffer::protect("--"), "\"--\"");

    UT_WorkBuffer buf("cmd ");
    buf.protectedStrcat("two words");
    EXPECT_EQ(buf.toStdString(), "cmd \"two words\"");
}

TEST(UT_WorkBuffer, EveryByteRoundTrips)
{
    for (int c = 1; c < 256; ++c)
    {
        std::string one(1, static_cast<char>(c));
        expectRoundTrip(one);
        expectRoundTrip("a" + one + "b");
        expectRoundTrip(one + one + " " + one);
    }
}

TEST(UT_WorkBuffer, RandomTextRoundTripsAlongsideOtherWords)
{
    std::mt19937 rng(12345);
    // Weighted toward the characters the quoting has to care about.
    const std::string awkward = " \t\n\r'\"`\\#$";
    for (int round = 0; round < 500; ++round)
    {
        std::vector<std::string> texts;
        std::string line;
        int count = 1 + static_cast<int>(rng() % 4);
        for (int w = 0; w < count; ++w)
        {
            std::string text;
            int length = static_cast<int>(rng() % 12);
            for (int k = 0; k < length; ++k)
            {
                if (rng() % 2)
                    text += awkward[rng() % awkward.size()];
                else
                    text += static_cast<char>(1 + rng() % 255);
            }
            texts.push_back(text);
            if (w)
                line += ' ';
            line += UT_WorkBuffer::protect(text.c_str());
        }
        ASSERT_EQ(line.find('\n'), std::string::npos);
        bool expanded = false;
        EXPECT_EQ(splitProtected(line, expanded), texts) << line;
        EXPECT_FALSE(expanded) << line;
    }
}

TEST(UT_WorkBuffer, AppendNumberWritesWhatPrintfWrites)
{
    std::mt19937 random(7);
    const int precisions[] = {-5, 0, 1, 3, 6, 12, 17, 40, 800, 1000, 100000};
    std::vector<double> values = {0.0,     -0.0,    0.1, 1.0 / 3.0, 1e300,     -1e-300, 5e-324,
                                  3.14159, 1234567, 0.5, INFINITY,  -INFINITY, NAN};
    for (int i = 0; i < 2000; ++i)
    {
        uint64_t bits = (static_cast<uint64_t>(random()) << 32) | random();
        double d;
        std::memcpy(&d, &bits, sizeof(d));
        values.push_back(d);
        values.push_back(static_cast<float>(random()) / 977.0f);
    }
    for (double value : values)
        for (int precision : precisions)
        {
            // printf itself gives the same text for any precision past 800 digits.
            const int printed = precision > 800 ? 800 : precision;
            std::vector<char> expected(printed + 64);
            std::snprintf(expected.data(), expected.size(), "%.*g", printed, value);
            UT_WorkBuffer buffer("x");
            buffer.appendNumber(value, precision);
            ASSERT_EQ(buffer.toStdString(), std::string("x") + expected.data())
                << "precision " << precision;
        }
}
