#include "launcher/StubSetup.h"

#include "launcher/EngineCommand.h"
#include "launcher/ExitCodes.h"
#include "launcher/LauncherWindow.h"
#include "launcher/RunContext.h"
#include "launcher/SetupTexts.h"
#include "launcher/StartupShortcut.h"
#include "payload/FileReader.h"
#include "payload/GFileInfo.h"
#include "payload/PayloadEntry.h"
#include "payload/PayloadTrailer.h"
#include "payload/UnPack.h"
#include "payload/WorkFolder.h"
#include "trust/HeldFileWin.h"
#include "ui/KMsgBox.h"
#include "ui/KProgBar.h"
#include "ui/MsgBoxLayout.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/PrivateAccessWin.h"
#include "util/ProcessStart.h"
#include "util/ScopedWin.h"
#include "util/ShellDirWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

constexpr const char* kButtons = kDefaultButtonList;
constexpr DWORD kEnginePollMs = 500;
// How long the engine's dialog may outlive the engine: its class name is easy to guess, and
// a window of that name that nobody closes (a hung helper's, or one made to hold the
// launcher) must not keep the run from ending.
constexpr int64_t kEngineDialogWaitMs = 5 * 60 * 1000;
// The shell's ids of the user's and all users' Startup folders (CSIDL_STARTUP,
// CSIDL_COMMON_STARTUP).
constexpr int kStartupFolder = 7;
constexpr int kCommonStartupFolder = 24;

// The update's shortcuts to remove, as far as they are start-up shortcuts: the names come
// from description files, which must not make the launcher delete anything else.
void RemoveCompleted(const std::vector<std::string>& files)
{
    if (files.empty())
        return;
    const ShellFolderSource shell = SystemShellFolders();
    const auto folder = [&shell](int id) {
        const std::string path = shell.folderPath(id);
        return path.empty() ? shell.specialFolderPath(id) : path;
    };
    const std::vector<std::string> startup{folder(kStartupFolder), folder(kCommonStartupFolder)};
    for (const std::string& file : files) {
        if (IsStartupShortcut(file, startup))
            DeleteFileA(file.c_str());
        else if (!file.empty())
            TraceLine(ProcessIdText(), " ==== kept, no start-up shortcut: ", file);
    }
}

// A setup's program (the engine, or the update setup) that did not start: the run's end.
SetupOutcome NotStarted(LauncherWindow& view, const SetupRequest& request, const ProcessStart& start, DWORD error)
{
    TraceLine(ProcessIdText(), " ==== not started: ", start.program, " ", error, " ", ErrorText(error));
    // Declined consent is the user's answer, not a fault to report.
    const bool declined = error == ERROR_CANCELLED;
    if (request.foreground && !declined)
        MsgError(view.Owner(), start.program + "<P><P>Unable to start Setup!<P><P>" + ErrorText(error));
    return {declined ? kExitUserCancelled : kExitEngineNotStarted, false};
}

