#include "agent/Release.h"

#include "util/IniText.h"

Release::~Release() = default;

namespace {

// Where each value of the ".info" file goes.
struct TextKey {
    const char* section;
    const char* key;
    std::string Release::*value;
};
struct NumberKey {
    const char* section;
    const char* key;
    std::int64_t def;
    std::int64_t Release::*value;
};
struct FlagKey {
    const char* key; // all in [NewSetup]
    bool Release::*value;
    int override; // the override byte that stands in for it, or -1
};

constexpr TextKey kTexts[] = {
    {"NewSetup", "DownloadURL_UPDATE", &Release::downloadUrl},
    {"NewSetup", "NameOfUpdateFile", &Release::nameOfUpdateFile},
    {"NewSetup", "ShutDownMethod", &Release::shutDownMethod},
    {"NewSetup", "RunningProcess", &Release::runningProcess},
    {"NewSetup", "ProgramName", &Release::programName},
    {"NewSetup", "ValidVersions", &Release::validVersions},
    {"AutoInform", "DownloadURL_INFORM", &Release::informAddress},
    {"AutoInform", "NameOfInformFile", &Release::nameOfInformFile},
};
constexpr NumberKey kNumbers[] = {
    {"NewSetup", "SizeOfUpdateFile", 0, &Release::sizeOfUpdateFile},
    {"NewSetup", "VersionNew", 0, &Release::versionNew},
    {"NewSetup", "Stamp", 0, &Release::stamp},
    {"NewSetup", "ShutDownWaitSeconds", 0, &Release::shutDownWaitSeconds},
    {"AutoInform", "SizeOfInformFile", 0, &Release::sizeOfInformFile},
    {"AutoInform", "AutoInformW", 360, &Release::informWidth},
    {"AutoInform", "AutoInformH", 360, &Release::informHeight},
};
constexpr FlagKey kFlags[] = {
    {"RequestConfirmationBeforeDownload", &Release::confirmDownload, static_cast<int>(Override::ConfirmDownload)},
    {"RequestConfirmationBeforeDownloadForce", &Release::confirmDownloadForce,
     static_cast<int>(Override::ConfirmDownloadForce)},
    {"RequestConfirmationBeforeInstall", &Release::confirmInstall, static_cast<int>(Override::ConfirmInstall)},
    {"RequestConfirmationBeforeInstallForce", &Release::confirmInstallForce,
     static_cast<int>(Override::ConfirmInstallForce)},
    {"BackgroundUpdate", &Release::backgroundUpdate, static_cast<int>(Override::BackgroundUpdate)},
    {"RestartProcess", &Release::restartProcess, static_cast<int>(Override::RestartProcess)},
    {"InformFinish", &Release::informFinish, static_cast<int>(Override::InformFinish)},
    {"RemoveStartUpShortcut", &Release::removeStartUpShortcut, -1},
    {"RemoveCheckForNewUpdateShortcut", &Release::removeCheckForNewUpdateShortcut, -1},
};

} // namespace

Release ParseRelease(std::string_view infoText)
{
    const IniText ini(infoText);
    Release r;
    for (const TextKey& t : kTexts)
        r.*t.value = ini.Text(t.section, t.key, "");
    for (const NumberKey& n : kNumbers)
        r.*n.value = ini.Int(n.section, n.key, n.def);
    for (const FlagKey& f : kFlags)
        r.*f.value = FlagText(ini.Text("NewSetup", f.key, "0"));
    r.autoInform = ini.Int("General", "AutoInform", 0) == 1;
    return r;
}

void ApplyOverrides(Release& release, const OverrideBytes& overrides)
{
    for (const FlagKey& f : kFlags)
        if (f.override >= 0)
            release.*f.value = Overridden(overrides, static_cast<Override>(f.override), release.*f.value);
}

CheckedRelease CheckRelease(const std::string& info, const std::string& signature, const PayloadKeys& keys,
                            std::int64_t nowUtc)
{
    CheckedRelease checked;
    if (!keys.Keyed()) {
        checked.usable = true;
        checked.release = ParseRelease(info);
        return checked;
    }
    // Not a value of it is read before it verified.
    const ReleaseVerdict verdict = VerifyRelease(info, signature, keys.keys, nowUtc);
    if (!verdict.Verified()) {
        checked.refusal = verdict.reason;
        return checked;
    }
    checked.usable = true;
    checked.release = ParseRelease(info);
    checked.release.signedUpdate = verdict.update;
    checked.release.signedInform = verdict.inform;
    return checked;
}
