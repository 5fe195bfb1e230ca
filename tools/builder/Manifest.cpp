#include "payload/PayloadEntry.h"
#include "Manifest.h"
#include "ManifestIni.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "payload/PayloadTrailer.h"
#include "trust/PublicKey.h"
#include "trust/Sha256.h"
#include "util/Utils.h"

namespace fs = std::filesystem;

namespace {

// A name inside the work folder: relative, no "..", none of the characters that the
// entry header or Windows file names reserve.
std::string WorkFolderName(const Reader& r, const std::string& key, std::string name)
{
    std::replace(name.begin(), name.end(), '/', '\\');
    if (name.empty() || name.front() == '\\' || name.back() == '\\')
        r.Fail(key, "a name in the work folder must be a relative file path");
    for (unsigned char c : name)
        if (c < 32 || std::string("|*:?\"<>").find(static_cast<char>(c)) != std::string::npos)
            r.Fail(key, "a name in the work folder may not contain control characters or any of |*:?\"<>");
    // The launcher writes names in the customer's ANSI code page, which the builder cannot
    // know: other than ASCII, a name would arrive garbled.
    for (unsigned char c : name)
        if (c >= 0x80)
            r.Fail(key, "a name in the work folder must be ASCII; other letters depend on the code page of the "
                        "system that installs");
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('\\', start), name.size());
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            r.Fail(key, "a name in the work folder may not have empty, \".\" or \"..\" parts");
        start = end + 1;
    }
    // Whatever else the launcher would refuse to write (device names, parts of dots and blanks).
    if (!IsSafeEntryName(name))
        r.Fail(key, "a name in the work folder may not use a device name (CON, NUL, COM1 ...) or a part made of "
                    "dots and blanks");
    return name;
}

// A public key given as its hex text or as a key file that keygen wrote.
std::string PublicKeyOption(const Reader& r, const fs::path& base, const std::string& key)
{
    const std::string value = r.Text(key, "");
    std::optional<PublicKey> parsed = ParsePublicKey(value);
    if (!parsed) {
        const std::string path = SourcePath(base, value);
        std::error_code ec;
        if (value.empty() || !fs::is_regular_file(path, ec))
            r.Fail(key, "expected a public key file or the key's 128 hex digits, not \"" + value + "\"");
        parsed = ParsePublicKey(ReadWholeFile(path));
        if (!parsed)
            r.Fail(key, path + " is not a public key file (one line of 128 hex digits; \"#\" starts a comment)");
    }
    return PublicKeyHex(*parsed);
}

void NoListBreakers(const Reader& r, const std::string& key, const std::string& value)
{
    if (value.find('\0') != std::string::npos)
        r.Fail(key, "may not contain a NUL character");
}

} // namespace

