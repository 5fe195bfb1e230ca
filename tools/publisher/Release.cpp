#include "Release.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "Manifest.h"
#include "ManifestIni.h"
#include "Signing.h"
#include "agent/ServerFileName.h"
#include "payload/GFileInfo.h"
#include "payload/Token.h"
#include "trust/SignedRelease.h"
#include "util/Utils.h"

namespace fs = std::filesystem;

namespace {

// The [NewSetup] flags a release sets, in the order the ".info" file lists them.
const char* const kFlags[] = {"RequestConfirmationBeforeDownload",
                              "RequestConfirmationBeforeDownloadForce",
                              "RequestConfirmationBeforeInstall",
                              "RequestConfirmationBeforeInstallForce",
                              "BackgroundUpdate",
                              "RestartProcess",
                              "InformFinish",
                              "RemoveStartUpShortcut",
                              "RemoveCheckForNewUpdateShortcut"};
// The methods the agent knows; another text would silently mean "only wait".
const char* const kShutDownMethods[] = {"Issue a Message Box", "Using WM_CLOSE", "Using WM_QUIT",
                                        "Using Terminate Process", "Don't Shut Down"};
constexpr std::uint64_t kLargestVersion = std::numeric_limits<std::int32_t>::max();
// How long an agent may wait for the running product to end: a day at most.
constexpr std::uint64_t kLongestShutDownWait = 86400;

std::string ServedName(const Reader& r, const std::string& key, const std::string& name)
{
    if (name.empty() || BareServerName(name) != name)
        r.Fail(key, "must be a bare file name (no folder, device name or wildcard), not \"" + name + "\"");
    return name;
}

std::string ExistingFile(const Reader& r, const fs::path& base, const std::string& key)
{
    const std::string value = r.Text(key, "");
    const std::string path = SourcePath(base, value);
    if (value.empty() || !fs::is_regular_file(path))
        r.Fail(key, "the file " + path + " does not exist");
    return path;
}

// Numbers separated by commas, as the agent compares them.
void CheckVersionList(const Reader& r, const std::string& list)
{
    if (list.empty())
        return;
    std::stringstream items(list);
    std::string item;
    bool ok = list.back() != ',';
    while (ok && std::getline(items, item, ','))
        ok = !item.empty() && item.find_first_not_of("0123456789") == std::string::npos && item.size() <= 10;
    if (!ok)
        r.Fail("ValidVersions", "expected installed version numbers separated by commas, not \"" + list + "\"");
}

// [Release] Expires (a UTC date, or a UTC time as the ".info" writes it) or ValidDays
// (days from now); none when neither is given.
std::optional<std::int64_t> ReadExpiry(const Reader& r)
{
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    std::optional<std::int64_t> expires;
    if (r.Find("Expires") && r.Find("ValidDays"))
        r.Fail("ValidDays", "give either Expires or ValidDays");
    if (r.Find("Expires")) {
        const std::string text = r.Text("Expires", "");
        expires = ParseUtcTime(text.size() == 10 ? text + "T00:00:00Z" : text);
        if (!expires)
            r.Fail("Expires", "expected a UTC date YYYY-MM-DD or time YYYY-MM-DDTHH:MM:SSZ, not \"" + text + "\"");
    } else if (r.Find("ValidDays")) {
        expires = now + static_cast<std::int64_t>(r.Number("ValidDays", 0, 1, 36500)) * 86400;
    }
    if (expires && *expires <= now)
        r.Fail(r.Find("Expires") ? "Expires" : "ValidDays", "the release would be expired already");
    return expires;
}

std::uint32_t SeedOr(std::uint32_t seed)
{
    return seed != 0 ? seed : static_cast<std::uint32_t>(std::random_device{}() | 1u);
}

} // namespace

