#include "util/PrivateAccessWin.h"

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <set>

#include "util/FilesWin.h"
#include "util/UtilsWin.h"

namespace {

std::string UserSidText()
{
    HANDLE token = nullptr;
    union {
        TOKEN_USER user;
        BYTE bytes[256];
    } data;
    DWORD size = 0;
    char* text = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    const bool ok = GetTokenInformation(token, TokenUser, &data, sizeof data, &size) &&
                    ConvertSidToStringSidA(data.user.User.Sid, &text);
    CloseHandle(token);
    if (!ok)
        return {};
    const std::string sid = text;
    LocalFree(text);
    return sid;
}

// The system reads the descriptor back as the list it carries. (This Wine keeps no list
// on a folder it makes: it answers with one of its own, so the folders are not read.)
TEST(PrivateAccess, TheDescriptorGivesAccessToNobodyElse)
{
    TPrivateAccess access;
    ASSERT_TRUE(access);
    char* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(
        access.Attributes()->lpSecurityDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::string sddl = text;
    LocalFree(text);
    const std::string user = UserSidText();
    ASSERT_FALSE(user.empty());
    std::string expected = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    if (!RunsElevated())
        expected += "(A;OICI;FA;;;" + user + ")";
    EXPECT_EQ(sddl, expected);
}

TEST(PrivateAccess, FoldersAndFilesAreAlwaysNew)
{
    const std::string parent = TempFolder(true) + "kprivate_" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(parent.c_str(), nullptr));
    std::set<std::string> names;
    for (int i = 0; i < 4; ++i) {
        PrivateFolder folder = MakePrivateFolder(parent, "W_");
        ASSERT_FALSE(folder.path.empty()) << folder.error;
        EXPECT_TRUE(folder.hold);
        EXPECT_TRUE(names.insert(folder.path).second) << folder.path;
    }
    EXPECT_EQ(MakePrivateFolder("", "W_").error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    const std::string file = parent + "\\batch.bat";
    EXPECT_TRUE(CreatePrivateFile(file));
    EXPECT_FALSE(CreatePrivateFile(file)); // somebody's file of that name is never written
    for (int i = 0; i < 4; ++i) {
        PrivateFile made = MakePrivateFile(parent, "_DEL_ME_", ".BAT");
        ASSERT_TRUE(made.file);
        EXPECT_EQ(made.path.size(), parent.size() + 1 + 8 + 16 + 4) << made.path;
        EXPECT_EQ(made.path.substr(made.path.size() - 4), ".BAT");
        EXPECT_TRUE(names.insert(made.path).second) << made.path;
    }
    EXPECT_FALSE(MakePrivateFile("", "_DEL_ME_", ".BAT").file);
    EXPECT_TRUE(DeleteTree(parent, true));
}

} // namespace
