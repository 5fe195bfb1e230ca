// The builder's manifest: an INI file that says what goes into a payload.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Branding.h"
#include "payload/PayloadEntry.h"

// A refused manifest; the message names the file, the section and the key.
class ManifestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One file of the payload: its name in the work folder and where it comes from.
struct PayloadFile {
    std::string name;   // relative, "\"-separated
    std::string source; // host path
};

struct LanguageBlock {
    std::string name;
    std::vector<std::pair<std::string, std::string>> texts; // key, value in file order
};

// Everything the writer needs, with defaults for what the manifest leaves out.
struct BuildPlan {
    std::string launcher;
    std::string output;
    uint64_t entrySize = 1048576;
    uint64_t volumeSize = 0; // 0: one volume
    bool storedEnd = true;   // the payload end kept in the launcher: a signature may follow
    bool checksum = true;
    bool compress = true;
    bool keepDates = true;
    uint32_t tokenSeed = 0; // 0: a fresh seed for every build
    unsigned threads = 0;   // compressing threads, 0: one per core (the command line's, not the manifest's)

    uint8_t formatByte = 1;
    uint8_t headerStrings = 2;
    uint8_t flags = 0; // kFlag... except kFlagSpanned, which the writer sets per volume
    uint8_t webDownload = 0, confirmDownload = 0, writeUpdateAgent = 0, isUpdateAgent = 0;

    std::vector<PayloadFile> files;
    std::string runTarget;     // a name of files, or empty
    bool runsNothing = false;  // the manifest says that no files or no run target is meant
    std::string runParameters; // after the "*"

    bool hasUpdate = false;
    std::string serverUrl = "http:", infoFile = ".info", agentFile = ".exe", updateToken, runHidden = "0";
    std::vector<std::string> releaseKeys; // the publisher's public keys (hex), at most two
    bool hasDownload = false;
    std::string downloadUrl, downloadFileName, alwaysDownload = "0", downloadToken, downloadSize;
    std::string downloadSha256; // hex; empty: the web launcher runs any file with the token

    std::vector<LanguageBlock> languages;

    Branding branding;

    // [Web]: the small web launcher that downloads this setup, made in the same run.
    std::string webOutput, webUrl;
    uint8_t webConfirm = 0;
    bool webAlways = false;
};

// Reads and checks a manifest; relative paths in it are taken from its folder. Each
// override "Section/Key=value" replaces or adds one key before the checks.
BuildPlan ReadManifest(const std::string& path, const std::vector<std::string>& overrides = {});

// The web launcher of a plan with [Web]: no files, and download options that name the
// setup just written (its file name, size and SHA-256 in hex) with the setup's own
// download token.
BuildPlan WebLauncherPlan(const BuildPlan& setup, uint64_t setupSize, const std::string& setupSha256);

// What the builder warns about in a plan it writes (it writes it all the same).
std::vector<std::string> PlanWarnings(const BuildPlan& plan);
