#include "launcher/StubSetup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
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

    // A web setup with its payload end stored in the header, followed by a signature of
    // signatureLength bytes that its PE header names, and then by tail.
    std::string Build(size_t signatureLength, const std::string& tail = "")
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
        std::string file = ReadAll(setup);
        if (signatureLength != 0)
            AppendSignature(file, signatureLength);
        std::ofstream(setup, std::ios::binary) << file << tail;
        return setup;
    }

    std::string folder;
};

TEST_F(WebSetup, AgentCopyIsTheLauncherUpToItsPayloadEndMarkedAsAgent)
{
    // Short and long signatures alike: a signing tool's chain of certificates may take
    // ten thousand bytes and more.
    for (size_t signature : {size_t{3000}, size_t{10000}, size_t{30000}}) {
        const std::string setup = Build(signature);
        const std::string whole = ReadAll(setup);

        ASSERT_TRUE(WriteWebAgentCopy(setup, folder + "\\work", "agent.exe"));
        const std::string copy = ReadAll(folder + "\\work\\agent.exe");
        ASSERT_EQ(copy.size(), whole.size() - signature) << signature;
        // The unsigned launcher: its security directory names nothing, the trailer's agent
        // byte is set.
        std::string expected = whole.substr(0, copy.size());
        std::memset(&expected[256 + 24 + 92 + 4 + 4 * 8], 0, 8);
        expected[expected.size() - 5] = 1;
        EXPECT_EQ(copy, expected) << signature;
        EXPECT_TRUE(TGFileInfo(folder + "\\work\\agent.exe").IsUpdateAgent());
        EXPECT_FALSE(TGFileInfo(setup).IsUpdateAgent());
    }
}

TEST_F(WebSetup, BytesThatNoSignatureNamesAndHostileNamesAreRefused)
{
    // Nothing names the bytes after the stored end, or they run on after the signature:
    // marking the copy's end would change them, not the trailer.
    const std::pair<size_t, std::string> unnamed[] = {{0, std::string(3000, 'S')}, {3000, "more"}};
    for (const auto& [signature, tail] : unnamed) {
        const std::string setup = Build(signature, tail);
        EXPECT_FALSE(WriteWebAgentCopy(setup, folder + "\\work", "stray.exe"));
        EXPECT_EQ(GetFileAttributesA((folder + "\\work\\stray.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    const std::string setup = Build(3000);

    for (const char* name : {"..\\outside.exe", "C:\\outside.exe", "sub\\..\\..\\outside.exe"}) {
        EXPECT_FALSE(WriteWebAgentCopy(setup, folder + "\\work", name)) << name;
        EXPECT_EQ(GetFileAttributesA((folder + "\\outside.exe").c_str()), INVALID_FILE_ATTRIBUTES) << name;
    }
}

} // namespace
