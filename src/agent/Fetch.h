// Bringing the agent's files into its folders, the rules that need no system: what a
// fetch reports, where a file may come from, and the texts the user sees when it fails.
// The fetch itself is agent/FetchWin.h; the names a server may give are
// agent/ServerFileName.h.
#pragma once

#include <cstdint>
#include <string>

enum class FetchKind { Info = 1, Update = 2, Inform = 3 };

// The most a fetch holds in memory: a description and its signature are small, an
// announcement's text a few pages. A larger body is refused, not cut.
constexpr std::int64_t kLargestInfo = 256 * 1024;
constexpr std::int64_t kLargestSignature = 4096;
constexpr std::int64_t kLargestInform = 4 * 1024 * 1024;

struct FetchOutcome {
    bool fetched = false; // it arrived and passed its checks
    std::string error;    // why it did not arrive; empty when it did or a check failed
    std::string bytes;    // the ".info" or the inform file as they came (update files go to disk)
};

// Where a file may be fetched from. The product's own update address (its payload's) is
// trusted as the format has always taken it: a file in that folder, else the web. An
// address a server sends (the release's DownloadURL_UPDATE) is taken only as what it
// must be: a web address, or a folder within the product's own folder source; never a
// network share, a file: URL or a path anywhere else, which would make the agent open
// what the server chose (and hand a share the user's credentials).
enum class FetchSource {
    FolderThenWeb, // the product's own address
    Web,           // http:// or https://
    Folder,        // within the product's own folder source
    Refused,
};
// base: the address; fromServer: a server sent it; ownServer: the product's own
// address (its payload's).
FetchSource FetchSourceOf(const std::string& base, bool fromServer, const std::string& ownServer);
bool IsWebAddress(const std::string& base);
// A drive path ("C:\...") or a network path ("\\server\share...").
bool IsFolderSource(const std::string& base);
// path is folder or lies below it ("/" and "\" alike, letter case ignored); a path with
// a "." or ".." step, a stream colon or a wildcard is within nothing.
bool IsWithinFolder(const std::string& path, const std::string& folder);

// Why a confirmed download of an update failed, for the user: the abort text, or the
// source with "not found" for a drive or network path, "unable to download" for a web one.
std::string FetchFailureText(const std::string& source, bool aborted, const std::string& abortedText,
                             const std::string& notFoundText, const std::string& unableText);

// The error of a ".info" fetch that an interactive check may show: an error text that
// begins with "3" is not shown, as in the format's earlier releases.
std::string ShownInfoError(const std::string& error);
