#include "util/SysUtils.h"

#include <gtest/gtest.h>

namespace {

using R = RegistryRootKey;

TEST(SysUtils, SplitRegistryPath)
{
    struct Row {
        std::string path;
        R root;
        std::string subKey;
    };
    for (const Row& r :
         {Row{"HKLM\\Software", R::LocalMachine, "Software"},
          Row{"  hkey_local_machine\\Software\\X  ", R::LocalMachine, "Software\\X"},
          Row{"Software\\Morbrook", R::CurrentUser, "Software\\Morbrook"}, Row{"HKEY_BOGUS\\x", R::CurrentUser, "x"},
          Row{"HKCR", R::ClassesRoot, ""}, Row{"hku\\.DEFAULT", R::Users, ".DEFAULT"},
          Row{"HKCC\\a", R::CurrentConfig, "a"}, Row{"HKEY_DYN_DATA\\a", R::DynData, "a"},
          Row{"HKCU\\a\\b", R::CurrentUser, "a\\b"}, Row{"", R::CurrentUser, ""}}) {
        RegistryPath p = SplitRegistryPath(r.path);
        EXPECT_EQ(p.root, r.root) << r.path;
        EXPECT_EQ(p.subKey, r.subKey) << r.path;
    }
}

TEST(SysUtils, RegistryValueText)
{
    using namespace std::string_literals;
    struct Row {
        uint32_t type;
        std::string data, text;
    };
    for (const Row& r : {Row{kRegDword, "\xff\xff\xff\xff"s, "4294967295"}, Row{kRegDword, "\x2a\0\0\0"s, "42"},
                         Row{kRegMultiSz, "a\0b\0\0"s, "a<0>b"}, Row{kRegMultiSz, "a\0\0"s, "a"},
                         Row{kRegMultiSz, "a\0"s, "a"}, // too short for the multi-string rule
                         Row{1, "hello\0"s, "hello"}, Row{3, "ab\0cd"s, "ab"}, Row{kRegDword, "\x01\x02"s, "\x01\x02"},
                         Row{1, ""s, ""}}) {
        EXPECT_EQ(RegistryValueText(r.type, r.data), r.text) << r.type;
    }
}

TEST(SysUtils, WindowsVersionKey)
{
    EXPECT_EQ(WindowsVersionKeyFor(false), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
    EXPECT_EQ(WindowsVersionKeyFor(true), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
}

TEST(SysUtils, NormalizeVersion)
{
    struct Row {
        std::string text;
        int width, parts;
        std::string result;
    };
    for (const Row& r : {Row{"1,2", 3, 4, "001.002.000.000"}, Row{"10.0.1", 1, 2, "10.0"},
                         Row{"4.1.0.12", 1, 4, "4.1.0.12"}, Row{"v 2.x5", 2, 3, "02.05.00"}, Row{"", 1, 2, "0.0"},
                         Row{"1..3", 1, 3, "1.0.3"}, Row{"12345", 3, 1, "12345"}}) {
        EXPECT_EQ(NormalizeVersion(r.text, r.width, r.parts), r.result) << r.text;
    }
}

TEST(SysUtils, SleepStep)
{
    struct Row {
        int64_t step, duration, result;
    };
    for (Row r : {Row{0, 100, 10}, Row{0, 1000, 25}, Row{0, 5, 1}, Row{0, 0, 1}, Row{0, 250, 25}, Row{7, 1000, 7}}) {
        EXPECT_EQ(SleepStep(r.step, r.duration), r.result) << r.step << " " << r.duration;
    }
}

} // namespace
