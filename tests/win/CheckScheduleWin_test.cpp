#include "agent/CheckScheduleWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TestSession.h"
#include "util/FilesWin.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

constexpr const char* kSubKey = "Software\\Morbrook\\Kalvex\\AutoUpdate";

void SetTestModeValues(const std::string& on, const std::string& date, const std::string& url)
{
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kSubKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    ScopedRegKey key(raw);
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"TestMode", on}, {"TestModeDate", date}, {"TestModeURL", url}})
        ASSERT_EQ(::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
}

class CheckScheduleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = TempFolder(true) + "kschedule_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        session_ = std::make_unique<AgentSession>(MakeTestSession(folder_));
    }
    void TearDown() override
    {
        session_.reset();
        DeleteTree(folder_, true);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kSubKey);
    }
    std::string folder_;
    std::unique_ptr<AgentSession> session_;
};

TEST_F(CheckScheduleTest, TestModeIsReadWhenForcedOrEveryThirtySeconds)
{
    DateTime yesterday = DateTimeFromDays(DaysFromDateTime(LocalNow()) - 1);
    SetTestModeValues("1", DateText(yesterday), "C:\\T");
    EXPECT_FALSE(CheckTestMode(*session_, true));

    SetTestModeValues("1", DateText(LocalNow()), "C:\\T");
    EXPECT_FALSE(CheckTestMode(*session_, false)); // read less than 30 seconds ago
    EXPECT_TRUE(CheckTestMode(*session_, true));
    EXPECT_EQ(session_->test.url, "C:\\T");
    // Due again: the last read was more than 30 seconds ago.
    SetTestModeValues("0", DateText(LocalNow()), "");
    session_->test.readAt = ::GetTickCount() - 30001;
    EXPECT_FALSE(CheckTestMode(*session_, false));
    EXPECT_EQ(session_->test.url, "");
}

TEST_F(CheckScheduleTest, ShotTimeStatusClearsTheCheckRequest)
{
    ASSERT_TRUE(WriteIniString(session_->files.original, "OriginalSetup", "ProbeSecondsInterval", "-1"));
    session_->checkNow = true;
    EXPECT_EQ(ShotTimeStatus(*session_), ShotTime::Check);
    EXPECT_FALSE(session_->checkNow);
    EXPECT_EQ(ShotTimeStatus(*session_), ShotTime::None);
    ASSERT_TRUE(WriteIniString(session_->files.original, "OriginalSetup", "ProbeSecondsInterval", "0"));
    EXPECT_EQ(ShotTimeStatus(*session_), ShotTime::CheckOnce);
}

} // namespace
