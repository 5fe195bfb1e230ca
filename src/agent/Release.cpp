#include "agent/Release.h"

#include "util/IniText.h"

bool FlagText(const std::string& stored) { return stored == "1"; }

Release ParseRelease(std::string_view infoText)
{
    const IniText ini(infoText);
    const auto text = [&ini](const char* section, const char* key) { return ini.Text(section, key, ""); };
    const auto flag = [&ini](const char* key) { return FlagText(ini.Text("NewSetup", key, "0")); };
    Release r;
    r.downloadUrl = text("NewSetup", "DownloadURL_UPDATE");
    r.nameOfUpdateFile = text("NewSetup", "NameOfUpdateFile");
    r.sizeOfUpdateFile = ini.Int("NewSetup", "SizeOfUpdateFile", 0);
    r.confirmDownload = flag("RequestConfirmationBeforeDownload");
    r.confirmDownloadForce = flag("RequestConfirmationBeforeDownloadForce");
    r.confirmInstall = flag("RequestConfirmationBeforeInstall");
    r.confirmInstallForce = flag("RequestConfirmationBeforeInstallForce");
    r.backgroundUpdate = flag("BackgroundUpdate");
    r.restartProcess = flag("RestartProcess");
    r.informFinish = flag("InformFinish");
    r.shutDownMethod = text("NewSetup", "ShutDownMethod");
    r.runningProcess = text("NewSetup", "RunningProcess");
    r.programName = text("NewSetup", "ProgramName");
    r.versionNew = ini.Int("NewSetup", "VersionNew", 0);
    r.stamp = ini.Int("NewSetup", "Stamp", 0);
    r.validVersions = text("NewSetup", "ValidVersions");
    r.removeStartUpShortcut = flag("RemoveStartUpShortcut");
    r.removeCheckForNewUpdateShortcut = flag("RemoveCheckForNewUpdateShortcut");
    r.autoInform = ini.Int("General", "AutoInform", 0) == 1;
    r.informAddress = text("AutoInform", "DownloadURL_INFORM");
    r.nameOfInformFile = text("AutoInform", "NameOfInformFile");
    r.sizeOfInformFile = ini.Int("AutoInform", "SizeOfInformFile", 0);
    r.informWidth = ini.Int("AutoInform", "AutoInformW", 360);
    r.informHeight = ini.Int("AutoInform", "AutoInformH", 360);
    return r;
}

Release WithOverrides(Release release, const OverrideBytes& overrides)
{
    const auto apply = [&overrides](Override which, bool& flag) { flag = Overridden(overrides, which, flag); };
    apply(Override::ConfirmDownload, release.confirmDownload);
    apply(Override::ConfirmInstall, release.confirmInstall);
    apply(Override::BackgroundUpdate, release.backgroundUpdate);
    apply(Override::InformFinish, release.informFinish);
    apply(Override::RestartProcess, release.restartProcess);
    apply(Override::ConfirmDownloadForce, release.confirmDownloadForce);
    apply(Override::ConfirmInstallForce, release.confirmInstallForce);
    return release;
}
