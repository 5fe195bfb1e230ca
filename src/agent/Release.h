// The newest release as its ".info" description announces it, read once from the bytes
// that were fetched and handed on as a value: to the decision, the update cycle and the
// inform flow. Nothing reads the ".info" file again later. Every value is as the server
// sent it; the readers of each value decide what they accept.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "agent/Overrides.h"
#include "trust/PublicKey.h"
#include "trust/SignedRelease.h"

// The agent's flags are true for exactly the text "1" ("yes", "true" or "2" are not).
inline bool FlagText(const std::string& stored) { return stored == "1"; }

struct Release {
    Release() = default;
    Release(const Release&) = default;
    Release& operator=(const Release&) = default;
    Release(Release&&) = default;
    Release& operator=(Release&&) = default;
    // Out of line: the launcher is built for size, and a release is ended in many places.
    ~Release();

    // [NewSetup]
    std::string downloadUrl; // DownloadURL_UPDATE: where the update and inform files are
    std::string nameOfUpdateFile;
    std::int64_t sizeOfUpdateFile = 0;
    bool confirmDownload = false;      // RequestConfirmationBeforeDownload
    bool confirmDownloadForce = false; // ...Force: the question only informs
    bool confirmInstall = false;       // RequestConfirmationBeforeInstall
    bool confirmInstallForce = false;
    bool backgroundUpdate = false;
    bool restartProcess = false;
    bool informFinish = false;
    std::string shutDownMethod;
    std::int64_t shutDownWaitSeconds = 0; // ShutDownWaitSeconds: 0 for the agent's default
    std::string runningProcess;           // may hold folder variables and a quoted path's arguments
    std::string programName;
    std::int64_t versionNew = 0;
    std::int64_t stamp = 0;
    std::string validVersions;
    bool removeStartUpShortcut = false;
    bool removeCheckForNewUpdateShortcut = false;
    // [General] AutoInform is 1: the release is announced, not installed
    bool autoInform = false;
    // [AutoInform]
    std::string informAddress; // DownloadURL_INFORM: what the dialog's button opens
    std::string nameOfInformFile;
    std::int64_t sizeOfInformFile = 0;
    std::int64_t informWidth = 360; // AutoInformW, AutoInformH: the dialog's outer size
    std::int64_t informHeight = 360;

    // A signed release (a keyed product's): the size and SHA-256 its publisher signed
    // for each file it serves, which the fetched file must have. None for an unsigned one.
    std::optional<SignedFile> signedUpdate;
    std::optional<SignedFile> signedInform;
};

// The release that infoText describes; missing keys give their defaults, so empty or
// foreign bytes give a release with nothing to fetch.
Release ParseRelease(std::string_view infoText);

// The release a fetched description gives the agent. A product without keys takes the
// description as it came (usable whatever it holds; what the check makes of it is the
// decision's business). A keyed product takes only a description whose signature
// (signature: the ".sig" file's bytes, empty when none came) verifies under one of its
// keys and that has not expired at nowUtc (seconds since 1970, UTC); its release then
// carries the signed files. Otherwise nothing: an empty release and the reason.
struct CheckedRelease {
    bool usable = false;
    Release release;
    std::string refusal; // why a keyed product refuses it
};
CheckedRelease CheckRelease(const std::string& info, const std::string& signature, const PayloadKeys& keys,
                            std::int64_t nowUtc);

// Puts the running agent's overrides in place of the release's flags.
void ApplyOverrides(Release& release, const OverrideBytes& overrides);
