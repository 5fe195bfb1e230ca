#include "agent/OriginalFileWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

class OriginalFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = TempFolder(true) + "koriginal_" + std::to_string(::GetCurrentProcessId()) + ".original";
        ::DeleteFileA(path_.c_str());
    }
    void TearDown() override { ::DeleteFileA(path_.c_str()); }
    std::string path_;
};

TEST_F(OriginalFileTest, MissingFileGivesTheDefaults)
{
    const OriginalFile original(path_);
    EXPECT_EQ(original.Text(OriginalKeys::BtnText), "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|");
    EXPECT_EQ(original.Text(OriginalKeys::FontName), "Tahoma");
    EXPECT_EQ(original.Int(OriginalKeys::FontSize), 8);
    EXPECT_EQ(original.Int(OriginalKeys::VersionOriginal), 0);
    EXPECT_EQ(original.AutoUpdateText("s3", "File Download Aborted!"), "File Download Aborted!");
}

TEST_F(OriginalFileTest, NumbersThatAreNotNumbersReadAsTheDefault)
{
    ASSERT_TRUE(WriteIniString(path_, "OriginalSetup", "ProbeSecondsInterval", "abc"));
    ASSERT_TRUE(WriteIniString(path_, "OriginalSetup", "VersionOriginal", "412"));
    const OriginalFile original(path_);
    EXPECT_EQ(original.Int(OriginalKeys::ProbeSecondsInterval), 0);
    EXPECT_EQ(original.Int(OriginalKeys::VersionOriginal), 412);
}

TEST_F(OriginalFileTest, SecondsAreWrittenWithTheirReadableCopy)
{
    const OriginalFile original(path_);
    const std::int64_t seconds = SecondsFromDateTime(DateTime{2026, 12, 8, 14, 5, 9});
    ASSERT_TRUE(original.WriteSeconds(OriginalKeys::ProbeSecondsLast, seconds));
    EXPECT_EQ(original.Int(OriginalKeys::ProbeSecondsLast), seconds);
    EXPECT_EQ(ReadIniString(path_, "OriginalSetup", "__ProbeSecondsLast", ""), "08-DEC-2026 14:05:09");
    ASSERT_TRUE(original.WriteInt(OriginalKeys::ReAskSecondsInterval, -1));
    EXPECT_EQ(original.Int(OriginalKeys::ReAskSecondsInterval), -1);
}

TEST_F(OriginalFileTest, AFileThatCannotBeWrittenSaysSo)
{
    const std::string folder = TempFolder(true) + "koriginal_ro_" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr) || FolderExists(folder));
    // A folder stands where the file would be.
    const OriginalFile original(folder);
    EXPECT_FALSE(original.WriteInt(OriginalKeys::VersionOriginal, 12));
    EXPECT_FALSE(original.WriteSeconds(OriginalKeys::ReAskSecondsLast, 5));
    // What could not be written still answers for the rest of the run: a check time
    // written nowhere must not make the next check come at once.
    EXPECT_EQ(original.Int(OriginalKeys::VersionOriginal), 12);
    EXPECT_EQ(original.Int(OriginalKeys::ReAskSecondsLast), 5);
    ::RemoveDirectoryA(folder.c_str());
}

} // namespace
