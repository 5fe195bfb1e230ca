#include "agent/UpdateDecisionWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/AgentTick.h"
#include "agent/OriginalFileWin.h"
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
    for (const auto& [name, value] : {std::pair<const char*, std::string>{"TestMode", on}, {"TestModeDate", date},
                                      {"TestModeURL", url}})
        ASSERT_EQ(::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
}

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = TempFolder(true) + "kdecide_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        source_ = folder_ + "\\source";
        ::CreateDirectoryA(source_.c_str(), nullptr);
        SetDescriptionFiles(folder_ + "\\p.original", folder_ + "\\p.info");
        Agent() = AgentState{};
        // An installed 11 and a release 12 of 1000 bytes.
        Original("VersionOriginal", "11");
        Original("Stamp", "7");
        Info("NewSetup", "VersionNew", "12");
        Info("NewSetup", "Stamp", "8");
        Info("NewSetup", "DownloadURL_UPDATE", "http://127.0.0.1:1/upd");
        Info("NewSetup", "NameOfUpdateFile", "p12.exe");
        Info("NewSetup", "SizeOfUpdateFile", "1000");
    }
    void TearDown() override
    {
        for (const char* name : {"\\p.original", "\\p.info", "\\source\\p12.exe"})
            ::DeleteFileA((folder_ + name).c_str());
        ::RemoveDirectoryA(source_.c_str());
        ::RemoveDirectoryA(folder_.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kSubKey);
        Agent() = AgentState{};
    }
    void Original(const char* key, const std::string& value)
    {
        ASSERT_TRUE(WriteIniString(OriginalFilePath(), "OriginalSetup", key, value));
    }
    void Info(const char* section, const char* key, const std::string& value)
    {
        ASSERT_TRUE(WriteIniString(InfoFilePath(), section, key, value));
    }
    void SourceFile(std::size_t size)
    {
        ASSERT_TRUE(WriteFileData(source_ + "\\p12.exe", std::string(size, 'x'), 0, false));
    }
    std::string folder_, source_;
};

TEST_F(UpdateCheck, ReadsTheDescriptionFiles)
{
    std::vector<std::string> asked;
    const HttpFileSize server = [&](const std::string& url) {
        asked.push_back(url);
        return std::int64_t{1050};
    };
    EXPECT_EQ(GetOkToPerformAU(false, false, server).step, 0);
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 6);
    EXPECT_EQ(asked, std::vector<std::string>{"http://127.0.0.1:1/upd/p12.exe"});

    Info("NewSetup", "ValidVersions", "1,2");
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 4);
    Info("NewSetup", "ValidVersions", "10,11");
    Info("NewSetup", "Stamp", "7");
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 2);
    EXPECT_EQ(GetOkToPerformAU(true, true, server).step, 6);  // the user asked
    Original("ReAskSecondsInterval", "60");
    Original("ReAskSecondsLast", std::to_string(NowSeconds() - 61));
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 6);
    Original("VersionOriginal", "abc");
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 1);
}

TEST_F(UpdateCheck, SizeComesFromTheFolderBeforeTheServer)
{
    Info("NewSetup", "DownloadURL_UPDATE", source_);
    int asked = 0;
    const HttpFileSize server = [&](const std::string&) {
        ++asked;
        return std::int64_t{1000};
    };
    SourceFile(1100);
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 5);
    SourceFile(1099);
    const Decision d = GetOkToPerformAU(true, false, server);
    EXPECT_EQ(d.step, 6);
    EXPECT_EQ(d.actualSize, 1099);
    EXPECT_EQ(asked, 0);

    // No file and no server: the size is unknown.
    ::DeleteFileA((source_ + "\\p12.exe").c_str());
    EXPECT_EQ(GetOkToPerformAU(true, false, nullptr).step, 5);
    // A device name is never opened as a file.
    Info("NewSetup", "NameOfUpdateFile", "CON");
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 5);
    EXPECT_EQ(asked, 0);
}

TEST_F(UpdateCheck, TestModeTakesItsFolderAndNeverTheServer)
{
    SetTestModeValues("1", DateText(LocalNow()), source_);
    ASSERT_TRUE(CheckTestMode(true));
    EXPECT_EQ(Agent().testUrl, source_);
    SourceFile(1000);
    int asked = 0;
    const HttpFileSize server = [&](const std::string&) {
        ++asked;
        return std::int64_t{1000};
    };
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 6);
    ::DeleteFileA((source_ + "\\p12.exe").c_str());
    EXPECT_EQ(GetOkToPerformAU(true, false, server).step, 5);
    EXPECT_EQ(asked, 0);
}

TEST_F(UpdateCheck, TestModeIsReadWhenForcedOrEveryThirtySeconds)
{
    DateTime yesterday = DateTimeFromDays(DaysFromDateTime(LocalNow()) - 1);
    SetTestModeValues("1", DateText(yesterday), "C:\\T");
    EXPECT_FALSE(CheckTestMode(true));

    SetTestModeValues("1", DateText(LocalNow()), "C:\\T");
    EXPECT_FALSE(CheckTestMode(false));  // read less than 30 seconds ago
    EXPECT_TRUE(CheckTestMode(true));
    // Due again: the last read was more than 30 seconds ago.
    SetTestModeValues("0", DateText(LocalNow()), "");
    Agent().testModeReadAt = ::GetTickCount() - 30001;
    EXPECT_FALSE(CheckTestMode(false));
    EXPECT_EQ(Agent().testUrl, "");
}

TEST_F(UpdateCheck, ShotTimeStatusClearsTheCheckRequest)
{
    Original("ProbeSecondsInterval", "-1");
    Agent().checkNow = true;
    EXPECT_EQ(ShotTimeStatus(), 1);
    EXPECT_FALSE(Agent().checkNow);
    EXPECT_EQ(ShotTimeStatus(), 0);
    Original("ProbeSecondsInterval", "0");
    EXPECT_EQ(ShotTimeStatus(), 2);
}

} // namespace
