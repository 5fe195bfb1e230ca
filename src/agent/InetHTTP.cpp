#include "agent/InetHTTP.h"

namespace {
bool g_abort = false;
} // namespace

bool DownloadAbortRequested() { return g_abort; }
void RequestDownloadAbort() { g_abort = true; }
void ClearDownloadAbort() { g_abort = false; }
