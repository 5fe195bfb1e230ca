#include "util/KSUB.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kMonths[] = "||JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC|";

TEST(KSUB, ListCount)
{
    struct Case {
        std::string list;
        int want;
    } cases[] = {
        {"|a|b|c|", 3}, {"||", 1}, {"|a|b", 0}, {"|", 0}, {"", 0}, {kMonths, 13}, {",x,,y,", 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SUB::ListCount(c.list), c.want) << c.list;
}

TEST(KSUB, ListItem)
{
    struct Case {
        std::string list;
        int n;
        const char* want;
    } cases[] = {
        {"|a||c|", 0, "a"},    {"|a||c|", 1, "D"},  {"|a||c|", 2, "c"},
        {"|a||c|", 3, "D"},    {"|a||c|", -1, "D"}, {kMonths, 3, "MAR"},
        {kMonths, 12, "DEC"},  {kMonths, 0, "D"},   {"|a|b", 1, "D"}, // b is not an item of an open list
        {"|a|b", 0, "a"},      {"", 0, "D"},        {std::string(1, '\0'), 0, "D"},
        {"#x y#z#", 0, "x y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SUB::ListItem(c.list, c.n, "D"), c.want) << c.list << " " << c.n;
    EXPECT_EQ(SUB::ListItemInt(".1.2.x.", 2, 0), 0);
    EXPECT_EQ(SUB::ListItemInt(".1.2.x.", 1, 0), 2);
    EXPECT_EQ(SUB::ListItemInt(".1. -7 .x.", 1, 0), -7);
    EXPECT_EQ(SUB::ListItemInt(".1.", 5, 9), 9);
}

TEST(KSUB, ListValue)
{
    const std::string kv = "|a=1|b=|Name=x y|";
    struct Case {
        std::string list, key;
        const char* want;
    } cases[] = {
        {kv, "b", "EMPTY"},
        {kv, "c", "NF"},
        {kv, "A", "1"},
        {kv, "a=", "1"},
        {kv, "name", "x y"},
        {kv, "ame", "NF"}, // keys match at item starts only
        {"| Name =x| Size=3|", "size", "3"},
        {"| Name =x| Size=3|", "NAME", "x"},
        {"|k= v |", "k", " v "}, // blanks after "=" stay
        {"|k=1|k=2|", "k", "1"}, // the first item wins
        {"|  k   =1|", "k", "1"},
        {"|k=1", "k", "NF"}, // not closed
        {"||", "k", "NF"},
        {"|x=a=b|", "x", "a=b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SUB::ListValue(c.list, c.key, "NF", "EMPTY"), c.want) << c.list << " " << c.key;
}

TEST(KSUB, ListSetItem)
{
    struct Case {
        std::string list;
        int n;
        std::string value, want;
    } cases[] = {
        {"|a|b|", 3, "x", "|a|b||x|"},    {"|a|b|", 0, "z", "|z|b|"},
        {"|a|b|", 1, "", "|a||"},         {"", 0, "x", "|x|"},
        {"|a|b|", 0, "p|q", "*p|q*b*"},   {"|a|b|", 0, "p|q*^", "!p|q*^!b!"},
        {"*a*b*", 1, "c|d*", "^a^c|d*^"}, {",x,,y,", 1, "m", ",x,m,y,"},
        {"|a|b", 2, "c", "|a||c|"}, // b was never an item of the open list
        {"|a|", -1, "c", "|a|"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SUB::ListSetItem(c.list, c.n, c.value), c.want) << c.list << " " << c.n;
    // Whatever delimiter is chosen, the value and the other items read back.
    const std::string values[] = {"x", "p|q", "a*b|c^d", "|*^!~@#$&", "k=v"};
    for (const std::string& v : values) {
        const std::string r = SUB::ListSetItem("|one|two|three|", 1, v);
        EXPECT_EQ(SUB::ListItem(r, 1, ""), v) << r;
        EXPECT_EQ(SUB::ListItem(r, 0, ""), "one") << r;
        EXPECT_EQ(SUB::ListItem(r, 2, ""), "three") << r;
        EXPECT_EQ(SUB::ListCount(r), 3) << r;
    }
    // Every candidate taken: the last one (code 255) is used.
    const std::string all = "|*^!~@#$&";
    const std::string r = SUB::ListSetItem("|a|", 0, all);
    EXPECT_EQ(r, "\xff" + all + "\xff");
}

} // namespace
