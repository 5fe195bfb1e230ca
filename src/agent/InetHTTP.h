// The HTTP client's process-wide pieces that the launcher window steers.
#pragma once

// Set by a close request or the end of the launcher window; a running download stops
// after its current chunk.
bool DownloadAbortRequested();
void RequestDownloadAbort();
// A new launcher window starts without the close request of an earlier one.
void ClearDownloadAbort();
