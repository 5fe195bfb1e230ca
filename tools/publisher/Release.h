// The release publisher: from a release manifest, what an update server serves for one
// release of a product: the ".info" description, the update setup (built beforehand with
// the builder) and, for an announcement, the inform file.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ReleasePlan {
    std::string output;          // the folder the server serves
    std::string infoFile;        // the ".info" file's name
    std::string token;           // the product's update token, plain
    std::uint32_t tokenSeed = 0; // 0: fresh scrambling for every run
    std::string downloadUrl;     // where the agent fetches the update and inform files
    std::int64_t version = 0;
    std::int64_t stamp = 0;
    std::string validVersions;
    std::string programName;
    std::string privateKey;              // empty: the release goes out unsigned
    std::optional<std::int64_t> expires; // UTC seconds since 1970, when the release asks

    std::string setup; // empty: an announcement only
    std::string updateFileName;
    std::string runningProcess, shutDownMethod;
    std::int64_t shutDownWaitSeconds = 0; // 0: not given (the agent waits its default)
    // The ".info" flags of [NewSetup], in file order, "0" or "1".
    std::vector<std::pair<std::string, std::string>> flags;

    bool inform = false;
    std::string informSource, informFileName, informUrl;
    std::int64_t informWidth = 360, informHeight = 360;
    bool scrambleInform = false;
};

// Reads and checks a release manifest (relative paths from its folder); throws
// ManifestError naming the section and key at fault. An update setup whose token is not
// the product's is refused. overrides are --set options (Section/Key=value), as the
// builder takes them.
ReleasePlan ReadRelease(const std::string& path, const std::vector<std::string>& overrides = {});

// The inform file: the product's token (stored scrambled) and the body, optionally
// scrambled as a whole.
std::string InformFileText(const std::string& token, const std::string& body, bool scramble, std::uint32_t seed);

// A file the release serves: its size and SHA-256 (hex; empty when there is no file).
struct ServedFile {
    std::int64_t size = 0;
    std::string sha256;
};
ServedFile ServedFileOf(const std::string& content);

// The ".info" text with every key the agent reads, and the size and hash of each file
// served.
std::string InfoText(const ReleasePlan& plan, const ServedFile& update, const ServedFile& inform);

// Writes the files into the output folder, all or nothing; the paths written. With a
// private key the ".info" gets its signature file (written before it); without, a
// signature file left by an earlier release is removed.
std::vector<std::string> PublishRelease(const ReleasePlan& plan);
