#include "launcher/StubSetup.h"

#include "agent/DownloadRules.h"
#include "agent/HtmlErrorPage.h"
#include "agent/InetHTTP.h"
#include "agent/StubAUInfoFiles.h"
#include "launcher/ExitCodes.h"
#include "launcher/EngineCommand.h"
#include "launcher/ExitCodes.h"
#include "util/FilesWin.h"
#include "launcher/SetupTexts.h"
#include "launcher/RunContext.h"
#include "launcher/StubWin.h"
#include "payload/FileReader.h"
#include "payload/GFileInfo.h"
#include "payload/PayloadEntry.h"
#include "payload/PayloadTrailer.h"
#include "payload/UnPack.h"
#include "payload/WorkFolder.h"
#include "payload/ZInflate.h"
#include "ui/KMsgBox.h"
#include "ui/KProgBar.h"
#include "ui/MsgBoxLayout.h"
#include "util/Guard.h"
#include "util/KDebug.h"
#include "util/ProcessStart.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

constexpr const char* kButtons = kDefaultButtonList;
constexpr DWORD kEnginePollMs = 500;

void WaitForEngineDialog(const std::string& dialogClass)
{
    while (FindWindowA(dialogClass.c_str(), nullptr)) {
        YieldX(0);
        Sleep(100);
    }
    SleepPumping(0, 1000);
}

// The installed product's shortcuts, read before the engine runs: an engine that
// installs rewrites the description, and the shortcuts to remove are the old ones.
struct Shortcuts {
    std::string startUp;
    std::string checkLink;
};

Shortcuts ReadShortcuts() { return {ReadInfoText(Keys::StartUpLink), ReadInfoText(Keys::CheckforNewUpdateLink)}; }

void RemoveShortcuts(const Shortcuts& links)
{
    if (ReadInfoFlag(Keys::RemoveStartUpShortcut) && PathExists(links.startUp))
        DeleteFileA(links.startUp.c_str());
    if (ReadInfoFlag(Keys::RemoveCheckForNewUpdateShortcut) && PathExists(links.checkLink))
        DeleteFileA(links.checkLink.c_str());
}

// Starts the engine for the run target and waits for it and its dialog; true when it
// removed the completion atom. The engine's exit code goes to the run.
bool RunEngine(RunContext& run, const std::string& workFolder, const std::string& runTarget,
               const std::string& extraArgs, bool foreground)
{
    EngineLaunch launch;
    launch.workFolder = workFolder;
    launch.runTarget = runTarget;
    launch.extraArgs = extraArgs;
    launch.token = EngineToken(GetCurrentThreadId());
    launch.launcherPath = ProgramPath(false);
    launch.agentMode = run.agentRun;
    const std::string commandLine = EngineCommandLine(launch);
    TraceLine(ProcessIdText(), " ==== WinExec(Engine.exe) >>", commandLine, "<<");

    const Shortcuts links = ReadShortcuts();
    const std::string atomName = CompletionAtomName(launch.token);
    GlobalAddAtomA(atomName.c_str());
    const ProcessStart start{EngineProgramPath(launch), EngineArguments(launch),
                             static_cast<WORD>(foreground ? SW_SHOW : SW_HIDE), false};
    const StartedProcess engine = StartProcessOrElevate(start);
    if (!engine) {
        GlobalDeleteAtom(GlobalFindAtomA(atomName.c_str()));
        TraceLine(ProcessIdText(), " ==== engine not started: ", engine.error, " ", ErrorText(engine.error));
        // Declined consent is the user's answer, not a fault to report.
        const bool declined = engine.error == ERROR_CANCELLED;
        run.exitCode = declined ? kExitUserCancelled : kExitEngineNotStarted;
        if (foreground && !declined)
            MsgError(reinterpret_cast<std::uintptr_t>(MainWindow()),
                     start.program + "<P><P>Unable to start Setup!<P><P>" + ErrorText(engine.error));
        return false;
    }
    HideMainWindow();
    SleepPumping(0, 1000);
    run.exitCode = WaitForProcessPumping(engine.process.get(), kEnginePollMs);
    WaitForEngineDialog(EngineDialogClass(launch.token));

    const ATOM atom = GlobalFindAtomA(atomName.c_str());
    const bool finished = atom == 0;
    if (atom)
        GlobalDeleteAtom(atom);
    if (finished) {
        RemoveShortcuts(links);
    } else if (run.exitCode == 0) {
        // A killed engine ends with 0 under some systems and killers, without having
        // finished: that is no success to report.
        TraceLine(ProcessIdText(), " ==== the engine ended with 0 but did not finish its work");
        run.exitCode = kExitFailed;
    }
    return finished;
}

} // namespace

