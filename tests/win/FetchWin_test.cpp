#include "agent/FetchWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AgentPayload.h"
#include "TestSession.h"
#include "WindowDriver.h"
#include "payload/GFileInfo.h"
#include "payload/Token.h"
#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

// The agent's folder is one of the test's own; its server is a folder beside it.
class AgentFetch : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string pid = std::to_string(::GetCurrentProcessId());
        folder_ = TempFolder(true) + "kfetch_" + pid;
        server_ = folder_ + "\\server";
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        ::CreateDirectoryA(server_.c_str(), nullptr);
        own_ = std::make_unique<TGFileInfo>(WriteAgentPayload(folder_, "agent.exe", "tok"));
        session_ = std::make_unique<AgentSession>(MakeTestSession(folder_, own_.get()));
        name_ = "kfetch_" + pid + ".bin";
    }
    void TearDown() override
    {
        session_.reset();
        own_.reset();
        DeleteTree(folder_, true);
    }
    std::string Fetched() const { return folder_ + "\\" + name_; }
    void Serve(const std::string& data) { ASSERT_TRUE(WriteFileData(server_ + "\\" + name_, data, 0, false)); }
    FetchOutcome Fetch(const std::string& base, const std::string& name, FetchKind kind)
    {
        return DownloadFileAU(*session_, base, name, kind, false);
    }

    std::string folder_, server_, name_;
    std::unique_ptr<TGFileInfo> own_;
    std::unique_ptr<AgentSession> session_;
};

TEST_F(AgentFetch, InfoFromAFolderIsKeptUnlessItIsAnErrorPage)
{
    Serve("[NewSetup]\r\nVersionNew=2\r\n");
    FetchOutcome info = Fetch(server_, name_, FetchKind::Info);
    EXPECT_TRUE(info.fetched);
    EXPECT_EQ(info.error, "");
    EXPECT_EQ(info.info, "[NewSetup]\r\nVersionNew=2\r\n");
    EXPECT_EQ(ReadFileRange(Fetched(), 0, 0), info.info);

    Serve("<html><head><title>404 Not Found</title></head><body>gone</body></html>");
    info = Fetch(server_, name_, FetchKind::Info);
    EXPECT_FALSE(info.fetched);
    EXPECT_NE(info.error.find("404"), std::string::npos) << info.error;
}

// The update's engine is given the kept ".info" file: a description that cannot be kept
// has not arrived, and no older one stands in for it.
TEST_F(AgentFetch, InfoThatCannotBeKeptHasNotArrived)
{
    Serve("[NewSetup]\r\nVersionNew=3\r\n");
    ScopedFile locked(::CreateFileA(Fetched().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locked);
    const FetchOutcome info = Fetch(server_, name_, FetchKind::Info);
    EXPECT_FALSE(info.fetched);
    EXPECT_NE(info.error.find(Fetched()), std::string::npos) << info.error;
}

TEST_F(AgentFetch, UpdateWithTheProductsTokenIsKept)
{
    WriteAgentPayload(server_, name_, "tok");
    EXPECT_TRUE(Fetch(server_, name_, FetchKind::Update).fetched);
    EXPECT_TRUE(FileExists(Fetched()));
    EXPECT_TRUE(TokenCheck(*session_, Fetched(), FetchKind::Update));
}

TEST_F(AgentFetch, FileOfAnotherProductIsDeletedAndTheUserTold)
{
    const struct {
        FetchKind kind;
        std::string (*serve)(const std::string& server, const std::string& name);
    } cases[] = {
        {FetchKind::Update,
         [](const std::string& server, const std::string& name) { return WriteAgentPayload(server, name, "other"); }},
        {FetchKind::Inform,
         [](const std::string& server, const std::string& name) {
             const std::string path = server + "\\" + name;
             EXPECT_TRUE(WriteFileData(path, "x|" + ScrambleToken("other", 3) + "|a|b|news", 0, false));
             return path;
         }},
        // A damaged token matches nothing.
        {FetchKind::Inform,
         [](const std::string& server, const std::string& name) {
             const std::string path = server + "\\" + name;
             EXPECT_TRUE(WriteFileData(path, "x|zzzz|a|b|news", 0, false));
             return path;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        c.serve(server_, name_);
        std::string shown;
        const auto outcome = DriveWindow("KMsgBox", {[&](HWND box) {
                                             shown = WindowText(::FindWindowExA(box, nullptr, "RICHEDIT", nullptr));
                                             return ::PostMessageA(box, WM_CLOSE, 0, 0) != 0;
                                         }},
                                         [&] { return Fetch(server_, name_, c.kind).fetched; });
        EXPECT_FALSE(outcome.result);
        EXPECT_TRUE(outcome.allStepsRan);
        EXPECT_NE(shown.find("Bad Secret Token!"), std::string::npos) << shown;
        EXPECT_FALSE(FileExists(Fetched()));
    }
}

TEST_F(AgentFetch, NamesThatAreNoBareFileNameFetchNothing)
{
    for (const char* name : {"", "..", "CON", "nul.txt", "a*b"})
        EXPECT_FALSE(Fetch(server_, name, FetchKind::Update).fetched) << name;
}

TEST_F(AgentFetch, TestModeTakesFilesOnlyFromItsFolder)
{
    session_->test.on = true;
    session_->test.url = server_;
    // The release's own source is ignored; the test folder serves.
    Serve("[NewSetup]\r\nVersionNew=3\r\n");
    EXPECT_TRUE(Fetch("http://127.0.0.1:1/none", name_, FetchKind::Info).fetched);
    // Missing there: no download is tried, and nothing is reported.
    ::DeleteFileA((server_ + "\\" + name_).c_str());
    session_->test.url = "http://127.0.0.1:1/web";
    const FetchOutcome missing = Fetch(server_, name_, FetchKind::Info);
    EXPECT_FALSE(missing.fetched);
    EXPECT_EQ(missing.error, "");
}

} // namespace
