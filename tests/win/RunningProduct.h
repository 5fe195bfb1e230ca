// A fixture for tests that need the sample product (tools/sampleproduct) running: it
// runs copies under a name no other process has and ends the ones still running when
// the test is over.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/FilesWin.h"
#include "util/ScopedWin.h"
#include "util/UtilsWin.h"

namespace sample_product {

// The sample product built in the same tree as this test program.
inline std::string SampleProduct() { return ProgramFolder(true) + "..\\..\\tools\\sampleproduct\\SampleProduct.exe"; }

struct Started {
    ScopedHandle process;
    DWORD pid = 0;
};

struct WindowSearch {
    DWORD pid;
    bool found;
};

inline BOOL CALLBACK FindProcessWindow(HWND w, LPARAM p)
{
    auto& s = *reinterpret_cast<WindowSearch*>(p);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (owner == s.pid)
        s.found = true;
    return !s.found;
}

inline bool HasWindow(DWORD pid)
{
    WindowSearch search{pid, false};
    ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs copies of the sample product under a name no other process has, and ends the
// ones still running when the test is over.
class RunningProduct : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string id = std::to_string(::GetCurrentProcessId());
        folder_ = TempFolder(true) + "kproc_" + id;
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        name_ = "kprod" + id + ".exe";
        path_ = folder_ + "\\" + name_;
        record_ = folder_ + "\\record.txt";
        ASSERT_TRUE(::CopyFileA(SampleProduct().c_str(), path_.c_str(), FALSE)) << SampleProduct();
    }
    void TearDown() override
    {
        for (Started& s : started_) {
            if (::WaitForSingleObject(s.process.get(), 0) == WAIT_TIMEOUT)
                ::TerminateProcess(s.process.get(), 1);
            ::WaitForSingleObject(s.process.get(), 5000);
        }
        started_.clear();
        DeleteTree(folder_, true);
    }

    // Starts a copy and waits until its windows are up.
    DWORD Start(const std::string& switches = "")
    {
        std::string line = "\"" + path_ + "\" /Record=\"" + record_ + "\" " + switches;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            ADD_FAILURE() << "cannot start " << line << ": " << ::GetLastError();
            return 0;
        }
        ::CloseHandle(pi.hThread);
        started_.push_back({ScopedHandle(pi.hProcess), pi.dwProcessId});
        for (int i = 0; i < 500 && !HasWindow(pi.dwProcessId); ++i)
            ::Sleep(20);
        EXPECT_TRUE(HasWindow(pi.dwProcessId));
        return pi.dwProcessId;
    }
    bool Runs(std::size_t copy) { return ::WaitForSingleObject(started_.at(copy).process.get(), 0) == WAIT_TIMEOUT; }
    std::string Record() { return ReadFileRange(record_, 0, 0); }

    std::string folder_, name_, path_, record_;
    std::vector<Started> started_;
};

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace sample_product

using sample_product::Contains;
using sample_product::RunningProduct;
