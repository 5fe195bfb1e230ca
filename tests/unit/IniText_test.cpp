#include "util/IniText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IniText, ValuesAsTheProfileReaderGivesThem)
{
    const IniText ini("\xEF\xBB\xBF"
                      "top=before any section\r\n"
                      "[NewSetup]\r\n"
                      "  Version New = 12 \r\n"
                      "Quoted=\"  two blanks kept  \"\r\n"
                      "Single='x'\r\n"
                      "Lone=\"\r\n"
                      "Inner=a \"b\" c\r\n"
                      "Empty=\r\n"
                      "NoEquals\r\n"
                      "Twice=first\r\n"
                      "twice=second\r\n"
                      "Eq=a=b\r\n"
                      "[newsetup]\r\n"
                      "Later=in a second section of that name\n"
                      "[ Spaced ]\n"
                      "k=v\n"
                      "[Broken\n"
                      "b=1\n");
    struct Case {
        const char* section;
        const char* key;
        const char* want;
    };
    const Case cases[] = {
        {"NewSetup", "Version New", "12"},
        {"NEWSETUP", "version new", "12"},
        {"NewSetup", "Quoted", "  two blanks kept  "},
        {"NewSetup", "Single", "x"},
        {"NewSetup", "Lone", "\""},
        {"NewSetup", "Inner", "a \"b\" c"},
        {"NewSetup", "Empty", "def"},    // empty: the default
        {"NewSetup", "NoEquals", "def"}, // no value at all
        {"NewSetup", "Twice", "first"},
        {"NewSetup", "Eq", "a=b"},
        {"NewSetup", "Later", "def"}, // only the first section of a name counts
        {"NewSetup", "top", "def"},
        {" Spaced ", "k", "v"},
        {"Spaced", "k", "v"}, // the lookup's name is trimmed
        {"Missing", "k", "def"},
        {"Spaced", "b", "1"}, // a line without its "]" starts no section
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.Text(c.section, c.key, "def"), c.want) << c.section << "/" << c.key;
}

TEST(IniText, NumbersAndTheLongestValue)
{
    const std::string longValue(IniText::kLongestValue + 5, 'v');
    const IniText ini("[S]\nn= -42 \nx=abc\nbig=9223372036854775808\nlong=" + longValue + "\nq=\"" +
                      std::string(IniText::kLongestValue, 'q') + "\"\n");
    EXPECT_EQ(ini.Int("S", "n", 7), -42);
    EXPECT_EQ(ini.Int("S", "x", 7), 7);
    EXPECT_EQ(ini.Int("S", "big", 7), 7);
    EXPECT_EQ(ini.Int("S", "missing", 7), 7);
    EXPECT_EQ(ini.Text("S", "long", ""), std::string(IniText::kLongestValue, 'v'));
    // A quoted value that fills the reader's buffer loses its last character there, as
    // the system's reader drops what it takes for the closing quote.
    EXPECT_EQ(ini.Text("S", "q", ""), std::string(IniText::kLongestValue - 1, 'q'));
}

TEST(IniText, LineEndsOfEveryKind)
{
    const IniText ini("[A]\rk=1\r\n[B]\nk=2\r[C]\r\nk=3");
    EXPECT_EQ(ini.Text("A", "k", ""), "1");
    EXPECT_EQ(ini.Text("B", "k", ""), "2");
    EXPECT_EQ(ini.Text("C", "k", ""), "3");
}

TEST(IniText, ReadsAsTheProfileFunctionsDo)
{
    const std::string text = "; comment\r\n[NewSetup]\r\n Size = 12 \r\nName=\"a b\"\r\nsize=99\r\nEmpty=\r\n"
                             "[Other]\r\nKey=other\r\n[newsetup]\r\nLate=1\r\n";
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"NewSetup", "Size", "12"},   // blanks around key and value, the first key counts
        {" NEWSETUP ", "SIZE", "12"}, // names ignore case and blanks
        {"NewSetup", "Name", "a b"},  // one pair of quotes goes
        {"NewSetup", "Empty", "def"}, {"NewSetup", "Missing", "def"}, // an empty value: the default
        {"NewSetup", "Key", "def"},                                   // the section ends at the next one
        {"NewSetup", "Late", "def"},                                  // only the first section of a name is read
        {"Other", "Key", "other"},    {"None", "Key", "def"},
    };
    const IniText ini(text);
    for (const Case& c : cases)
        EXPECT_EQ(ini.Text(c.section, c.key, "def"), c.value) << c.section << "/" << c.key;
    EXPECT_TRUE(ini.Has("NewSetup", "Empty"));
    EXPECT_FALSE(ini.Has("NewSetup", "Missing"));
    EXPECT_FALSE(ini.Has("NewSetup", "Key"));
}

} // namespace