// Starts the engine for the run target and waits for it and its dialog; the outcome
// carries its exit code and whether it removed the completion atom.
SetupOutcome RunEngine(LauncherWindow& view, const SetupRequest& request, const std::string& workFolder,
                       const std::string& runTarget)
{
    EngineLaunch launch;
    launch.workFolder = workFolder;
    launch.runTarget = runTarget;
    launch.extraArgs = request.extraArgs;
    launch.token = EngineToken(GetCurrentThreadId());
    launch.launcherPath = ProgramPath(false);
    launch.agentMode = request.agentUpdate;
    const std::string commandLine = EngineCommandLine(launch);
    TraceLine(ProcessIdText(), " ==== WinExec(Engine.exe) >>", commandLine, "<<");

    const ProcessStart start{EngineProgramPath(launch), EngineArguments(launch),
                             static_cast<WORD>(request.foreground ? SW_SHOW : SW_HIDE), false};
    // The engine reports completion by deleting the atom: one that was never added would
    // read as completion, so without it the engine does not start.
    const std::string atomName = CompletionAtomName(launch.token);
    ScopedAtom atom(GlobalAddAtomA(atomName.c_str()));
    StartedProcess engine;
    if (!atom)
        engine.error = SysResult::LastError().error;
    else
        engine = StartProcess(start);
    switch (EngineElevationStep(request.needsRights, engine.error, RunsElevated())) {
    case ElevationStep::None: break;
    case ElevationStep::ElevateEngine: engine = StartElevated(start); break;
    case ElevationStep::RelaunchLauncher:
        TraceLine(ProcessIdText(), " ==== the engine asks for administrator rights: not started from ", workFolder);
        return {0, false, true};
    }
    if (!engine)
        return NotStarted(view, request, start, engine.error);
    view.Hide();
    SleepPumping(0, 1000);
    SetupOutcome outcome;
    outcome.exitCode = WaitForProcessPumping(engine.process.get(), kEnginePollMs);
    if (!WaitWhileWindowExists(EngineDialogClass(launch.token), "", kEngineDialogWaitMs))
        TraceLine(ProcessIdText(), " ==== the engine's dialog is still open after ", kEngineDialogWaitMs / 1000,
                  " seconds: not waited for any longer");
    SleepPumping(0, 1000);

    outcome.completed = GlobalFindAtomA(atomName.c_str()) == 0;
    // Deleted by the engine: nothing of ours is left to delete.
    if (outcome.completed)
        atom.release();
    else
        atom.reset();
    if (outcome.completed) {
        RemoveCompleted(request.removeWhenCompleted);
    } else if (outcome.exitCode == 0) {
        // A killed engine ends with 0 under some systems and killers, without having
        // finished: that is no success to report.
        TraceLine(ProcessIdText(), " ==== the engine ended with 0 but did not finish its work");
        outcome.exitCode = kExitFailed;
    }
    return outcome;
}

} // namespace

bool WriteWebAgentCopy(const std::string& launcher, const std::string& workFolder, const std::string& agentName)
{
    if (!IsSafeEntryName(agentName)) {
        TraceLine(ProcessIdText(), " ==== refused agent name >>", agentName, "<<");
        return false;
    }
    if (workFolder.empty())
        return false;
    std::string file = ReadFileRange(launcher, 0, 0);
    if (file.empty())
        return false;
    TFileReader reader(launcher);
    // Its code signature is cut, however long; any other tail is not ours to mark.
    const std::optional<std::string> image =
        WebAgentCopy(std::move(file), static_cast<uint32_t>(StoredPayloadEnd(reader)));
    if (!image) {
        TraceLine(ProcessIdText(), " ==== no agent copy: the launcher ends in bytes that are no signature of it");
        return false;
    }
    const std::string path = WithBackslash(workFolder, true) + agentName;
    if (const SysResult written = WriteFileData(path, *image, FileDosStamp(launcher), false); !written) {
        TraceLine(ProcessIdText(), " ==== agent copy not written: ", path, " ", ErrorText(written.error));
        return false;
    }
    return true;
}

bool ForcePromptSetting()
{
    return ReadRegistryValue("HKEY_CURRENT_USER\\Software\\Morbrook\\Kalvex\\SpanDisk", "ForcePrompt", "0") == "1";
}

bool SpaceConfirm(LauncherWindow& view, const std::string& workFolder, const TGFileInfo& info)
{
    const std::string message = SpaceConfirmText(
        workFolder, info.AlwaysShowTempDrive(), info.RequiredSpace(workFolder), FreeBytes(workFolder),
        [&info](const std::string& key, const std::string& def) { return info.LocalizedText(key, def); });
    if (message.empty())
        return true;
    return MsgConfirmYesNo(view.Owner(), message, info.LocalizedText("Confirm", "Confirm"),
                           info.LocalizedText("BtnText", kButtons), static_cast<std::uint8_t>(info.Charset()));
}

