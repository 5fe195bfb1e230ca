#include "util/ShellDirWin.h"

#include <gtest/gtest.h>

#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

TEST(ShellDirWin, SpecialFoldersComeFromTheShell)
{
    const std::string documents = SpecialFolderPath(SpecialFolder::MyDocuments, false);
    ASSERT_FALSE(documents.empty());
    EXPECT_TRUE(FolderExists(documents)) << documents;
    EXPECT_EQ(SpecialFolderPath(SpecialFolder::MyDocuments, true), documents + "\\");
    EXPECT_EQ(SpecialFolderPath(SpecialFolder::User, false), ParentFolder(documents));
    EXPECT_EQ(SpecialFolderPath(SpecialFolder::DocumentsAndSettings, false),
              WithBackslash(ParentFolder(ParentFolder(documents)), false));
    const std::string common = SpecialFolderPath(SpecialFolder::AllUsersAppData, false);
    EXPECT_TRUE(FolderExists(common)) << common;
    EXPECT_EQ(SpecialFolderPath(SpecialFolder::AllUsers, false), WithBackslash(ParentFolder(common), false));
    for (SpecialFolder f :
         {SpecialFolder::UserAppData, SpecialFolder::UserLocalAppData, SpecialFolder::UserDesktop,
          SpecialFolder::UserStartMenu, SpecialFolder::UserStartProgramMenu, SpecialFolder::AllUsersDocuments,
          SpecialFolder::AllUsersStartMenu, SpecialFolder::AllUsersStartProgramMenu, SpecialFolder::AllUsersDesktop}) {
        const std::string path = SpecialFolderPath(f, false);
        EXPECT_TRUE(FolderExists(path)) << static_cast<int>(f) << ": " << path;
    }
}

} // namespace
