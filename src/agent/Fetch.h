// Bringing the agent's files into its folder, the rules that need no system: what a fetch
// reports, and the texts the user sees when it fails. The fetch itself is
// agent/FetchWin.h; the names a server may give are agent/ServerFileName.h.
#pragma once

#include <string>

enum class FetchKind { Info = 1, Update = 2, Inform = 3 };

struct FetchOutcome {
    bool fetched = false; // it arrived and passed its check
    std::string error;    // why it did not arrive; empty when it did or a check failed
    std::string info;     // the ".info" bytes as they came (kind Info only)
};

// Why a confirmed download of an update failed, for the user: the abort text, or the
// source with "not found" for a drive or network path, "unable to download" for a web one.
std::string FetchFailureText(const std::string& source, bool aborted, const std::string& abortedText,
                             const std::string& notFoundText, const std::string& unableText);

// The error of a ".info" fetch that an interactive check may show: an error text that
// begins with "3" is not shown, as in the format's earlier releases.
std::string ShownInfoError(const std::string& error);
