#include "net/InetHTTP.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// Nothing listens on port 1: every call fails fast, after the library was loaded.
constexpr const char* kNowhere = "http://127.0.0.1:1/setup.exe";

TEST(InetHTTP, TheLibraryStaysUntilUnloadAndComesBackOnTheNextCall)
{
    HTTP_UnloadWinInet();
    ASSERT_EQ(GetModuleHandleA("wininet.dll"), nullptr) << "something else in this program loads WinINet";
    EXPECT_EQ(HTTP_GetFileSize(kNowhere), -1);
    EXPECT_NE(GetModuleHandleA("wininet.dll"), nullptr);
    HTTP_UnloadWinInet();
    EXPECT_EQ(GetModuleHandleA("wininet.dll"), nullptr);
    std::string data;
    EXPECT_EQ(HTTP_DownloadToMemory(kNowhere, {}, data),
              std::string("Unable to open Internet Connection: ") + kNowhere);
    EXPECT_NE(GetModuleHandleA("wininet.dll"), nullptr);
    HTTP_UnloadWinInet();
}

} // namespace