ReleasePlan ReadRelease(const std::string& path, const std::vector<std::string>& overrides)
{
    std::vector<Section> sections = ParseIni(path);
    ApplyOverrides(sections, overrides);
    const fs::path base = fs::path(path).parent_path();
    ReleasePlan plan;
    const Section* release = nullptr;
    for (const Section& s : sections) {
        const Reader r(path, s);
        const std::string upper = UpperText(s.name);
        if (upper == "RELEASE") {
            r.OnlyKeys({"Output", "InfoFile", "Token", "TokenSeed", "DownloadUrl", "Version", "Stamp", "ValidVersions",
                        "ProgramName", "PrivateKey", "Expires", "ValidDays"});
            release = &s;
            plan.output = SourcePath(base, r.Text("Output", ""));
            plan.infoFile = ServedName(r, "InfoFile", r.Text("InfoFile", ""));
            plan.token = r.Text("Token", "");
            if (plan.token.empty())
                r.Fail("Token", "the product's update token is missing");
            plan.tokenSeed = static_cast<std::uint32_t>(r.Number("TokenSeed", 0, 0, 0xFFFFFFFF));
            plan.downloadUrl = r.Text("DownloadUrl", "");
            if (plan.downloadUrl.empty())
                r.Fail("DownloadUrl", "the address the agent fetches the release from is missing");
            if (!r.Find("Version"))
                r.Fail("Version", "the release's version number is missing");
            plan.version = static_cast<std::int64_t>(r.Number("Version", 0, 1, kLargestVersion));
            // A new stamp offers the release again at once; by default each version has its own.
            plan.stamp = static_cast<std::int64_t>(
                r.Number("Stamp", static_cast<std::uint64_t>(plan.version), 0, UINT64_C(0x7FFFFFFFFFFFFFFF)));
            plan.validVersions = r.Text("ValidVersions", "");
            CheckVersionList(r, plan.validVersions);
            plan.programName = r.Text("ProgramName", "");
            if (r.Find("PrivateKey")) {
                plan.privateKey = SourcePath(base, r.Text("PrivateKey", ""));
                try {
                    ReleaseSigner check(plan.privateKey);
                } catch (const std::runtime_error& e) {
                    r.Fail("PrivateKey", e.what());
                }
            }
            plan.expires = ReadExpiry(r);
        } else if (upper == "UPDATE") {
            r.OnlyKeys({"Setup", "FileName", "RunningProcess", "ShutDownMethod", "ShutDownWaitSeconds",
                        "RequestConfirmationBeforeDownload", "RequestConfirmationBeforeDownloadForce",
                        "RequestConfirmationBeforeInstall", "RequestConfirmationBeforeInstallForce", "BackgroundUpdate",
                        "RestartProcess", "InformFinish", "RemoveStartUpShortcut", "RemoveCheckForNewUpdateShortcut"});
            plan.setup = ExistingFile(r, base, "Setup");
            plan.updateFileName =
                ServedName(r, "FileName", r.Text("FileName", fs::path(plan.setup).filename().string()));
            plan.runningProcess = r.Text("RunningProcess", "");
            plan.shutDownMethod = r.Text("ShutDownMethod", "");
            if (!plan.shutDownMethod.empty() && std::none_of(std::begin(kShutDownMethods), std::end(kShutDownMethods),
                                                             [&](const char* m) { return plan.shutDownMethod == m; }))
                r.Fail("ShutDownMethod", "expected one of \"Issue a Message Box\", \"Using WM_CLOSE\", \"Using "
                                         "WM_QUIT\", \"Using Terminate Process\", \"Don't Shut Down\", not \"" +
                                             plan.shutDownMethod + "\"");
            plan.shutDownWaitSeconds =
                static_cast<std::int64_t>(r.Number("ShutDownWaitSeconds", 0, 1, kLongestShutDownWait));
            for (const char* flag : kFlags)
                plan.flags.emplace_back(flag, r.Flag(flag, false) ? "1" : "0");
        } else if (upper == "INFORM") {
            r.OnlyKeys({"File", "FileName", "Url", "Width", "Height", "Scramble"});
            plan.inform = true;
            plan.informSource = ExistingFile(r, base, "File");
            plan.informFileName =
                ServedName(r, "FileName", r.Text("FileName", fs::path(plan.informSource).filename().string()));
            plan.informUrl = r.Text("Url", "");
            plan.informWidth = static_cast<std::int64_t>(r.Number("Width", 360, 200, 4096));
            plan.informHeight = static_cast<std::int64_t>(r.Number("Height", 360, 120, 4096));
            plan.scrambleInform = r.Flag("Scramble", false);
        } else {
            UnknownSection(path, s);
        }
    }
    if (!release)
        throw ManifestError(path + ": [Release] is missing");
    if (plan.setup.empty() && !plan.inform)
        throw ManifestError(path + ": a release needs [Update] Setup, or [Inform] for an announcement");
    if (plan.setup.empty()) {
        for (const char* flag : kFlags)
            plan.flags.emplace_back(flag, "0");
    } else {
        // An agent installs only a setup that carries its own product's token.
        const TGFileInfo setup(plan.setup);
        const Reader r(path, *std::find_if(sections.begin(), sections.end(),
                                           [](const Section& s) { return UpperText(s.name) == "UPDATE"; }));
        if (!setup.HasPayload())
            r.Fail("Setup", plan.setup + " is not a setup made by the builder");
        if (setup.UpdateToken(true) != plan.token)
            r.Fail("Setup", plan.setup + " carries another update token than the product's ([Release] Token)");
    }
    if (plan.inform && !plan.setup.empty() && UpperText(plan.informFileName) == UpperText(plan.updateFileName))
        throw ManifestError(path + ": [Inform] FileName: the same name as the update file");
    for (const auto& [name, where] : {std::make_pair(plan.updateFileName, "[Update] FileName"),
                                      std::make_pair(plan.informFileName, "[Inform] FileName")})
        if (UpperText(name) == UpperText(plan.infoFile) ||
            UpperText(name) == UpperText(plan.infoFile + kSignatureSuffix))
            throw ManifestError(path + ": " + where + ": the name of the \".info\" file or of its signature");
    return plan;
}