BuildPlan ReadManifest(const std::string& path, const std::vector<std::string>& overrides)
{
    std::vector<Section> sections = ParseIni(path);
    ApplyOverrides(sections, overrides);
    const fs::path base = fs::path(path).parent_path();
    BuildPlan plan;
    std::set<std::string> names; // upper-cased: Windows file names ignore case

    auto addFile = [&](const Reader& r, const std::string& key, const std::string& name, const std::string& src) {
        if (!names.insert(UpperText(name)).second)
            r.Fail(key, "the work folder name " + name + " is used twice");
        plan.files.push_back({name, src});
    };

    const Section* run = nullptr;
    const Section* web = nullptr;
    for (const Section& s : sections) {
        const Reader r(path, s);
        const std::string upper = UpperText(s.name);
        if (upper == "SETUP") {
            r.OnlyKeys({"Launcher", "Output", "EntrySize", "VolumeSize", "StoredEnd", "Checksum", "Compress",
                        "KeepDates", "TokenSeed", "RunsNothing"});
            if (r.Find("Launcher"))
                plan.launcher = SourcePath(base, r.Text("Launcher", ""));
            if (r.Find("Output"))
                plan.output = SourcePath(base, r.Text("Output", ""));
            plan.entrySize = r.Number("EntrySize", plan.entrySize, 1, kLargestEntrySize);
            plan.volumeSize = r.Number("VolumeSize", 0, 0, UINT64_C(0x7FFFFFFFFFFFFFFF));
            plan.storedEnd = r.Flag("StoredEnd", true);
            plan.runsNothing = r.Flag("RunsNothing", false);
            plan.checksum = r.Flag("Checksum", true);
            plan.compress = r.Flag("Compress", true);
            plan.keepDates = r.Flag("KeepDates", true);
            plan.tokenSeed = static_cast<uint32_t>(r.Number("TokenSeed", 0, 0, 0xFFFFFFFF));
        } else if (upper == "TRAILER") {
            r.OnlyKeys({"FormatByte", "HeaderStrings", "ShowTempDrive", "SpanFromDisks", "ShowProgress", "UpdateLog",
                        "WebDownload", "ConfirmDownload", "WriteUpdateAgent", "IsUpdateAgent"});
            plan.formatByte = static_cast<uint8_t>(r.Number("FormatByte", 1, 0, 255));
            if (r.Find("HeaderStrings")) {
                plan.headerStrings = static_cast<uint8_t>(r.Number("HeaderStrings", 2, 2, 3));
            }
            const std::pair<const char*, uint8_t> bits[] = {{"ShowTempDrive", kFlagShowTempDrive},
                                                            {"SpanFromDisks", kFlagSpanFromDisks},
                                                            {"ShowProgress", kFlagShowProgress},
                                                            {"UpdateLog", kFlagUpdateLog}};
            for (auto [key, bit] : bits)
                if (r.Flag(key, false))
                    plan.flags |= bit;
            plan.webDownload = static_cast<uint8_t>(r.Number("WebDownload", 0, 0, 255));
            plan.confirmDownload = static_cast<uint8_t>(r.Number("ConfirmDownload", 0, 0, 255));
            plan.writeUpdateAgent = static_cast<uint8_t>(r.Number("WriteUpdateAgent", 0, 0, 255));
            plan.isUpdateAgent = static_cast<uint8_t>(r.Number("IsUpdateAgent", 0, 0, 255));
        } else if (upper == "FILES") {
            for (const auto& [key, value] : s.entries) {
                const std::string src = SourcePath(base, value);
                // The error_code forms: a path the system cannot even look at (a name too
                // long, say) is refused like a missing one, naming the key.
                std::error_code ec;
                if (value.empty() || !fs::is_regular_file(src, ec))
                    r.Fail(key, "the file " + src + " does not exist");
                addFile(r, key, WorkFolderName(r, key, key), src);
            }
        } else if (upper == "FOLDERS") {
            for (const auto& [key, value] : s.entries) {
                const std::string src = SourcePath(base, value);
                std::error_code ec;
                if (value.empty() || !fs::is_directory(src, ec))
                    r.Fail(key, "the folder " + src + " does not exist");
                const std::string prefix = key == "." ? "" : WorkFolderName(r, key, key) + "\\";
                std::vector<fs::path> found;
                for (fs::recursive_directory_iterator it(src, ec), end; !ec && it != end; it.increment(ec)) {
                    std::error_code type;
                    if (it->is_regular_file(type))
                        found.push_back(it->path());
                }
                if (ec)
                    r.Fail(key, "the folder " + src + " cannot be listed: " + ec.message());
                std::sort(found.begin(), found.end());
                for (const fs::path& f : found)
                    addFile(r, key, WorkFolderName(r, key, prefix + fs::relative(f, src).generic_string()), f.string());
            }
        } else if (upper == "RUN") {
            r.OnlyKeys({"Target", "Parameters"});
            run = &s;
        } else if (upper == "UPDATE") {
            r.OnlyKeys({"ServerUrl", "InfoFile", "AgentFile", "Token", "RunHidden", "PublicKey", "PublicKey2"});
            plan.hasUpdate = true;
            plan.serverUrl = r.Text("ServerUrl", plan.serverUrl);
            plan.infoFile = r.Text("InfoFile", plan.infoFile);
            plan.agentFile = r.Text("AgentFile", plan.agentFile);
            plan.updateToken = r.Text("Token", "");
            plan.runHidden = r.Flag("RunHidden", false) ? "1" : "0";
            for (const char* key : {"PublicKey", "PublicKey2"})
                if (r.Find(key))
                    plan.releaseKeys.push_back(PublicKeyOption(r, base, key));
            if (plan.releaseKeys.size() == 2 && plan.releaseKeys[0] == plan.releaseKeys[1])
                r.Fail("PublicKey2", "is the same key as PublicKey");
            for (const auto& entry : s.entries)
                NoListBreakers(r, entry.first, entry.second);
        } else if (upper == "DOWNLOAD") {
            r.OnlyKeys({"Url", "FileName", "AlwaysDownload", "Token", "Size", "Sha256"});
            plan.hasDownload = true;
            plan.downloadUrl = r.Text("Url", "");
            plan.downloadFileName = r.Text("FileName", "");
            plan.alwaysDownload = r.Flag("AlwaysDownload", false) ? "1" : "0";
            plan.downloadToken = r.Text("Token", "");
            if (r.Find("Size"))
                plan.downloadSize = std::to_string(r.Number("Size", 0, 0, UINT64_C(0x7FFFFFFFFFFFFFFF)));
            if (r.Find("Sha256")) {
                const std::optional<Sha256Digest> digest = Sha256FromHex(r.Text("Sha256", ""));
                if (!digest)
                    r.Fail("Sha256", "expected the setup's SHA-256 as 64 hex digits");
                plan.downloadSha256 = Sha256Hex(*digest);
            }
            for (const auto& entry : s.entries)
                NoListBreakers(r, entry.first, entry.second);
        } else if (upper == "WEB") {
            r.OnlyKeys({"Output", "Url", "ConfirmDownload", "AlwaysDownload"});
            plan.webOutput = SourcePath(base, r.Text("Output", ""));
            plan.webUrl = r.Text("Url", "");
            if (r.Text("Output", "").empty())
                r.Fail("Output", "names no file");
            if (plan.webUrl.empty())
                r.Fail("Url", "names no address");
            NoListBreakers(r, "Url", plan.webUrl);
            plan.webConfirm = r.Flag("ConfirmDownload", false) ? 1 : 0;
            plan.webAlways = r.Flag("AlwaysDownload", false);
            web = &s;
        } else if (upper == "BRANDING") {
            plan.branding = ReadBranding(r, base);
        } else if (upper.rfind("LANGUAGE ", 0) == 0) {
            LanguageBlock block{Trim(s.name.substr(9)), s.entries};
            if (block.name.empty())
                r.Fail("", "a language section is named [Language NAME]");
            for (const auto& entry : s.entries)
                NoListBreakers(r, entry.first, entry.second);
            plan.languages.push_back(std::move(block));
        } else {
            UnknownSection(path, s);
        }
    }

    if (run) {
        const Reader r(path, *run);
        plan.runTarget = r.Text("Target", "");
        plan.runParameters = r.Text("Parameters", "");
        if (plan.runTarget.empty())
            r.Fail("Target", "names no file");
        std::replace(plan.runTarget.begin(), plan.runTarget.end(), '/', '\\');
        if (!names.count(UpperText(plan.runTarget)))
            r.Fail("Target", plan.runTarget + " is not a file of [Files] or [Folders]");
        if (plan.runParameters.find('|') != std::string::npos)
            r.Fail("Parameters", "may not contain \"|\"");
        // They go into the entry header, which ends at the first NUL.
        NoListBreakers(r, "Parameters", plan.runParameters);
    }
    // A setup that unpacks nothing, or starts nothing, is a mistake unless it says it is
    // meant; a web setup fetches what it runs.
    if (!plan.runsNothing && plan.webDownload == 0) {
        if (plan.files.empty())
            throw ManifestError(path + ": no [Files] or [Folders]: the setup would unpack nothing "
                                       "(say [Setup] RunsNothing=1 if that is meant)");
        if (plan.runTarget.empty())
            throw ManifestError(path + ": no [Run] Target: the setup would start nothing "
                                       "(say [Setup] RunsNothing=1 if that is meant)");
    }
    if (web) {
        // The web launcher takes the setup as one file, and knows it by its token.
        if (plan.downloadToken.empty())
            Reader(path, *web).Fail("Output", "needs [Download] Token= to mark the setup it downloads");
        if (plan.volumeSize != 0)
            Reader(path, *web).Fail("Output", "needs a setup in one volume (no VolumeSize)");
    }
    if (plan.hasDownload)
        plan.headerStrings = 3;
    for (const Section& s : sections)
        if (UpperText(s.name) == "TRAILER" && Reader(path, s).Find("HeaderStrings") && plan.hasDownload &&
            Reader(path, s).Text("HeaderStrings", "") != "3")
            Reader(path, s).Fail("HeaderStrings", "must be 3 when [Download] is present");
    return plan;
}

BuildPlan WebLauncherPlan(const BuildPlan& setup, uint64_t setupSize, const std::string& setupSha256)
{
    BuildPlan web = setup;
    web.output = setup.webOutput;
    web.files.clear();
    web.runTarget.clear();
    web.runParameters.clear();
    web.flags &= static_cast<uint8_t>(~kFlagSpanFromDisks);
    web.webDownload = 1;
    web.confirmDownload = setup.webConfirm;
    web.hasDownload = true;
    web.headerStrings = 3;
    web.downloadUrl = setup.webUrl;
    web.downloadFileName = fs::path(setup.output).filename().string();
    web.alwaysDownload = setup.webAlways ? "1" : "0";
    web.downloadSize = std::to_string(setupSize);
    web.downloadSha256 = setupSha256;
    web.webOutput.clear();
    return web;
}

std::vector<std::string> PlanWarnings(const BuildPlan& plan)
{
    std::vector<std::string> warnings;
    if (plan.webDownload != 0 && plan.downloadSha256.empty())
        warnings.push_back(plan.output + ": the web launcher carries no SHA-256 of its setup ([Download] Sha256=): "
                                         "it runs any file that carries the download token");
    return warnings;
}
