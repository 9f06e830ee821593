// The heading's text line: what Tolvane writes reads back the same, and a follower takes nothing else.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/HeadingText.h"

namespace {

TEST(HeadingTextTest, WhatIsWrittenReadsBackTheSame)
{
    const THeadingState rows[] = {
        {true, 123.4, 5678901},
        {false, 0, 0},
        {true, 359.99999999999994, UINT64_MAX},  // the largest azimuth and count there are
        {false, 0.1 + 0.2, 42},  // a double without a short decimal form
    };
    for (const THeadingState& row : rows) {
        const std::string text = FormatHeadingText(row);
        const auto read = ParseHeadingText(text);
        ASSERT_TRUE(read) << text;
        EXPECT_EQ(read->Known, row.Known) << text;
        EXPECT_EQ(read->Azimuth, row.Azimuth) << text;
        EXPECT_EQ(read->UpdatedMs, row.UpdatedMs) << text;
    }
    EXPECT_EQ(FormatHeadingText({true, 123.4, 5678901}), "Known=1 Azimuth=123.4 Updated=5678901\r\n");
    EXPECT_EQ(FormatHeadingText({false, 90, 7}), "Known=0 Azimuth=90 Updated=7\r\n");
}

TEST(HeadingTextTest, AFollowerTakesNothingElse)
{
    struct Row {
        const char* Name;
        std::string Text;
        bool Taken;
    };
    const Row rows[] = {
        {"bare line", "Known=1 Azimuth=12 Updated=3", true},
        {"LF only", "Known=1 Azimuth=12 Updated=3\n", true},
        {"exponent", "Known=1 Azimuth=1.2e1 Updated=3", true},
        {"empty", "", false},
        {"fields in another order", "Azimuth=12 Known=1 Updated=3", false},
        {"a field missing", "Known=1 Azimuth=12", false},
        {"a field more", "Known=1 Azimuth=12 Updated=3 Extra=1", false},
        {"two spaces", "Known=1  Azimuth=12 Updated=3", false},
        {"trailing space", "Known=1 Azimuth=12 Updated=3 ", false},
        {"empty value", "Known= Azimuth=12 Updated=3", false},
        {"known is true", "Known=true Azimuth=12 Updated=3", false},
        {"known is 2", "Known=2 Azimuth=12 Updated=3", false},
        {"azimuth 360", "Known=1 Azimuth=360 Updated=3", false},
        {"azimuth below 0", "Known=1 Azimuth=-0.5 Updated=3", false},
        {"azimuth NaN", "Known=1 Azimuth=nan Updated=3", false},
        {"azimuth infinite", "Known=1 Azimuth=inf Updated=3", false},
        {"azimuth with a comma", "Known=1 Azimuth=12,5 Updated=3", false},
        {"azimuth with a unit", "Known=1 Azimuth=12deg Updated=3", false},
        {"count negative", "Known=1 Azimuth=12 Updated=-3", false},
        {"count beyond 64 bits", "Known=1 Azimuth=12 Updated=18446744073709551616", false},
        {"count with a fraction", "Known=1 Azimuth=12 Updated=3.5", false},
        {"NUL inside", std::string("Known=1 Azimuth=12\0 Updated=3", 29), false},
        {"CR alone at the end", "Known=1 Azimuth=12 Updated=3\r", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ParseHeadingText(row.Text).has_value(), row.Taken) << row.Name;
}

}  // namespace
