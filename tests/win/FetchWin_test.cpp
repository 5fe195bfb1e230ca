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
#include "payload/WorkFolder.h"
#include "trust/Sha256.h"
#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

// The agent's folder is one of the test's own; its server is a folder beside it, which is
// also the product's own update address (the payload's), so that the release's addresses
// within it are taken.
class AgentFetch : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string pid = std::to_string(::GetCurrentProcessId());
        folder_ = TempFolder(true) + "kfetch_" + pid;
        server_ = folder_ + "\\server";
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        ::CreateDirectoryA(server_.c_str(), nullptr);
        own_ = std::make_unique<TGFileInfo>(WriteAgentPayload(folder_, "agent.exe", "tok", server_));
        session_ = std::make_unique<AgentSession>(MakeTestSession(folder_, own_.get()));
        ASSERT_TRUE(CreateFolderPath(session_->files.fetchFolder));
        name_ = "kfetch_" + pid + ".bin";
    }
    void TearDown() override
    {
        session_.reset();
        own_.reset();
        DeleteTree(folder_, true);
    }
    void Serve(const std::string& data) { ASSERT_TRUE(WriteFileData(server_ + "\\" + name_, data, 0, false)); }
    std::string Served() const { return ReadFileRange(server_ + "\\" + name_, 0, 0); }
    FetchOutcome Fetch(const std::string& base, const std::string& name, FetchKind kind,
                       const std::optional<SignedFile>& expected = std::nullopt)
    {
        held_ = kind == FetchKind::Update ? HeldDownload(session_->files.fetchFolder + name) : HeldDownload();
        return DownloadFileAU(*session_, base, name, kind, false, expected, &held_);
    }
    // A fetch that must show one error box: what the box said, and the fetch's outcome.
    std::pair<std::string, bool> FetchRefused(const std::string& name, FetchKind kind,
                                              const std::optional<SignedFile>& expected)
    {
        std::string shown;
        const auto outcome = DriveWindow("KMsgBox", {[&](HWND box) {
                                             shown = WindowText(::FindWindowExA(box, nullptr, "RICHEDIT", nullptr));
                                             return ::PostMessageA(box, WM_CLOSE, 0, 0) != 0;
                                         }},
                                         [&] { return Fetch(server_, name, kind, expected).fetched; });
        EXPECT_TRUE(outcome.allStepsRan);
        return {shown, outcome.result};
    }
    // The files in the fetch folder.
    int FetchFolderFiles() const
    {
        int count = 0;
        WIN32_FIND_DATAA found;
        ScopedFind find(::FindFirstFileA((session_->files.fetchFolder + "*").c_str(), &found));
        if (find)
            do
                count += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
            while (::FindNextFileA(find.get(), &found));
        return count;
    }

    std::string folder_, server_, name_;
    std::unique_ptr<TGFileInfo> own_;
    std::unique_ptr<AgentSession> session_;
    HeldDownload held_;
};

SignedFile Signed(const std::string& name, const std::string& bytes)
{
    return {name, static_cast<std::int64_t>(bytes.size()), *Sha256Of(bytes)};
}

TEST_F(AgentFetch, InfoComesIntoMemoryUnlessItIsAnErrorPageOrTooLarge)
{
    Serve("[NewSetup]\r\nVersionNew=2\r\n");
    FetchOutcome info = Fetch(server_, name_, FetchKind::Info);
    EXPECT_TRUE(info.fetched);
    EXPECT_EQ(info.error, "");
    EXPECT_EQ(info.bytes, "[NewSetup]\r\nVersionNew=2\r\n");
    // Nothing is written by the fetch: the check keeps what it verified.
    EXPECT_FALSE(FileExists(session_->files.info));

    Serve("<html><head><title>404 Not Found</title></head><body>gone</body></html>");
    info = Fetch(server_, name_, FetchKind::Info);
    EXPECT_FALSE(info.fetched);
    EXPECT_NE(info.error.find("404"), std::string::npos) << info.error;

    Serve(std::string(kLargestInfo + 1, ';'));
    info = Fetch(server_, name_, FetchKind::Info);
    EXPECT_FALSE(info.fetched);
    EXPECT_EQ(info.bytes, "");
    EXPECT_NE(info.error.find("more than the 262144"), std::string::npos) << info.error;
}

// The setup lies in a file of its own that nobody but the agent can change or remove
// until it is dropped; a reader (the setup run) still opens it.
TEST_F(AgentFetch, UpdateComesIntoAHeldFileOfItsOwnThatGoesWhenDropped)
{
    WriteAgentPayload(server_, name_, "tok");
    ASSERT_TRUE(Fetch(server_, name_, FetchKind::Update, Signed(name_, Served())).fetched);
    const std::string path = held_.Path();
    // The name's own: a number before its extension, which stays last.
    const std::string stem = name_.substr(0, name_.rfind('.'));
    EXPECT_EQ(path.rfind(session_->files.fetchFolder + stem + ".", 0), 0u) << path;
    EXPECT_TRUE(EndsWith(".bin", path, false)) << path;
    EXPECT_NE(path, session_->files.fetchFolder + name_);
    EXPECT_EQ(ReadFileRange(path, 0, 0), Served());
    EXPECT_TRUE(UpdateTokenCheck(*session_, path));
    EXPECT_FALSE(ScopedFile(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr)));
    EXPECT_FALSE(::DeleteFileA(path.c_str()));
    EXPECT_FALSE(::MoveFileA(path.c_str(), (path + ".moved").c_str()));
    EXPECT_TRUE(TGFileInfo(path).HasPayload());
    // A start of the file (its setup run elevated) opens it sharing no writing: only once
    // it is held for reading alone, which still keeps writers and removers out.
    const auto startOpen = [&path] {
        return ScopedFile(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_EXECUTE,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    };
    EXPECT_FALSE(startOpen());
    ASSERT_TRUE(held_.HoldForRun());
    EXPECT_TRUE(startOpen());
    EXPECT_FALSE(ScopedFile(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr)));
    EXPECT_FALSE(::DeleteFileA(path.c_str()));
    EXPECT_FALSE(::MoveFileA(path.c_str(), (path + ".moved").c_str()));
    EXPECT_EQ(ReadFileRange(path, 0, 0), Served());
    held_ = HeldDownload();
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(FetchFolderFiles(), 0);
}

