#include "agent/OriginalFileWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

class DescriptionFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string base = TempFolder(true) + "kinfo_" + std::to_string(::GetCurrentProcessId());
        original_ = base + ".original";
        info_ = base + ".info";
        ::DeleteFileA(original_.c_str());
        ::DeleteFileA(info_.c_str());
        SetDescriptionFiles(original_, info_);
        AgentOverrides() = FreshOverrides();
    }
    void TearDown() override
    {
        ::DeleteFileA(original_.c_str());
        ::DeleteFileA(info_.c_str());
        AgentOverrides() = FreshOverrides();
    }
    void Info(const std::string& key, const std::string& value)
    {
        ASSERT_TRUE(WriteIniString(info_, "NewSetup", key, value));
    }
    std::string original_, info_;
};

TEST_F(DescriptionFiles, MissingFilesGiveTheDefaults)
{
    EXPECT_EQ(ReadInfoText(Keys::BtnText), "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|");
    EXPECT_EQ(ReadInfoText(Keys::FontName), "Tahoma");
    EXPECT_EQ(ReadInfoInt(Keys::FontSize), 8);
    EXPECT_EQ(ReadInfoInt(Keys::AutoInformW), 360);
    EXPECT_FALSE(ReadInfoFlag(Keys::InformFinish));
    EXPECT_EQ(AutoUpdateText("s3", "File Download Aborted!"), "File Download Aborted!");
}

TEST_F(DescriptionFiles, FlagsAreTrueOnlyForOneAndOverridesAnswerFirst)
{
    Info("RequestConfirmationBeforeDownload", "yes");
    Info("RequestConfirmationBeforeInstall", "1");
    Info("RestartProcess", "1");
    EXPECT_FALSE(ReadInfoFlag(Keys::RequestConfirmationBeforeDownload));
    EXPECT_TRUE(ReadInfoFlag(Keys::RequestConfirmationBeforeInstall));
    AgentOverrides()[static_cast<int>(Override::RestartProcess)] = 0;
    AgentOverrides()[static_cast<int>(Override::ConfirmDownload)] = 1;
    EXPECT_FALSE(ReadInfoFlag(Keys::RestartProcess));
    EXPECT_TRUE(ReadInfoFlag(Keys::RequestConfirmationBeforeDownload));
}

TEST_F(DescriptionFiles, NumbersThatAreNotNumbersReadAsTheDefault)
{
    ASSERT_TRUE(WriteIniString(original_, "OriginalSetup", "ProbeSecondsInterval", "abc"));
    ASSERT_TRUE(WriteIniString(original_, "OriginalSetup", "VersionOriginal", "412"));
    EXPECT_EQ(ReadInfoInt(Keys::ProbeSecondsInterval), 0);
    EXPECT_EQ(ReadInfoInt(Keys::VersionOriginal), 412);
}

TEST_F(DescriptionFiles, SecondsAreWrittenWithTheirReadableCopy)
{
    const std::int64_t seconds = SecondsFromDateTime(DateTime{2026, 12, 8, 14, 5, 9});
    ASSERT_TRUE(WriteInfoSeconds(Keys::ProbeSecondsLast, seconds));
    EXPECT_EQ(ReadInfoInt(Keys::ProbeSecondsLast), seconds);
    EXPECT_EQ(ReadIniString(original_, "OriginalSetup", "__ProbeSecondsLast", ""), "08-DEC-2026 14:05:09");
    ASSERT_TRUE(WriteInfoInt(Keys::ReAskSecondsInterval, -1));
    EXPECT_EQ(ReadInfoInt(Keys::ReAskSecondsInterval), -1);
    EXPECT_FALSE(PathExists(info_)); // only the installed product's file is written
}

} // namespace
