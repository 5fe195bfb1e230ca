#include "launcher/StubSetup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "FakeLauncher.h"
#include "PayloadWriter.h"
#include "util/FilesWin.h"
#include "payload/GFileInfo.h"
#include "util/UtilsWin.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct WebSetup : ::testing::Test {
    void SetUp() override
    {
        folder = TempFolder(true) + "kwebagent_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\work").c_str(), nullptr);
    }
    void TearDown() override { DeleteTree(folder, true); }

    // A web setup with its payload end stored in the header, as a signed one has.
    std::string Build(const std::string& tail)
    {
        const std::string image = folder + "\\image.exe";
        std::ofstream(image, std::ios::binary) << FakeLauncher();
        BuildPlan plan;
        plan.launcher = image;
        plan.output = folder + "\\websetup.exe";
        plan.storedEnd = true;
        plan.webDownload = 1;
        plan.writeUpdateAgent = 1;
        plan.hasUpdate = true;
        plan.agentFile = "agent.exe";
        plan.hasDownload = true;
        plan.downloadUrl = "http://127.0.0.1:1/";
        plan.downloadFileName = "setup.exe";
        plan.languages = {{"English", {{"s0", "Web Setup"}}}};
        const std::string setup = WritePayload(plan).front();
        std::ofstream(setup, std::ios::binary | std::ios::app) << tail;
        return setup;
    }

    std::string folder;
};

TEST_F(WebSetup, AgentCopyIsTheLauncherUpToItsPayloadEndMarkedAsAgent)
{
    const std::string signature(3000, 'S');
    const std::string setup = Build(signature);
    const std::string whole = ReadAll(setup);

    ASSERT_TRUE(WriteWebAgentCopy(setup, folder + "\\work", "agent.exe"));
    const std::string copy = ReadAll(folder + "\\work\\agent.exe");
    ASSERT_EQ(copy.size(), whole.size() - signature.size());
    // Only the trailer's agent byte differs from the unsigned launcher.
    std::string expected = whole.substr(0, copy.size());
    expected[expected.size() - 5] = 1;
    EXPECT_EQ(copy, expected);
    EXPECT_TRUE(TGFileInfo(folder + "\\work\\agent.exe").IsUpdateAgent());
    EXPECT_FALSE(TGFileInfo(setup).IsUpdateAgent());
}

TEST_F(WebSetup, LongTailIsKeptAndHostileNamesAreRefused)
{
    // Ten thousand bytes or more after the stored end: not a signature, nothing is cut.
    const std::string setup = Build(std::string(10000, 'S'));
    ASSERT_TRUE(WriteWebAgentCopy(setup, folder + "\\work", "agent.exe"));
    EXPECT_EQ(ReadAll(folder + "\\work\\agent.exe").size(), ReadAll(setup).size());

    for (const char* name : {"..\\outside.exe", "C:\\outside.exe", "sub\\..\\..\\outside.exe"}) {
        EXPECT_FALSE(WriteWebAgentCopy(setup, folder + "\\work", name)) << name;
        EXPECT_EQ(GetFileAttributesA((folder + "\\outside.exe").c_str()), INVALID_FILE_ATTRIBUTES) << name;
    }
}

} // namespace
