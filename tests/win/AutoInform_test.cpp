#include "agent/AutoInform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AgentPayload.h"
#include "TestSession.h"
#include "WindowDriver.h"
#include "agent/InformDialogWin.h"
#include "payload/GFileInfo.h"
#include "payload/Token.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

HWND Child(HWND dialog, const char* className) { return ::FindWindowExA(dialog, nullptr, className, nullptr); }

// A release announced with an inform file on a folder server, to an installed 11.
class AutoInform : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetTraceOutputs({nullptr, [this](const std::string& chunk) { trace_ += chunk; }});
        folder_ = TempFolder(true) + "kinform_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        ::CreateDirectoryA((folder_ + "\\server").c_str(), nullptr);
        // The running agent's own payload, which carries the product's update token and
        // names the folder server as its own (a release's folder address must lie in it).
        own_ = std::make_unique<TGFileInfo>(WriteAgentPayload(folder_, "agent.exe", "tok", folder_ + "\\server"));
        session_ = std::make_unique<AgentSession>(MakeTestSession(folder_, own_.get()));
        inform_ = folder_ + "\\server\\news.txt";
        ASSERT_TRUE(WriteIniString(session_->files.original, "OriginalSetup", "VersionOriginal", "11"));
        ASSERT_TRUE(WriteIniString(session_->files.original, "AutoUpdate", "s34", "Neu"));
        release_.versionNew = 12;
        release_.downloadUrl = folder_ + "\\server";
        release_.nameOfInformFile = "news.txt";
        release_.autoInform = true;
    }
    void TearDown() override
    {
        session_.reset();
        own_.reset();
        DeleteTree(folder_, true);
        SetTraceOutputs({});
    }
    bool Announce()
    {
        return DriveWindow(kInformDialogClass, {}, [&] { return PerformAutoInform(*session_, release_); }).result;
    }
    std::int64_t Installed() { return session_->original.Int(OriginalKeys::VersionOriginal); }

    std::string trace_, folder_, inform_;
    std::unique_ptr<TGFileInfo> own_;
    std::unique_ptr<AgentSession> session_;
    Release release_;
};

TEST_F(AutoInform, ShownFileRecordsTheVersion)
{
    ASSERT_TRUE(WriteFileData(inform_, "x|" + ScrambleToken("tok", 5) + "|a|b|Version 12|is out.", 0, false));
    const auto o = DriveWindow(kInformDialogClass,
                               {Check([](HWND dialog) {
                                    EXPECT_EQ(WindowText(dialog), "Neu");
                                    EXPECT_EQ(WindowText(Child(dialog, "RICHEDIT")), "Version 12|is out.");
                                    EXPECT_EQ(Child(dialog, "Button"), nullptr);
                                    RECT r; // the release gives no size
                                    ::GetWindowRect(dialog, &r);
                                    EXPECT_EQ(r.right - r.left, 360);
                                    EXPECT_EQ(r.bottom - r.top, 360);
                                }),
                                Close()},
                               [&] { return PerformAutoInform(*session_, release_); });
    EXPECT_TRUE(o.result);
    EXPECT_TRUE(o.allStepsRan);
    EXPECT_EQ(Installed(), 12);
    EXPECT_EQ(session_->state, AgentState::Idle); // fetching only while it fetched
    EXPECT_NE(trace_.find(" ==== PerformAutoInform-4 ===="), std::string::npos);
}

TEST_F(AutoInform, NothingShownRecordsNothing)
{
    // Not on the server.
    EXPECT_FALSE(Announce());
    // A file without body, and no address.
    ASSERT_TRUE(WriteFileData(inform_, "x|" + ScrambleToken("tok", 5) + "|a|b|", 0, false));
    EXPECT_FALSE(Announce());
    // A release that names no inform file.
    release_.nameOfInformFile.clear();
    ASSERT_TRUE(WriteFileData(inform_, "x|t|a|b|news", 0, false));
    EXPECT_FALSE(Announce());
    EXPECT_EQ(Installed(), 11);
}

} // namespace