SetupOutcome SetupRun(LauncherWindow& view, const RunContext& run, const SetupRequest& request)
{
    // An update the agent cannot write beside: nothing is unpacked where the agent (and
    // whatever else runs as its user) can write, for no engine from there may run elevated.
    if (EngineElevationStep(request.needsRights, 0, RunsElevated()) == ElevationStep::RelaunchLauncher) {
        TraceLine(ProcessIdText(), " ==== the engine needs rights: nothing unpacked here");
        return {0, false, true};
    }
    // No folder of the run's own could be made: nothing is unpacked anywhere else.
    if (request.workFolder.empty())
        return {kExitWorkFolderFailed, false};
    std::string workFolder = request.workFolder;
    const TGFileInfo info(request.sourceFile);
    if (info.ShowProgress())
        view.ShowActivityBar();
    view.SetLabel(info.LocalizedText("s1", "Extracting Files..."), info.FontName(), info.Charset(), info.FontSize());

    // Removed however the run ends.
    const auto removeAlternative = defer(RemoveAlternativeWorkFolder);
    const bool exists = PathExists(workFolder);
    if ((!(info.RequiredSpace(workFolder) < FreeBytes(workFolder)) || !exists) && FindRoomierTempDrive()) {
        const std::string alternative = AlternativeWorkFolder();
        if (!alternative.empty())
            workFolder = alternative;
    }
    TraceLine("========= ForegroundOp=", request.foreground, " ==========");

    if (request.foreground && !SpaceConfirm(view, workFolder, info))
        return {kExitUserCancelled, false};
    const std::uint8_t charset = static_cast<std::uint8_t>(info.Charset());
    ExtractRequest extract;
    extract.archivePath = request.sourceFile;
    // The launcher's own payload has its later volumes where the run says (the disk, for
    // the copy from removable disks).
    if (request.sourceFile == ProgramPath(false))
        extract.volumeBase = run.volumeBase;
    extract.hashVolume = Sha256OfHandle;
    extract.workFolder = WithoutBackslash(workFolder);
    extract.agentFileName = request.agentName;
    extract.diskPrompt = info.LocalizedText("s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue");
    extract.promptTitle = info.LocalizedText("Attention", "Attention");
    extract.buttons = info.LocalizedText("BtnText", kButtons);
    extract.charset = charset;
    extract.forcePrompt = ForcePromptSetting();
    extract.quiet = !request.foreground;
    extract.progress = ProgressSink;

    if (request.foreground)
        view.Show();
    SleepPumping(0, 1000);
    const ExtractResult extracted = ExtractPayload(extract);
    // A damaged entry ends the run at once, its files unused.
    if (extracted.damagedEntry != 0)
        return {kExitFailed, false};
    SleepPumping(0, 1000);

    if (!extracted.checksumOk) {
        if (request.foreground)
            MsgError(view.Owner(),
                     info.LocalizedText("s7", "Bad CRC!<P>This indicates that your setup file might be corrupted..."),
                     info.LocalizedText("Error", "Error"), info.LocalizedText("BtnText", kButtons), charset);
        return {kExitDamagedSetup, false};
    }
    if (extracted.cancelled)
        return {kExitUserCancelled, false};
    if (extracted.folderFailed)
        return {kExitWorkFolderFailed, false};
    // An engine started without all of its files would install a broken product and could
    // report success: a failed extraction starts nothing.
    if (extracted.writeFailures > 0 || extracted.incomplete)
        return {kExitFailed, false};
    if (!extracted.runTarget.empty())
        return RunEngine(view, request, workFolder, extracted.runTarget);
    return {};
}

SetupOutcome RunUpdateElevated(LauncherWindow& view, const SetupRequest& request, const std::string& agentPath)
{
    const ProcessStart start{request.sourceFile,
                             AgentUpdateArguments(request.extraArgs, agentPath, request.agentName, request.foreground),
                             static_cast<WORD>(request.foreground ? SW_SHOWNORMAL : SW_HIDE), true};
    TraceLine(ProcessIdText(), " ==== the update setup started through the consent prompt >>",
              ProcessCommandLine(start), "<<");
    // In the agent's current folder, where its engine would have started.
    const StartedProcess setup = StartElevated(start, CurrentFolder());
    if (!setup)
        return NotStarted(view, request, start, setup.error);
    view.Hide();
    SetupOutcome outcome;
    outcome.exitCode = WaitForProcessPumping(setup.process.get(), kEnginePollMs);
    // Its launcher ends with 0 only when its engine removed the completion atom.
    outcome.completed = outcome.exitCode == 0;
    TraceLine(ProcessIdText(), " ==== the update setup ended with ", outcome.exitCode);
    if (outcome.completed)
        RemoveCompleted(request.removeWhenCompleted);
    return outcome;
}
