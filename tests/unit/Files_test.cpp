#include "util/Files.h"

#include <gtest/gtest.h>

namespace {

TEST(Files, ChunkSize)
{
    struct Row {
        int64_t largest, divisor, total, chunk;
    };
    for (Row r : {Row{1048576, 10, 5000, 1024}, Row{1048576, 10, 500, 500}, Row{1048576, 10, 0, 0},
                  Row{1048576, 10, 10250, 1025}, Row{1048576, 10, 5242880, 524288},
                  Row{1048576, 10, 104857600, 1048576}, Row{1048576, 10, int64_t(1) << 40, 1048576}}) {
        EXPECT_EQ(ChunkSize(r.largest, r.divisor, r.total), r.chunk) << r.total;
    }
}

TEST(Files, DriveRoot)
{
    struct Row {
        std::string path;
        bool rootOnly;
        std::string root;
    };
    for (const Row& r : {Row{"", false, ""}, Row{"", true, ""}, Row{"c", false, "C:\\"}, Row{"d:", false, "D:\\"},
                         Row{"C:\\", false, "C:\\"}, Row{"C:\\a\\b\\c", false, "C:\\a"},
                         Row{"C:\\a\\b\\c", true, "C:\\"}, Row{"c:/Program Files/x", false, "c:\\Program Files"},
                         Row{"C:\\only", false, "C:\\only"}, Row{"C:\\\\x", false, "C:\\"}}) {
        EXPECT_EQ(DriveRoot(r.path, r.rootOnly), r.root) << r.path << " " << r.rootOnly;
    }
}

TEST(Files, TheTreeDeleteNeverFollowsALink)
{
    struct Row {
        uint32_t attributes;
        DeleteStep step;
    };
    // FILE_ATTRIBUTE_READONLY 0x1, _HIDDEN 0x2, _DIRECTORY 0x10, _ARCHIVE 0x20, _NORMAL 0x80,
    // _REPARSE_POINT 0x400: a junction or a folder link is a folder and a reparse point.
    for (const Row& r : {Row{0x80, DeleteStep::File}, Row{0x23, DeleteStep::File}, Row{0x10, DeleteStep::Folder},
                         Row{0x12, DeleteStep::Folder}, Row{0x410, DeleteStep::Link}, Row{0x400, DeleteStep::Link},
                         Row{0x420, DeleteStep::Link}, Row{0xFFFFFFFF, DeleteStep::Link}}) {
        EXPECT_EQ(DeleteStepFor(r.attributes), r.step) << std::hex << r.attributes;
    }
}

TEST(Files, SelfDeleteBatchTriesABoundedNumberOfTimesAndQuotesEveryPath)
{
    SelfDeleteBatch batch{"C:\\My Apps 100%\\setup.exe",
                          "C:\\My Apps 100%",
                          "C:\\Temp Dir\\_DEL_ME_0123.BAT",
                          "C:\\Windows\\system32\\PING.EXE",
                          false,
                          60};
    const std::string loop = "SET /A TRIES=0\r\n"
                             ":START\r\n"
                             "DEL \"C:\\My Apps 100%%\\setup.exe\"\r\n"
                             "IF NOT exist \"C:\\My Apps 100%%\\setup.exe\" GOTO GONE\r\n"
                             "SET /A TRIES+=1\r\n"
                             "IF %TRIES% GEQ 60 GOTO GONE\r\n"
                             "\"C:\\Windows\\system32\\PING.EXE\" -n 2 127.0.0.1 >NUL\r\n"
                             "GOTO START\r\n"
                             ":GONE\r\n";
    EXPECT_EQ(SelfDeleteBatchText(batch), loop + "DEL \"C:\\Temp Dir\\_DEL_ME_0123.BAT\"\r\n");
    batch.removeFolder = true;
    EXPECT_EQ(SelfDeleteBatchText(batch),
              loop + "RD \"C:\\My Apps 100%%\"\r\nDEL \"C:\\Temp Dir\\_DEL_ME_0123.BAT\"\r\n");
}

} // namespace
