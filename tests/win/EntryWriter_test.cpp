#include "payload/EntryWriter.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "payload/WorkFolder.h"
#include "util/FilesWin.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class EntryWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "entrywriter_" + std::to_string(GetCurrentProcessId());
        DeleteTree(dir_, true);
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    void TearDown() override { DeleteTree(dir_, true); }
    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

    std::string dir_;
};

TEST_F(EntryWriterTest, WritesInOrderAndTellsFailuresInOrder)
{
    // A folder where a file should go: the write fails as a full disk's would, with the
    // system's error and the sizes the error box shows.
    CreateDirectoryA(Path("blocked.txt").c_str(), nullptr);
    int pumps = 0;
    TEntryWriter writer([&pumps] { ++pumps; });
    uint64_t order = 0;
    const auto write = [&](const std::string& name, const std::string& folder, bool append,
                           const std::string& content) {
        std::string buffer = "header" + content;
        writer.Write(order++, Path(name), folder.empty() ? "" : Path(folder), 0, append, buffer, 6, content.size());
    };
    write("a.txt", "", false, "first");
    write("blocked.txt", "", false, "lost");
    write("sub\\deep\\b.txt", "sub\\deep", false, std::string(3 << 20, 'b'));
    write("missing\\c.txt", "", false, "no folder made for it");
    // Far more than the queue holds: the window thread waits, its messages running.
    std::string expected = "first";
    for (int i = 0; i < 2000; ++i) {
        write("a.txt", "", true, "+" + std::to_string(i));
        expected += "+" + std::to_string(i);
    }
    writer.Drain();
    EXPECT_EQ(ReadAll(Path("a.txt")), expected);
    EXPECT_EQ(ReadAll(Path("sub\\deep\\b.txt")), std::string(3 << 20, 'b'));
    EXPECT_GT(pumps, 0);

    const std::vector<TEntryWriter::Failure> failures = writer.TakeFailures();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].target, Path("blocked.txt"));
    EXPECT_EQ(failures[0].error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(failures[0].dataSize, 4);
    EXPECT_GT(failures[0].freeBytes, 0);
    EXPECT_EQ(failures[1].target, Path("missing\\c.txt"));
    EXPECT_EQ(failures[1].error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(failures[1].exists);
    EXPECT_TRUE(writer.TakeFailures().empty());
}

TEST_F(EntryWriterTest, FilesWrittenBesideTheWriterKeepTheirFailuresInEntryOrder)
{
    // Far more new files than the queue holds, small ones in a large buffer (copied out
    // of it): the window thread writes the newest queued files itself while the writer
    // works through the oldest, so later files may fail first.
    TEntryWriter writer(nullptr);
    std::vector<std::string> blocked, told;
    std::string buffer(1 << 20, '\0');
    for (int i = 0; i < 900; ++i) {
        const std::string folder = "sub" + std::to_string(i % 7);
        const std::string name = folder + "\\f" + std::to_string(i) + ".txt";
        if (i % 40 == 13) {
            ASSERT_TRUE(CreateFolderPath(Path(name))); // a folder where the file should go
            blocked.push_back(Path(name));
        }
        const std::string content = "file " + std::to_string(i);
        buffer.replace(0, content.size(), content);
        writer.Write(i, Path(name), Path(folder), 0, false, buffer, 0, content.size());
        ASSERT_GE(buffer.size(), content.size()); // a small file leaves the buffer where it was
        for (const TEntryWriter::Failure& f : writer.TakeFailures())
            told.push_back(f.target);
    }
    writer.Drain();
    for (const TEntryWriter::Failure& f : writer.TakeFailures())
        told.push_back(f.target);
    EXPECT_EQ(told, blocked);
    for (int i = 0; i < 900; ++i) {
        if (i % 40 != 13) {
            ASSERT_EQ(ReadAll(Path("sub" + std::to_string(i % 7) + "\\f" + std::to_string(i) + ".txt")),
                      "file " + std::to_string(i));
        }
    }
}

TEST_F(EntryWriterTest, FailuresOfEntriesWrittenAheadWaitForTheEntriesBeforeThem)
{
    // Folders where the files should go: both writes fail.
    CreateDirectoryA(Path("late.txt").c_str(), nullptr);
    CreateDirectoryA(Path("early.txt").c_str(), nullptr);
    TEntryWriter writer(nullptr);
    std::string late = "late", early = "early";
    writer.Write(50, Path("late.txt"), "", 0, false, late, 0, late.size()); // written ahead of entry 10
    writer.Write(10, Path("early.txt"), "", 0, false, early, 0, early.size());
    writer.Drain();
    std::vector<TEntryWriter::Failure> told = writer.TakeFailures(11);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].target, Path("early.txt"));
    // Entry 50 is told once the entries before it are done.
    EXPECT_TRUE(writer.TakeFailures(50).empty());
    told = writer.TakeFailures(51);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].target, Path("late.txt"));
}