TEST_F(AgentFetch, FileOfAnotherProductOrNotAsSignedIsDroppedAndTheUserTold)
{
    const std::string inform = "x|" + ScrambleToken("tok", 3) + "|a|b|news";
    const struct {
        const char* what;
        FetchKind kind;
        std::string served;
        bool signedAsServed; // the release signed what is served (else other bytes)
        const char* told;
    } cases[] = {
        {"update of another product", FetchKind::Update, "", true, "Bad Secret Token!"},
        {"inform of another product", FetchKind::Inform, "x|" + ScrambleToken("other", 3) + "|a|b|news", true,
         "Bad Secret Token!"},
        // A damaged token matches nothing.
        {"inform with a damaged token", FetchKind::Inform, "x|zzzz|a|b|news", true, "Bad Secret Token!"},
        // The product's own token, but not the bytes the publisher signed.
        {"inform swapped", FetchKind::Inform, inform + " (changed)", false, "not the file the release signed"},
        {"inform of another size", FetchKind::Inform, inform + "!", false, "not the file the release signed ("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.kind == FetchKind::Update)
            WriteAgentPayload(server_, name_, "other");
        else
            Serve(c.served);
        const auto [shown, fetched] = FetchRefused(name_, c.kind, Signed(name_, c.signedAsServed ? Served() : inform));
        EXPECT_FALSE(fetched);
        EXPECT_NE(shown.find(c.told), std::string::npos) << shown;
        EXPECT_EQ(FetchFolderFiles(), 0);
        EXPECT_EQ(held_.Path(), "");
    }
    // What the release signed, with the product's token, arrives.
    Serve(inform);
    const FetchOutcome arrived = Fetch(server_, name_, FetchKind::Inform, Signed(name_, inform));
    EXPECT_TRUE(arrived.fetched);
    EXPECT_EQ(arrived.bytes, inform);
}

TEST_F(AgentFetch, AnUpdateThatIsNotAsSignedIsDropped)
{
    WriteAgentPayload(server_, name_, "tok");
    SignedFile other = Signed(name_, Served());
    other.sha256[0] ^= 1;
    const auto [shown, fetched] = FetchRefused(name_, FetchKind::Update, other);
    EXPECT_FALSE(fetched);
    EXPECT_NE(shown.find("its SHA-256 differs"), std::string::npos) << shown;
    EXPECT_EQ(held_.Path(), "");
    EXPECT_EQ(FetchFolderFiles(), 0);
}

TEST_F(AgentFetch, NamesThatAreNoBareFileNameOrTheAgentsOwnFetchNothing)
{
    for (const char* name : {"", "..", "CON", "nul.txt", "a*b"}) {
        EXPECT_FALSE(Fetch(server_, name, FetchKind::Update).fetched) << name;
        EXPECT_FALSE(Fetch(server_, name, FetchKind::Inform).fetched) << name;
    }
    // Served, and with the product's token, but named like the agent's own files.
    const std::string inform = "x|" + ScrambleToken("tok", 3) + "|a|b|news";
    for (const char* name :
         {"p.original", "P.INFO", "p.info.sig", "agent.exe", "X_agent.exe", "x_agent.log", "p.info. ", "agent.exe."}) {
        ASSERT_TRUE(WriteFileData(server_ + "\\" + name, inform, 0, false)) << name;
        const FetchOutcome refused = Fetch(server_, name, FetchKind::Inform);
        EXPECT_FALSE(refused.fetched) << name;
        EXPECT_EQ(refused.bytes, "") << name;
    }
    EXPECT_EQ(FetchFolderFiles(), 0);
}

// A server's address is taken only as a web address or a folder within the product's own
// folder source: nothing else is even looked at.
TEST_F(AgentFetch, ServerAddressesOtherThanWebOrWithinTheProductsFolderAreRefused)
{
    const std::string inner = server_ + "\\sub";
    ASSERT_TRUE(CreateFolderPath(inner));
    const std::string inform = "x|" + ScrambleToken("tok", 3) + "|a|b|news";
    ASSERT_TRUE(WriteFileData(inner + "\\" + name_, inform, 0, false));
    EXPECT_TRUE(Fetch(inner, name_, FetchKind::Inform).fetched);
    EXPECT_TRUE(Fetch(server_ + "/sub", name_, FetchKind::Inform).fetched);
    // Refused: outside the product's folder, up and out of it, another share, a file: URL.
    const std::string outside = folder_ + "\\outside";
    ASSERT_TRUE(CreateFolderPath(outside));
    ASSERT_TRUE(WriteFileData(outside + "\\" + name_, inform, 0, false));
    for (const std::string& base : {outside, server_ + "\\..\\outside", std::string("\\\\127.0.0.1\\c$\\x"),
                                    "file:///" + ReplaceChar(outside, '\\', '/'), std::string("ftp://h/x")}) {
        const FetchOutcome refused = Fetch(base, name_, FetchKind::Inform);
        EXPECT_FALSE(refused.fetched) << base;
        EXPECT_NE(refused.error.find("refused"), std::string::npos) << base << " " << refused.error;
    }
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
