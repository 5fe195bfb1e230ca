// SHA-256 through CNG, and a file held between its check and its use.
#include "trust/Sha256.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "trust/HeldFileWin.h"
#include "util/FilesWin.h"
#include "util/UtilsWin.h"

namespace {

TEST(Sha256Cng, KnownDigestsWholeAndInPieces)
{
    EXPECT_EQ(Sha256Hex(*Sha256Of("")), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    EXPECT_EQ(Sha256Hex(*Sha256Of("abc")), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    // One million "a": the long test vector, fed in uneven pieces.
    const std::string million(1000000, 'a');
    Sha256 pieces;
    for (size_t at = 0; at < million.size(); at += 65521)
        pieces.Add(million.data() + at, std::min<size_t>(65521, million.size() - at));
    EXPECT_EQ(Sha256Hex(*pieces.Finish()), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
    EXPECT_FALSE(pieces.Finish());
}

TEST(HeldFile, NobodyChangesRenamesOrDeletesItWhileItIsHeld)
{
    const std::string dir = TempFolder(true) + "kheld " + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
    const std::string path = dir + "\\setup.exe";
    const std::string data(300000, 'a'); // more than one read
    ASSERT_TRUE(WriteFileData(path, data, 0, false));

    HeldFile held = HoldAndHash(path);
    ASSERT_TRUE(held.opened);
    EXPECT_EQ(held.sha256, Sha256Of(data));
    // Reading along still works (the setup run opens it again).
    EXPECT_EQ(ReadFileRange(path, 3, 0), "aaa");
    HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE)
        ::CloseHandle(writer);
    EXPECT_FALSE(::DeleteFileA(path.c_str()));
    EXPECT_FALSE(::MoveFileA(path.c_str(), (dir + "\\other.exe").c_str()));

    held.file.reset();
    EXPECT_TRUE(::MoveFileA(path.c_str(), (dir + "\\other.exe").c_str()));
    const HeldFile missing = HoldAndHash(path);
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.opened.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(missing.sha256);
    DeleteTree(dir, true);
}

} // namespace