TEST_F(EntryWriterTest, TakesTheBufferAndGivesBackOneItIsDoneWith)
{
    // Large contents travel in their buffers; small ones are copied (the buffer stays).
    constexpr size_t kLarge = 1 << 19;
    TEntryWriter writer(nullptr);
    std::string small(10, 's');
    const char* kept = small.data();
    writer.Write(0, Path("s.bin"), "", 0, false, small, 0, small.size());
    EXPECT_EQ(small.data(), kept);
    std::string buffer(kLarge, 'x');
    const char* given = buffer.data();
    writer.Write(1, Path("x.bin"), "", 0, false, buffer, 0, kLarge);
    writer.Drain();
    std::string next(kLarge, 'y');
    writer.Write(2, Path("y.bin"), "", 0, false, next, 0, kLarge);
    // The first buffer came back for the next entry, its memory untouched.
    EXPECT_EQ(next.data(), given);
    EXPECT_EQ(next, std::string(kLarge, 'x'));
    writer.Drain();
    EXPECT_EQ(ReadAll(Path("s.bin")), std::string(10, 's'));
    EXPECT_EQ(ReadAll(Path("y.bin")), std::string(kLarge, 'y'));
}

TEST_F(EntryWriterTest, LargePartsBesideFilesWrittenAheadKeepTheOrderOfTheirFile)
{
    // The writer is kept busy with files written ahead (orders from 1000 on) while the
    // large parts of earlier entries come: each joins its file in entry order, whether
    // written at once by the caller or queued behind an earlier part of the same file.
    for (const char* blocked : {"blocked.bin", "ahead7", "ahead157"})
        CreateDirectoryA(Path(blocked).c_str(), nullptr);
    TEntryWriter writer(nullptr);
    std::vector<std::string> told;
    const auto take = [&](uint64_t before) {
        for (const TEntryWriter::Failure& f : writer.TakeFailures(before))
            told.push_back(f.target);
    };
    const auto ahead = [&](int from, int count) {
        for (int i = from; i < from + count; ++i) {
            std::string content = "ahead " + std::to_string(i);
            writer.Write(1000 + i, Path("ahead" + std::to_string(i)), "", 0, false, content, 0, content.size(), true);
        }
    };
    constexpr size_t kLarge = 600 << 10;
    const auto large = [&](uint64_t order, const std::string& name, bool append, char fill) {
        std::string buffer(kLarge, fill);
        writer.Write(order, Path(name), "", 0, append, buffer, 0, kLarge);
        take(order + 1);
        return buffer;
    };
    ahead(0, 150);
    // Nothing before it is pending: the caller writes it, and its buffer stays its own.
    const std::string first = large(10, "big.bin", false, 'a');
    EXPECT_EQ(first, std::string(kLarge, 'a'));
    large(11, "big.bin", true, 'b');
    // A small part of the same file queued behind the files written ahead: the next
    // large part must not overtake it.
    std::string small = "small";
    writer.Write(12, Path("big.bin"), "", 0, true, small, 0, small.size());
    large(13, "big.bin", true, 'c');
    // Once the writer has appended both, the next files handed out ahead keep it busy
    // again and the caller writes the next part: at the file's end, not where its own
    // handle last wrote.
    const int64_t written = 3 * static_cast<int64_t>(kLarge) + 5;
    for (int waited = 0; FindFileSize(Path("big.bin")) != written && waited < 10000; waited += 10)
        Sleep(10);
    ASSERT_EQ(FindFileSize(Path("big.bin")), written);
    ahead(150, 150);
    large(14, "big.bin", true, 'd');
    large(15, "blocked.bin", false, 'e'); // a folder in the way: fails
    writer.Drain();
    take(UINT64_MAX);

    // Compared whole, not printed: megabytes.
    EXPECT_TRUE(ReadAll(Path("big.bin")) == std::string(kLarge, 'a') + std::string(kLarge, 'b') + "small" +
                                                std::string(kLarge, 'c') + std::string(kLarge, 'd'))
        << "big.bin's parts are not in entry order";
    for (int i = 0; i < 300; ++i) {
        if (i != 7 && i != 157) {
            ASSERT_EQ(ReadAll(Path("ahead" + std::to_string(i))), "ahead " + std::to_string(i));
        }
    }
    // In entry order: the large part's failure before those of the files written ahead.
    EXPECT_EQ(told, (std::vector<std::string>{Path("blocked.bin"), Path("ahead7"), Path("ahead157")}));
}

TEST_F(EntryWriterTest, WhatIsQueuedIsWrittenBeforeTheWriterEnds)
{
    {
        TEntryWriter writer(nullptr);
        for (int i = 0; i < 50; ++i) {
            std::string buffer = "file " + std::to_string(i);
            writer.Write(i, Path("f" + std::to_string(i)), "", 0, false, buffer, 0, buffer.size());
        }
    }
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(ReadAll(Path("f" + std::to_string(i))), "file " + std::to_string(i));
}

} // namespace