bool WriteWebAgentCopy(const std::string& launcher, const std::string& workFolder, const std::string& agentName)
{
    if (!IsSafeEntryName(agentName)) {
        TraceLine(ProcessIdText(), " ==== refused agent name >>", agentName, "<<");
        return false;
    }
    std::string image = ReadFileRange(launcher, 0, 0);
    if (image.empty())
        return false;
    TFileReader reader(launcher);
    const uint64_t end = static_cast<uint32_t>(StoredPayloadEnd(reader));
    // Only a short tail (a signature) is cut: a larger one means the stored end is not ours.
    if (end < image.size() && image.size() - end < 10000)
        image.resize(static_cast<std::size_t>(end));
    MarkAsAgent(image);
    const std::string path = WithBackslash(workFolder, true) + agentName;
    if (const SysResult written = WriteFileData(path, image, FileDosStamp(launcher), false); !written) {
        TraceLine(ProcessIdText(), " ==== agent copy not written: ", path, " ", ErrorText(written.error));
        return false;
    }
    return true;
}

bool ForcePromptSetting()
{
    return ReadRegistryValue("HKEY_CURRENT_USER\\Software\\Morbrook\\Kalvex\\SpanDisk", "ForcePrompt", "0") == "1";
}

bool SpaceConfirm(const std::string& workFolder, const TGFileInfo& info)
{
    const std::string message = SpaceConfirmText(
        workFolder, info.AlwaysShowTempDrive(), info.RequiredSpace(workFolder), FreeBytes(workFolder),
        [&info](const std::string& key, const std::string& def) { return info.LocalizedText(key, def); });
    if (message.empty())
        return true;
    return MsgConfirmYesNo(reinterpret_cast<std::uintptr_t>(MainWindow()), message,
                           info.LocalizedText("Confirm", "Confirm"), info.LocalizedText("BtnText", kButtons),
                           static_cast<std::uint8_t>(info.Charset()));
}

bool SetupRun(RunContext& run, const std::string& workFolderIn, const std::string& sourceFile, const std::string& agentName,
              const std::string& extraArgs, bool foreground)
{
    std::string workFolder = workFolderIn;
    const TGFileInfo info(sourceFile);
    if (info.ShowProgress())
        ShowActivityBar();
    SetMainLabel(info.LocalizedText("s1", "Extracting Files..."), info.FontName(), info.Charset(), info.FontSize());

    // Removed however the run ends, a damaged payload's exception included.
    const auto removeAlternative = defer(RemoveAlternativeWorkFolder);
    const bool exists = PathExists(workFolder);
    if ((!(info.RequiredSpace(workFolder) < FreeBytes(workFolder)) || !exists) && FindRoomierTempDrive()) {
        const std::string alternative = AlternativeWorkFolder();
        if (!alternative.empty())
            workFolder = alternative;
    }
    TraceLine("========= ForegroundOp=", foreground, " ==========");

    if (foreground && !SpaceConfirm(workFolder, info)) {
        run.exitCode = kExitUserCancelled;
        return false;
    }
    const std::uint8_t charset = static_cast<std::uint8_t>(info.Charset());
    ExtractRequest request;
    request.archivePath = sourceFile;
    request.workFolder = WithoutBackslash(workFolder);
    request.agentFileName = agentName;
    request.diskPrompt = info.LocalizedText("s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue");
    request.promptTitle = info.LocalizedText("Attention", "Attention");
    request.buttons = info.LocalizedText("BtnText", kButtons);
    request.charset = charset;
    request.forcePrompt = ForcePromptSetting();
    request.quiet = !foreground;
    request.progress = ProgressSink;

    if (foreground)
        ShowMainWindow();
    SleepPumping(0, 1000);
    const ExtractResult extracted = ExtractPayload(request);
    SleepPumping(0, 1000);

    if (!extracted.checksumOk) {
        run.exitCode = kExitDamagedSetup;
        if (foreground)
            MsgError(reinterpret_cast<std::uintptr_t>(MainWindow()),
                     info.LocalizedText("s7", "Bad CRC!<P>This indicates that your setup file might be corrupted..."),
                     info.LocalizedText("Error", "Error"), info.LocalizedText("BtnText", kButtons), charset);
        return false;
    }
    if (extracted.cancelled)
        run.exitCode = kExitUserCancelled;
    else if (extracted.folderFailed)
        run.exitCode = kExitWorkFolderFailed;
    // An engine started without all of its files would install a broken product and could
    // report success: a failed extraction starts nothing.
    else if (extracted.writeFailures > 0 || extracted.incomplete)
        run.exitCode = kExitFailed;
    else if (!extracted.runTarget.empty())
        return RunEngine(run, workFolder, extracted.runTarget, extraArgs, foreground);
    return false;
}

