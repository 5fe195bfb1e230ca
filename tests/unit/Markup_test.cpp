#include "ui/Markup.h"

#include <gtest/gtest.h>

namespace {

struct MarkupCase {
    const char* markup;
    const char* plain;
    std::vector<BoldRange> bold;
};

const MarkupCase kCases[] = {
    {"", "", {}},
    {"plain text", "plain text", {}},
    {"one<p>two<t>three", "one\r\ntwo\tthree", {}},
    {"one<P>two<T>three", "one\r\ntwo\tthree", {}},
    // Two backslashes and a letter, exact case only; a single backslash stays.
    {"a\\\\nb\\\\tc", "a\r\nb\tc", {}},
    {"a\\\\Nb\\\\Tc\\n", "a\\\\Nb\\\\Tc\\n", {}},
    {"CR LF\r\nstays", "CR LF\r\nstays", {}},
    {"a<b>bold</B>and", "aboldand", {{1, 5}}},
    // The second opening tag has no closing tag and is dropped.
    {"a<B>bold</B>and<B>more", "aboldandmore", {{1, 5}}},
    // The first closing tag comes before the opening tag: nothing is bold.
    {"x</B>y<B>z</B>", "xyz", {}},
    {"<b>never closed", "never closed", {}},
    // The heading form of owner mode 0.
    {"<<b>ERROR</b><P><P>Disk full<P>", "ERROR\r\n\r\nDisk full\r\n", {{0, 5}}},
    {"a<<b>x</b>", "a<x", {{2, 3}}},
    // A line break counts two characters.
    {"line<p><b>bold</b> tail", "line\r\nbold tail", {{6, 10}}},
    {"<b>1</b> and <b>2</b>", "1 and 2", {{0, 1}, {6, 7}}},
    // Nested tags: the ranges still address the final text.
    {"<B>a<B>b</B>c</B>", "abc", {{0, 2}, {1, 3}}},
    // Erasing the inner tag makes another "<B>" that starts before the first range: the
    // range moves to it instead of wrapping below 0.
    {"a<<B>B>b</B>", "ab", {{1, 2}}},
};

TEST(Markup, ConvertsTextAndBoldRanges)
{
    for (const auto& c : kCases) {
        const MarkupText result = ConvertMarkup(c.markup);
        EXPECT_EQ(result.plain, c.plain) << c.markup;
        EXPECT_EQ(result.bold, c.bold) << c.markup;
    }
}

TEST(Markup, DropsRangesBeyondSixteenBitOffsets)
{
    const std::string longText(70000, 'x');
    const MarkupText result = ConvertMarkup("<b>a</b>" + longText + "<b>b</b>");
    EXPECT_EQ(result.plain, "a" + longText + "b");
    EXPECT_EQ(result.bold, (std::vector<BoldRange>{{0, 1}}));
}

} // namespace
