#include "agent/FetchWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AgentPayload.h"
#include "WindowDriver.h"
#include "agent/AgentTick.h"
#include "agent/OriginalFileWin.h"
#include "payload/GFileInfo.h"
#include "payload/Token.h"
#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

// The agent's folder is the test program's: what it fetches lands beside win_tests.exe
// under names of this process.
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
        Agent().host.own = own_.get();
        SetDescriptionFiles(folder_ + "\\p.original", folder_ + "\\p.info");
        name_ = "kfetch_" + pid + ".bin";
    }
    void TearDown() override
    {
        Agent().host = AgentHost{};
        Agent().testMode = false;
        own_.reset();
        ::DeleteFileA(Fetched().c_str());
        DeleteTree(folder_, true);
    }
    std::string Fetched() const { return ProgramFolder(true) + name_; }
    void Serve(const std::string& data) { ASSERT_TRUE(WriteFileData(server_ + "\\" + name_, data, 0, false)); }

    std::string folder_, server_, name_;
    std::unique_ptr<TGFileInfo> own_;
};

TEST_F(AgentFetch, InfoFromAFolderIsCopiedUnlessItIsAnErrorPage)
{
    std::string error;
    Serve("[NewSetup]\r\nVersionNew=2\r\n");
    EXPECT_TRUE(DownloadFileAU(server_, name_, FetchKind::Info, error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(ReadFileRange(Fetched(), 0, 0), "[NewSetup]\r\nVersionNew=2\r\n");

    Serve("<html><head><title>404 Not Found</title></head><body>gone</body></html>");
    EXPECT_FALSE(DownloadFileAU(server_, name_, FetchKind::Info, error));
    EXPECT_NE(error.find("404"), std::string::npos) << error;
}

TEST_F(AgentFetch, UpdateWithTheProductsTokenIsKept)
{
    WriteAgentPayload(server_, name_, "tok");
    std::string error;
    EXPECT_TRUE(DownloadFileAU(server_, name_, FetchKind::Update, error));
    EXPECT_TRUE(FileExists(Fetched()));
    EXPECT_TRUE(TokenCheck(Fetched(), FetchKind::Update));
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
             WriteFileData(path, "x|" + ScrambleToken("other", 3) + "|a|b|news", 0, false);
             return path;
         }},
        // A damaged token matches nothing.
        {FetchKind::Inform,
         [](const std::string& server, const std::string& name) {
             const std::string path = server + "\\" + name;
             WriteFileData(path, "x|zzzz|a|b|news", 0, false);
             return path;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        c.serve(server_, name_);
        std::string shown;
        std::string error;
        const auto outcome = DriveWindow("KMsgBox",
                                         {[&](HWND box) {
                                              shown = WindowText(::FindWindowExA(box, nullptr, "RICHEDIT", nullptr));
                                              return ::PostMessageA(box, WM_CLOSE, 0, 0) != 0;
                                          }},
                                         [&] { return DownloadFileAU(server_, name_, c.kind, error); });
        EXPECT_FALSE(outcome.result);
        EXPECT_TRUE(outcome.allStepsRan);
        EXPECT_NE(shown.find("Bad Secret Token!"), std::string::npos) << shown;
        EXPECT_FALSE(FileExists(Fetched()));
    }
}

TEST_F(AgentFetch, NamesThatAreNoBareFileNameFetchNothing)
{
    for (const char* name : {"", "..", "CON", "nul.txt", "a*b"}) {
        std::string error;
        EXPECT_FALSE(DownloadFileAU(server_, name, FetchKind::Update, error)) << name;
    }
}

TEST_F(AgentFetch, TestModeTakesFilesOnlyFromItsFolder)
{
    Agent().testMode = true;
    Agent().testUrl = server_;
    std::string error;
    // The release's own source is ignored; the test folder serves.
    Serve("[NewSetup]\r\nVersionNew=3\r\n");
    EXPECT_TRUE(DownloadFileAU("http://127.0.0.1:1/none", name_, FetchKind::Info, error));
    // Missing there: no download is tried, and nothing is reported.
    ::DeleteFileA((server_ + "\\" + name_).c_str());
    Agent().testUrl = "http://127.0.0.1:1/web";
    EXPECT_FALSE(DownloadFileAU(server_, name_, FetchKind::Info, error));
    EXPECT_EQ(error, "");
}

} // namespace