std::string InformFileText(const std::string& token, const std::string& body, bool scramble, std::uint32_t seed)
{
    const std::string text = "|" + ScrambleToken(token, SeedOr(seed)) + "|||" + body;
    return scramble ? ScrambleText(text, true, false) : text;
}

ServedFile ServedFileOf(const std::string& content)
{
    const std::optional<Sha256Digest> digest = Sha256Of(content);
    if (!digest)
        throw std::runtime_error("the system's libcrypto could not hash a served file");
    return {static_cast<std::int64_t>(content.size()), Sha256Hex(*digest)};
}

std::string InfoText(const ReleasePlan& plan, const ServedFile& update, const ServedFile& inform)
{
    std::string text;
    const auto line = [&text](const std::string& key, const std::string& value) { text += key + "=" + value + "\r\n"; };
    text += "[NewSetup]\r\n";
    line("DownloadURL_UPDATE", plan.downloadUrl);
    line("NameOfUpdateFile", plan.setup.empty() ? "" : plan.updateFileName);
    line("SizeOfUpdateFile", std::to_string(update.size));
    if (!update.sha256.empty())
        line(kUpdateHashKey, update.sha256);
    for (const auto& [flag, value] : plan.flags)
        line(flag, value);
    line("ShutDownMethod", plan.shutDownMethod);
    line("RunningProcess", plan.runningProcess);
    if (plan.shutDownWaitSeconds > 0)
        line("ShutDownWaitSeconds", std::to_string(plan.shutDownWaitSeconds));
    line("ProgramName", plan.programName);
    line("VersionNew", std::to_string(plan.version));
    line("Stamp", std::to_string(plan.stamp));
    line("ValidVersions", plan.validVersions);
    text += "\r\n[General]\r\n";
    line("AutoInform", plan.inform ? "1" : "0");
    if (plan.expires)
        line(kExpiresKey, UtcTimeText(*plan.expires));
    text += "\r\n[AutoInform]\r\n";
    line("DownloadURL_INFORM", plan.informUrl);
    line("NameOfInformFile", plan.inform ? plan.informFileName : "");
    line("SizeOfInformFile", std::to_string(inform.size));
    if (!inform.sha256.empty())
        line(kInformHashKey, inform.sha256);
    line("AutoInformW", std::to_string(plan.informWidth));
    line("AutoInformH", std::to_string(plan.informHeight));
    return text;
}

std::vector<std::string> PublishRelease(const ReleasePlan& plan)
{
    // Everything is read and made before anything is written.
    std::vector<std::pair<std::string, std::string>> files; // name, content
    ServedFile update, inform;
    if (!plan.setup.empty()) {
        files.emplace_back(plan.updateFileName, ReadWholeFile(plan.setup));
        update = ServedFileOf(files.back().second);
    }
    if (plan.inform) {
        files.emplace_back(plan.informFileName, InformFileText(plan.token, ReadWholeFile(plan.informSource),
                                                               plan.scrambleInform, plan.tokenSeed));
        inform = ServedFileOf(files.back().second);
    }
    const std::string info = InfoText(plan, update, inform);
    const std::string signatureName = plan.infoFile + kSignatureSuffix;
    if (!plan.privateKey.empty()) {
        const ReleaseSigner signer(plan.privateKey);
        const std::string signature = SignatureFileText(signer.Sign(info));
        // What an agent holding the key will check, checked here first.
        const ReleaseVerdict verdict =
            VerifyRelease(info, signature, {signer.Public()}, static_cast<std::int64_t>(std::time(nullptr)));
        if (!verdict.Verified())
            throw std::runtime_error("the signed release does not verify: " + verdict.reason);
        files.emplace_back(signatureName, signature);
    }
    files.emplace_back(plan.infoFile, info);

    fs::create_directories(plan.output);
    std::vector<std::string> written;
    for (const auto& [name, content] : files) {
        const std::string part = (fs::path(plan.output) / (name + ".part")).string();
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out) {
            for (const auto& [n, c] : files)
                fs::remove(fs::path(plan.output) / (n + ".part"));
            throw std::runtime_error(part + ": cannot be written");
        }
    }
    // An old signature beside an unsigned ".info" would only confuse.
    if (plan.privateKey.empty())
        fs::remove(fs::path(plan.output) / signatureName);
    // The ".info" file comes last, so that a server never describes files it lacks.
    for (const auto& [name, content] : files) {
        const fs::path target = fs::path(plan.output) / name;
        fs::rename(fs::path(plan.output) / (name + ".part"), target);
        written.push_back(target.string());
    }
    return written;
}
