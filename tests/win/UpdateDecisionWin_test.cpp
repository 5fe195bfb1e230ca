#include "agent/UpdateDecisionWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AgentPayload.h"
#include "TestSession.h"
#include "agent/CheckScheduleWin.h"
#include "payload/GFileInfo.h"
#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

// An installed 11 and a release 12 of 1000 bytes. The product's own update address (its
// payload's) is the folder source_, so that a release naming it may be sized there.
class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = TempFolder(true) + "kdecide_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        source_ = folder_ + "\\source";
        ::CreateDirectoryA(source_.c_str(), nullptr);
        own_ = std::make_unique<TGFileInfo>(WriteAgentPayload(folder_, "agent.exe", "tok", source_));
        session_ = std::make_unique<AgentSession>(MakeTestSession(folder_, own_.get()));
        Original("VersionOriginal", "11");
        Original("Stamp", "7");
        release_.versionNew = 12;
        release_.stamp = 8;
        release_.downloadUrl = "http://127.0.0.1:1/upd";
        release_.nameOfUpdateFile = "p12.exe";
        release_.sizeOfUpdateFile = 1000;
    }
    void TearDown() override
    {
        session_.reset();
        own_.reset();
        DeleteTree(folder_, true);
    }
    void Original(const char* key, const std::string& value)
    {
        ASSERT_TRUE(WriteIniString(session_->files.original, "OriginalSetup", key, value));
    }
    void SourceFile(std::size_t size)
    {
        ASSERT_TRUE(WriteFileData(source_ + "\\p12.exe", std::string(size, 'x'), 0, false));
    }
    int Step(bool fetched, const HttpFileSize& server)
    {
        return GetOkToPerformAU(*session_, release_, fetched, server).step;
    }

    std::string folder_, source_;
    std::unique_ptr<TGFileInfo> own_;
    std::unique_ptr<AgentSession> session_;
    Release release_;
};

TEST_F(UpdateCheck, DecidesOnTheReleaseAndTheInstalledProductsFile)
{
    std::vector<std::string> asked;
    const HttpFileSize server = [&](const std::string& url) {
        asked.push_back(url);
        return std::int64_t{1050};
    };
    EXPECT_EQ(Step(false, server), 0);
    EXPECT_EQ(Step(true, server), 6);
    EXPECT_EQ(asked, std::vector<std::string>{"http://127.0.0.1:1/upd/p12.exe"});

    release_.validVersions = "1,2";
    EXPECT_EQ(Step(true, server), 4);
    release_.validVersions = "10,11";
    release_.stamp = 7;
    EXPECT_EQ(Step(true, server), 2);
    session_->mode = AgentMode::Interactive; // the user asked
    EXPECT_EQ(Step(true, server), 6);
    session_->mode = AgentMode::Background;
    Original("ReAskSecondsInterval", "60");
    Original("ReAskSecondsLast", std::to_string(NowSeconds() - 61));
    EXPECT_EQ(Step(true, server), 6);
    Original("VersionOriginal", "abc");
    EXPECT_EQ(Step(true, server), 1);
}

TEST_F(UpdateCheck, SizeComesFromTheFolderBeforeTheServer)
{
    release_.downloadUrl = source_;
    int asked = 0;
    const HttpFileSize server = [&](const std::string&) {
        ++asked;
        return std::int64_t{1000};
    };
    SourceFile(1100);
    EXPECT_EQ(Step(true, server), 5);
    SourceFile(1099);
    const Decision d = GetOkToPerformAU(*session_, release_, true, server);
    EXPECT_EQ(d.step, 6);
    EXPECT_EQ(d.actualSize, 1099);
    EXPECT_EQ(asked, 0);

    // No file and no server: the size is unknown.
    ::DeleteFileA((source_ + "\\p12.exe").c_str());
    EXPECT_EQ(Step(true, nullptr), 5);
    // A device name is never opened as a file.
    release_.nameOfUpdateFile = "CON";
    EXPECT_EQ(Step(true, server), 5);
    EXPECT_EQ(asked, 0);
}

TEST_F(UpdateCheck, TestModeTakesItsFolderAndNeverTheServer)
{
    session_->test.on = true;
    session_->test.url = source_;
    SourceFile(1000);
    int asked = 0;
    const HttpFileSize server = [&](const std::string&) {
        ++asked;
        return std::int64_t{1000};
    };
    EXPECT_EQ(Step(true, server), 6);
    ::DeleteFileA((source_ + "\\p12.exe").c_str());
    EXPECT_EQ(Step(true, server), 5);
    EXPECT_EQ(asked, 0);
}

} // namespace
