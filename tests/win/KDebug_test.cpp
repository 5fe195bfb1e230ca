#include "util/KDebug.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "util/FilesWin.h"

namespace {

std::string FileText(const std::string& path) { return ReadFileRange(path, 0, 0); }

// The trace file is shared by every run in this prefix: look only at what a test adds.
class TraceFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CreateDirectoryA("C:\\ProgramData", nullptr);
        before_ = FileText(kTraceFilePath).size();
        StartTraceChannel();
        SetDebugOutputModeForTest(1);
    }
    void TearDown() override
    {
        SetDebugOutputModeForTest(0);
        SetTraceOutputs({});
    }
    std::string Added() { return FileText(kTraceFilePath).substr(before_); }

private:
    std::size_t before_ = 0;
};

TEST_F(TraceFileTest, AppendsLinesWithLineBreaksRewritten)
{
    std::string line;
    for (int i = 0; i < 300; ++i)
        line += char('a' + i % 26);
    TraceWrite("x\ry\nz", 12, ' ', true);
    TraceLine();
    TraceLine(line);
    EXPECT_EQ(Added(), "x\r\ny\r\nz12 TRUE\r\n" + line + "\r\n");
}

TEST(UpdateLog, WritesOnlyWhenEnabled)
{
    const std::string path = UpdateLogFileName();
    ::DeleteFileA(path.c_str());
    ASSERT_EQ(path.substr(path.size() - 16), "\\X_win_tests.log");

    EnableUpdateLog(false);
    WriteUpdateLog("nothing");
    EXPECT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

    EnableUpdateLog(true);
    WriteUpdateLog("Hello");
    SetUpdateLogTag(" X ");
    WriteUpdateLog("");
    SetUpdateLogTag("   ");
    EnableUpdateLog(false);

    std::string text = FileText(path);
    ::DeleteFileA(path.c_str());
    std::string id = std::to_string(::GetCurrentThreadId());
    std::string pad(id.size() < 5 ? 5 - id.size() : 0, ' ');
    std::string stamp = R"(\d\d\D\d\d\D\d\d \d\d\D\d\d\D\d\d )";
    std::regex expected(stamp + pad + id + "   Hello\r\n" + stamp + pad + id + " X \r\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

} // namespace
