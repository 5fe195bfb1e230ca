#include "util/Utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

namespace {

struct ReplaceCase {
    const char* text;
    const char* find;
    const char* replacement;
    int last, first;
    bool ignoreCase;
    const char* want;
};

TEST(Utils, ReplaceText)
{
    const ReplaceCase cases[] = {
        {"aaa", "aa", "b", 0, 0, false, "ba"},           // matches do not overlap
        {"aaaa", "aa", "a", 0, 0, false, "aa"},          // nor use replaced text
        {"aabb", "ab", "", 0, 0, false, "ab"},           // nor text joined by a removal
        {"x.x.x", ".", "-", 0, 2, false, "x.x-x"},       // only the 2nd
        {"x.x.x.x", ".", "--", 0, 2, false, "x.x--x.x"}, // longer replacement after a skipped one
        {"a.b.c.d.e", ".", "", 3, 2, false, "a.bcd.e"},  // 2nd to 3rd
        {"a.b.c", ".", "+", 9, 1, false, "a+b+c"},       // last beyond the count
        {"a.b", ".", "+", 0, 5, false, "a.b"},           // first beyond the count
        {"Line<p>Next<P>", "<P>", "\r\n", 0, 0, true, "Line\r\nNext\r\n"},
        {"Line<p>Next", "<P>", "\r\n", 0, 0, false, "Line<p>Next"},
        {"abc", "", "x", 0, 0, false, "abc"}, // empty find
        {"", "a", "x", 0, 0, false, ""},
        {"abcABC", "b", "bb", 0, 0, true, "abbcAbbC"}, // replacement inserted as given
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceText(c.text, c.find, c.replacement, c.last, c.first, c.ignoreCase), c.want)
            << c.text << " / " << c.find << " first " << c.first << " last " << c.last;
    EXPECT_EQ(ReplaceAll("a-b-c", "-", "--"), "a--b--c");
    EXPECT_EQ(ReplaceAllCI("Line<p>Next", "<P>", "\r\n"), "Line\r\nNext");
}

TEST(Utils, Positions)
{
    EXPECT_EQ(PosCI("B", "abcb"), 2);
    EXPECT_EQ(PosCI("", "abc"), 0);
    EXPECT_EQ(PosCI("x", "abc"), 0);
    EXPECT_EQ(PosFrom("b", "abcb", 3, false), 4);
    EXPECT_EQ(PosFrom("b", "abcb", 4, false), 4);
    EXPECT_EQ(PosFrom("b", "abcb", -7, false), 2);
    EXPECT_EQ(PosFrom("b", "abcb", 5, false), 0); // beyond the text
    EXPECT_EQ(PosFrom("B", "abcb", 3, false), 0);
    EXPECT_EQ(PosFrom("B", "abcb", 3, true), 4);
    EXPECT_EQ(LastPos("ab", "abxab"), 4);
    EXPECT_EQ(LastPos("AB", "abxab"), 0);
    EXPECT_EQ(LastPos("", "abc"), 0);
}

TEST(Utils, PrefixSuffixAndParts)
{
    EXPECT_TRUE(StartsWith("ab", "abc", false));
    EXPECT_FALSE(StartsWith("AB", "abc", false));
    EXPECT_TRUE(StartsWith("AB", "abc", true));
    EXPECT_FALSE(StartsWith("", "abc", true));
    EXPECT_FALSE(StartsWith("abcd", "abc", true));
    EXPECT_TRUE(EndsWith(".EXE", "setup.exe", true));
    EXPECT_FALSE(EndsWith(".EXE", "setup.exe", false));
    EXPECT_FALSE(EndsWith("xsetup.exe", "setup.exe", true));
    EXPECT_TRUE(SameTextTrimmed("  Yes\t", "yES"));
    EXPECT_FALSE(SameTextTrimmed("Y es", "yes"));
    EXPECT_EQ(TextBefore("key=a=b", "=", "d"), "key");
    EXPECT_EQ(TextBefore("key", "=", "d"), "d");
}

TEST(Utils, CharacterEdits)
{
    EXPECT_EQ(ReplaceChar("a/b/c", '/', '\\'), "a\\b\\c");
    EXPECT_EQ(ReplaceChar("aaa", 'a', 'a'), "aaa");
    EXPECT_EQ(FilterChars("1,2.3a", ".0123456789", ""), "12.3");
    EXPECT_EQ(FilterChars("a b\tc", "", " \t"), "abc"); // empty allowed set: all but removed
    EXPECT_EQ(FilterChars(std::string("a\0b\xff", 4), "", "a"), std::string("\0b\xff", 3));
    EXPECT_EQ(UpperText("a\xe9z!"), "A\xe9Z!"); // ASCII letters only
    EXPECT_EQ(TrimText("\t a b \r\n"), "a b");
}

TEST(Utils, TrimCharAndQuotes)
{
    struct Case {
        const char* text;
        char ch;
        bool force, onlyOne;
        const char* want;
    } cases[] = {
        {"\"", '"', false, false, ""},         {"\"\"", '"', false, false, ""},
        {"\"\"a\"\"", '"', false, false, "a"}, {"\"\"a\"\"", '"', false, true, "\"a\""},
        {"\"a", '"', false, false, "\"a"}, // not enclosed, not forced
        {"\"a", '"', true, false, "a"},        {"..1.2..", '.', true, false, "1.2"},
        {"a", '"', true, false, "a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimChar(c.text, c.ch, c.force, c.onlyOne), c.want) << c.text;
    EXPECT_EQ(TrimQuotes("  \"C:\\a b\\x.exe\" ", false), "C:\\a b\\x.exe");
    EXPECT_EQ(TrimQuotes(" \"C:\\x.exe", false), "\"C:\\x.exe");
    EXPECT_EQ(TrimQuotes(" \"C:\\x.exe", true), "C:\\x.exe");
}

TEST(Utils, PaddingAndChoice)
{
    EXPECT_EQ(PadLeft("412", 5, ' '), "  412");
    EXPECT_EQ(PadLeft("abcdefgh", -5, ' '), "abcd.");
    EXPECT_EQ(PadLeft("ab", -5, '*'), "***ab");
    EXPECT_EQ(PadLeft("abcdefgh", -2, ' '), "abcdefgh"); // only -3 and below cut
    EXPECT_EQ(PadLeft("abcdefgh", 5, ' '), "abcdefgh");
    EXPECT_EQ(ZeroPad("7", 3), "007");
    EXPECT_EQ(ZeroPad("1234", 3), "1234");
    EXPECT_EQ(IntToZeroPad(5, 2), "05");
    EXPECT_EQ(IntToZeroPad(-5, 3), "-05");
    EXPECT_EQ(BoolText(true), "TRUE");
    EXPECT_EQ(BoolText(false), "FALSE");
}

TEST(Utils, NumbersAndSizes)
{
    EXPECT_EQ(InsertThousands("4096.5"), "4,096.5");
    EXPECT_EQ(InsertThousands("456"), "456");
    EXPECT_EQ(InsertThousands("1234567"), "1,234,567");
    EXPECT_EQ(InsertThousands("123456.7890"), "123,456.7890");
    EXPECT_EQ(InsertThousands(""), "");
    struct Case {
        int64_t value, unit;
        bool decimals, separators;
        const char* want;
    } cases[] = {
        {1025, 1024, false, false, "2"},
        {1025, 1024, true, false, "1.0"},
        {1024, 1024, false, false, "1"},
        {0, 1024, false, false, "0"},
        {1536, 1024, true, false, "1.5"},
        {5000LL * 1048576, 1048576, false, true, "5,000"},
        {4096LL * 1024 + 512, 1024, true, true, "4,096.5"},
        {10, 0, false, false, "10"}, // a zero unit counts as one
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeText(c.value, c.unit, c.decimals, c.separators), c.want) << c.value;
    EXPECT_EQ(FixedText(3.14159, 2), "3.14");
    EXPECT_EQ(FixedText(2.5, 1, ","), "2,5");
    EXPECT_EQ(FixedText(7, 0), "7");
    // What printf's "%.*f" gives for values whose scaled form is exact in binary.
    struct Fixed {
        double value;
        int decimals;
        const char* want;
    } fixed[] = {
        {0.125, 2, "0.12"}, // a tie goes to the even digit
        {0.375, 2, "0.38"},
        {-1.5, 0, "-2"},
        {-0.25, 1, "-0.2"},
        {0.0004, 3, "0.000"},
        {0.5, 3, "0.500"},
        {1234567.5, 0, "1234568"},
        {1e20, 2, "100000000000000000000.00"}, // beyond 64-bit integers
        {12.5, 12, "12.500000000"},            // at most kMostFixedDecimals
        {2.5, -1, "2"},
        {std::numeric_limits<double>::infinity(), 2, "inf"},
        {-std::numeric_limits<double>::infinity(), 2, "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), 2, "nan"},
        {1e308, 9, "inf"}, // too large to scale (printf would write 309 digits)
    };
    for (const auto& c : fixed)
        EXPECT_EQ(FixedText(c.value, c.decimals), c.want) << c.value << " " << c.decimals;
}

TEST(Utils, RandomStaysInRangeAndVaries)
{
    std::set<int64_t> seen;
    for (int i = 0; i < 200; ++i) {
        const int64_t v = RandomInRange(10000, 100000);
        ASSERT_GE(v, 10000);
        ASSERT_LE(v, 100000);
        seen.insert(v);
    }
    // Back-to-back calls (within one clock tick) must not repeat one number.
    EXPECT_GT(seen.size(), 150u);
    for (int i = 0; i < 50; ++i) {
        const int64_t v = RandomInRange(3, 1); // reversed bounds
        ASSERT_TRUE(v >= 1 && v <= 3) << v;
    }
    EXPECT_EQ(RandomInRange(7, 7), 7);
    const std::string t = RandomText(1, 9);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_TRUE(t[0] >= '1' && t[0] <= '9');
}

TEST(Utils, ParseNumbers)
{
    struct Case {
        const char* text;
        int base;
        int64_t want;
    } cases[] = {
        {"1F", 16, 31},
        {"1f", 16, 31},
        {" 777 ", 8, 511},
        {"19", 8, 17}, // 9 >= 8 still taken
        {"G", 16, -1},
        {"1-", 10, -1},
        {"", 16, 0},
        {"101", 2, 5},
        {"FFFFFFFFFFFFFFFF", 16, -1}, // wraps in 64 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseInBase(c.text, c.base), c.want) << c.text;
    EXPECT_EQ(ParseHex("0x1F"), 31);
    EXPECT_EQ(ParseHex("0X1f"), 31);
    EXPECT_EQ(ParseHex("1G"), -1);
    EXPECT_EQ(ParseHex(""), 0);
    EXPECT_EQ(ParseHex("0x"), 0);

    struct IntCase {
        const char* text;
        int64_t want;
    } ints[] = {
        {"42", 42},
        {" -17 ", -17},
        {"+5", 5},
        {"", -1},
        {"-", -1},
        {"1.5", -1},
        {"12a", -1},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", -1},
        {"0x10", -1},
    };
    for (const auto& c : ints)
        EXPECT_EQ(ParseInt64(c.text, -1), c.want) << c.text;
}

TEST(Utils, HexConversion)
{
    const std::string bytes("\x00\x01\xab\xff", 4);
    EXPECT_EQ(BytesToHex(bytes, false, false), "0001ABFF");
    EXPECT_EQ(BytesToHex(bytes, true, false), "00 01 AB FF ");
    EXPECT_EQ(BytesToHex(bytes, false, true), "0x000x010xAB0xFF");
    EXPECT_EQ(BytesToHex("ABCDEFGHI", true, false), "41 42 43 44 45 46 47 48  49 ");
    EXPECT_EQ(HexToBytes("0001abFF"), bytes);
    EXPECT_EQ(HexToBytes("41G142"), std::string("A\xff"
                                                "B")); // a bad pair gives 255
    EXPECT_EQ(HexToBytes("414"), "A");                 // a last single digit is ignored
    EXPECT_EQ(HexToBytes(""), "");
    EXPECT_EQ(HexNumber(0, 1), "0");
    EXPECT_EQ(HexNumber(0xab, 4), "00ab");
    EXPECT_EQ(HexNumber(0x12345, 2), "12345"); // width is a least, never a cut
    EXPECT_EQ(HexNumber(0xfedcba9876543210ull, 16), "fedcba9876543210");
    EXPECT_EQ(HexNumber(~0ull, 0), "ffffffffffffffff");
}

TEST(Utils, Dates)
{
    DateTime d;
    d.year = 2024, d.month = 3, d.day = 5, d.hour = 14, d.minute = 5, d.second = 9;
    EXPECT_EQ(DateText(d), "05-MAR-2024");
    EXPECT_EQ(DateTimeText(d), "05-MAR-2024 14:05:09");
    EXPECT_EQ(DateTimeText(d, "."), "05-MAR-2024 14.05.09");
    EXPECT_EQ(StampText(false, d), "05/03/24 14:05:09");
    EXPECT_EQ(StampText(true, d), "05/03/2024 14:05:09");
    EXPECT_EQ(StampText(false, d, ".", "-"), "05.03.24 14-05-09");

    struct Case {
        double days;
        const char* want;
    } cases[] = {
        {0.0, "30-DEC-1899 00:00:00"},          {1.5, "31-DEC-1899 12:00:00"},
        {45356.0, "05-MAR-2024 00:00:00"},      {45351.0, "29-FEB-2024 00:00:00"},
        {-1.25, "29-DEC-1899 06:00:00"},        {2.0 - 0.1 / 86400, "01-JAN-1900 00:00:00"},
        {36526.999999, "02-JAN-2000 00:00:00"}, {36526.0, "01-JAN-2000 00:00:00"},
    };
    for (const auto& c : cases) {
        const DateTime dt = DateTimeFromDays(c.days);
        EXPECT_EQ(DateTimeText(dt), c.want) << c.days;
    }
    EXPECT_DOUBLE_EQ(DaysFromDateTime(DateTimeFromDays(45356.75)), 45356.75);
    EXPECT_DOUBLE_EQ(DaysFromDateTime(DateTimeFromDays(-1.25)), -1.25);
    DateTime odd = d;
    odd.month = 13;
    EXPECT_EQ(DateText(odd), "05--2024");
}

TEST(Utils, Backslashes)
{
    struct Case {
        const char* path;
        bool add;
        const char* want;
    } with[] = {
        {"C:", true, "C:\\"},
        {"C:\\", false, "C:"},
        {"C:\\", true, "C:\\"},
        {"C:\\x\\", false, "C:\\x"},
        {"C:\\x", true, "C:\\x\\"},
        {"\\", true, "\\"},
        {"x\\", true, "x\\"},
        {"", false, ""},
        {"C:\\x\\\\", false, "C:\\x\\"},
    };
    for (const auto& c : with)
        EXPECT_EQ(WithBackslash(c.path, c.add), c.want) << c.path;
    EXPECT_EQ(WithoutBackslash("\\"), "");
    EXPECT_EQ(WithoutBackslash("x\\"), "x");
    EXPECT_EQ(WithoutBackslash("C:\\x\\"), "C:\\x");
    EXPECT_EQ(WithoutBackslash("C:"), "C:");

    struct Collapse {
        const char* path;
        bool strip;
        const char* want;
    } collapse[] = {
        {"C:\\\\a\\\\\\b", false, "C:\\a\\b"},
        {"\\\\server\\\\share\\x", false, "\\\\server\\share\\x"}, // network path survives
        {"\\\\\\server\\x", false, "\\\\server\\x"},
        {"\"\\\\server\\\\x\"", false, "\"\\\\server\\x\""}, // quoted network path too
        {"\"C:\\a\" \"\\\\srv\\\\b\"", false, "\"C:\\a\" \"\\\\srv\\b\""},
        {"C:\\a\\\\", true, "C:\\a"},
        {"C:\\a\\\\", false, "C:\\a\\"},
        {"\\\\", false, "\\\\"},
        {"a\\", true, "a"},
    };
    for (const auto& c : collapse)
        EXPECT_EQ(CollapseBackslashes(c.path, c.strip), c.want) << c.path;
}

TEST(Utils, FileTitle)
{
    EXPECT_EQ(FileTitle("C:\\x\\a.tar.gz", false), "a.tar");
    EXPECT_EQ(FileTitle("C:\\x\\a.tar.gz", true), "a");
    EXPECT_EQ(FileTitle("C:\\x.d\\setup", false), "setup"); // a dot in a folder is no extension
    EXPECT_EQ(FileTitle("setup.exe", false), "setup");
    EXPECT_EQ(FileTitle("", true), "");
}

} // namespace