void WebSetupRun(RunContext& run, const std::string& workFolder, const std::string& source,
                 const std::string& fileName)
{
    const TGFileInfo& own = run.own;
    const TextLookup text = [&own](const std::string& key, const std::string& def) {
        return own.LocalizedText(key, def);
    };
    const std::uint8_t charset = static_cast<std::uint8_t>(own.Charset());
    const std::string buttons = text("BtnText", kButtons);
    const std::string url = source + "/" + fileName;
    const std::string candidate = WithBackslash(source, true) + fileName;
    const bool hidden = HasSwitch("/hide") || own.RunHidden();
    // "!" marks a declined download: no message is due.
    std::string error;
    bool downloaded = false;
    std::string setupPath = candidate;

    // The name comes from the payload and becomes a path in the temp folder.
    if (!IsSafeEntryName(fileName)) {
        TraceLine(ProcessIdText(), " ==== refused setup file name >>", fileName, "<<");
        error = DownloadDisplayName(url) + " --- Error downloading file (refused name)";
    } else if (!FileExists(candidate)) {
        SetMainLabel(text("s10", "Downloading File..."), own.FontName(), own.Charset(), own.FontSize());
        if (own.ConfirmDownload() && !hidden &&
            !MsgConfirmYesNo(reinterpret_cast<std::uintptr_t>(MainWindow()),
                             DownloadConfirmText(own.DownloadSize(), text), text("Confirm", "Confirm"), buttons,
                             charset))
            error = "!";
        std::string reason;
        if (!HTTP_IsConnected(reason)) {
            error = text("s12", "No valid Internet Connection.<p>Can not Download File!");
            if (!reason.empty())
                error += "<P><P>" + reason;
        }
        ClearDownloadAbort();
        setupPath = TempFolder(true) + fileName;
        if (error.empty()) {
            error = HTTP_DownloadFile_Incremental(hidden ? nullptr : MainWindow(), url, setupPath, nullptr,
                                                  &SharedProgBar());
            downloaded = error.empty();
            // A transfer cut short without an error from the server leaves no file: that
            // is a failed download, not a setup with a foreign token.
            if (downloaded && !FileExists(setupPath))
                error = DownloadDisplayName(url) + " --- Error downloading file";
        }
        SleepPumping(0, 300);
        ProgressSink(0, 0, 10, 0, 1, std::string());
        SleepPumping(0, 700);
    }

    if (error.empty()) {
        const TGFileInfo fetched(setupPath);
        if (!fetched.SameDownloadToken(own))
            error = HtmlNotFoundMessage(HtmlPageStart(setupPath), url, "Bad Secret Token!", false);
    }
    if (error.empty())
        SetupRun(run, workFolder, setupPath, std::string(), CommandArgs(), !hidden);
    if (downloaded)
        DeleteFileA(setupPath.c_str());
    if (error == "!") {
        run.exitCode = kExitUserCancelled;
    } else if (!error.empty()) {
        run.exitCode = kExitDownloadFailed;
        TraceLine(ProcessIdText(), " ==== WebSetupRun: ", error);
        MsgError(reinterpret_cast<std::uintptr_t>(MainWindow()), error, text("Error", "Error"), buttons, charset);
    }
}

void SetupTick(HWND window, RunContext& run)
{
    KillTimer(window, 1);
    const TGFileInfo& own = run.own;
    const std::string agentName = own.WriteUpdateAgent() ? own.AgentFileName() : std::string();
    const std::string workFolder = WorkFolder();
    // An EZLibError, or an entry too large to hold, ends the run like any other end.
    const bool ran = Guarded("SetupRun", [&] {
        if (own.WebDownload()) {
            if (!agentName.empty())
                WriteWebAgentCopy(ProgramPath(false), workFolder, agentName);
            // A setup file beside the launcher is used unless the payload demands a download.
            const std::string fileName = own.DownloadFileName();
            const std::string source = !own.AlwaysDownload() && FileExists(ProgramFolder(true) + fileName)
                                           ? ProgramFolder(false)
                                           : own.DownloadUrl();
            WebSetupRun(run, workFolder, source, fileName);
        } else {
            const std::string span = SwitchValue("/SpanDiskFName1=", "");
            const std::string source = span.empty() ? ProgramPath(false) : span;
            const bool hidden = HasSwitch("/hide") || own.RunHidden();
            SetupRun(run, workFolder, source, agentName, CommandArgs(), !hidden);
        }
    });
    if (!ran)
        run.exitCode = kExitFailed;
    RemoveWorkFolder();
    PostQuitMessage(0);
}
