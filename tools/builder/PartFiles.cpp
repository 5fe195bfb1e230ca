#include "PartFiles.h"

#include <csignal>
#include <cstdio>
#include <vector>

namespace {

// The handler reads this list while the build may add to it: the room is kept from the
// start, so an addition never moves what the handler reads, and the count grows only
// once an entry is complete.
constexpr size_t kRoom = 4096;
std::vector<std::string>& Parts()
{
    static std::vector<std::string> parts = [] {
        std::vector<std::string> v;
        v.reserve(kRoom);
        return v;
    }();
    return parts;
}
volatile std::sig_atomic_t g_count = 0;

extern "C" void OnInterrupt(int signal)
{
    const std::vector<std::string>& parts = Parts();
    for (std::sig_atomic_t i = 0; i < g_count; ++i)
        std::remove(parts[static_cast<size_t>(i)].c_str());
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void RemovePartFilesOnInterrupt()
{
    Parts();
    for (int signal : {SIGINT, SIGTERM})
        std::signal(signal, OnInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, OnInterrupt);
#endif
}

void RegisterPartFile(const std::string& path)
{
    std::vector<std::string>& parts = Parts();
    if (parts.size() >= kRoom)
        return;
    parts.push_back(path);
    g_count = static_cast<std::sig_atomic_t>(parts.size());
}

void ForgetPartFiles()
{
    g_count = 0;
    Parts().clear();
}
