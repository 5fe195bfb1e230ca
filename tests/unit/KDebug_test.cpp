#include "util/KDebug.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what reaches each output, and restores the product's mode afterwards.
class TraceChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetTraceOutputs({[this](const std::string& t) { file.push_back(t); },
                         [this](const std::string& c) { viewer.push_back(c); }});
    }
    void TearDown() override
    {
        SetTraceOutputs({});
        SetDebugOutputModeForTest(0);
    }
    std::vector<std::string> file, viewer;
};

TEST_F(TraceChannelTest, LongLineArrivesAsChunksInOrder)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += char('A' + i % 26);
    TraceLine(text);
    ASSERT_EQ(viewer.size(), 3u);
    EXPECT_EQ(viewer[0], text.substr(0, 128));
    EXPECT_EQ(viewer[1], text.substr(128, 128));
    EXPECT_EQ(viewer[2], text.substr(256) + "\r\n");
    EXPECT_TRUE(file.empty());
}

TEST_F(TraceChannelTest, WritesBufferUntilLineEndAndFormatValues)
{
    TraceWrite("n=", 42, " ok=", true, ' ', false, " u=", 7u, " neg=", -3LL);
    EXPECT_TRUE(viewer.empty());
    TraceLine();
    ASSERT_EQ(viewer.size(), 1u);
    EXPECT_EQ(viewer[0], "n=42 ok=TRUE FALSE u=7 neg=-3\r\n");
    TraceFlush(); // nothing buffered: nothing emitted
    EXPECT_EQ(viewer.size(), 1u);
}

TEST_F(TraceChannelTest, ModeDecidesOutputs)
{
    struct Row {
        std::uint8_t mode;
        bool toFile, toViewer;
    };
    for (Row r :
         {Row{0, false, true}, Row{1, true, false}, Row{2, true, true}, Row{3, false, false}, Row{255, false, false}}) {
        file.clear();
        viewer.clear();
        SetDebugOutputModeForTest(r.mode);
        TraceLine("a\rb\nc");
        EXPECT_EQ(file.size(), r.toFile ? 1u : 0u) << int(r.mode);
        EXPECT_EQ(viewer.size(), r.toViewer ? 1u : 0u) << int(r.mode);
        if (r.toFile) {
            EXPECT_EQ(file[0], "a\r\nb\r\nc\r\n");
        }
        if (r.toViewer) {
            EXPECT_EQ(viewer[0], "a\rb\nc\r\n"); // the viewer gets the chunk as buffered
        }
    }
}

TEST_F(TraceChannelTest, TraceFromInsideDispatchIsKeptOnce)
{
    bool nested = false;
    SetTraceOutputs({nullptr, [&](const std::string& c) {
                         viewer.push_back(c);
                         if (!nested) {
                             nested = true;
                             TraceLine("inner");
                         }
                     }});
    TraceLine("outer");
    EXPECT_EQ(viewer, (std::vector<std::string>{"outer\r\n", "inner\r\n"}));
}

TEST(KDebug, RewriteLineBreaks)
{
    struct Row {
        std::string in, out;
    };
    for (const Row& r : {Row{"", ""}, Row{"abc", "abc"}, Row{"a\rb\nc\r\n", "a\r\nb\r\nc\r\n"}, Row{"\n\r", "\r\n\r\n"},
                         Row{"\r\r\n\n", "\r\n\r\n\r\n"}}) {
        EXPECT_EQ(RewriteLineBreaks(r.in), r.out) << r.in;
    }
}

TEST(KDebug, FaultLine)
{
    EXPECT_EQ(FaultLine("bad", "YieldX", ""), " --- YieldX() --- bad");
    EXPECT_EQ(FaultLine("bad", "YieldX", "x"), " --- YieldX() --- x --- bad");
}

TEST(KDebug, UpdateLogLine)
{
    DateTime t;
    t.year = 2024, t.month = 3, t.day = 5, t.hour = 14, t.minute = 7, t.second = 9;
    struct Row {
        unsigned long thread;
        std::string tag, message;
        std::string ds, ts;
        std::string line;
    };
    for (const Row& r : {Row{412, "   ", "Hello", "/", ":", "05/03/24 14:07:09   412   Hello\r\n"},
                         Row{123456, " X ", "", ".", ".", "05.03.24 14.07.09 123456 X \r\n"},
                         Row{7, "   ", "m", "-", ":", "05-03-24 14:07:09     7   m\r\n"}}) {
        EXPECT_EQ(UpdateLogLine(t, r.ds, r.ts, r.thread, r.tag, r.message), r.line);
    }
}

TEST(KDebug, UpdateLogPath)
{
    struct Row {
        std::string program, log;
    };
    for (const Row& r :
         {Row{"D:\\Apps\\setup.exe", "D:\\Apps\\X_setup.log"}, Row{"D:\\Apps\\X_setup.exe", "D:\\Apps\\X_setup.log"},
          Row{"C:\\x_app.exe", "C:\\X_x_app.log"}, Row{"C:\\a.b\\noext", "C:\\a.b\\X_noext.log"},
          Row{"C:\\my app.v2.exe", "C:\\X_my app.v2.log"}}) {
        EXPECT_EQ(UpdateLogPathFor(r.program), r.log);
    }
}

} // namespace
