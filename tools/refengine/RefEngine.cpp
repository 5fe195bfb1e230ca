// Reference setup engine: the smallest program that honours the launcher's engine
// contract, used by the demo and as a sample for suite authors.
//
//   Engine.exe [/Target=FOLDER] [/ExitCode=N] [/KeepAtom] [/WorkMs=N] [/LingerMs=N]
//              [/Record=FILE] [/Version=N] [/ProgramName=TEXT] [/Texts=NAME]
//              [/Original=FILE /StartUpLink=PATH]
//              /TH_ID=TOKEN /OriginExe="PATH" [/AutoUpdateProg] [/OriginalInfoFile="PATH"]
//
// While it works it shows a small window of class ".SDialog_Class_Name." + TOKEN.
// It copies every file of its own folder (the launcher's work folder) into /Target=,
// except itself; an agent copy among them gets its ".original" file beside it, with
// every key of /Texts= (an INI file of the work folder: the agent's texts and captions).
// An update (/OriginalInfoFile=, the agent's ".info" file) installs by default into the
// TargetDir of the ".original" file beside it and leaves that file to the agent, which
// records the new version once the update has completed.
// On success (exit code 0 and no /KeepAtom) it deletes the completion atom
// "AutoUpdateAtomTokenByKalvex" + TOKEN, which the launcher reads as "finished".
// /LingerMs= hands the dialog to a second process that keeps it open that long after
// this one has ended. /Record= appends what the engine received, for tests.
// /Original= names the installed product's description, into which it records
// /StartUpLink= as the start-up shortcut, as an installer that made a new one does.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "payload/GFileInfo.h"
#include "util/CommandLineWin.h"
#include "util/ProcessStart.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

const char kAtomPrefix[] = "AutoUpdateAtomTokenByKalvex";
const char kDialogPrefix[] = ".SDialog_Class_Name.";

std::string g_record;

void Record(const std::string& line)
{
    if (g_record.empty())
        return;
    HANDLE f = CreateFileA(g_record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

// Seconds since 1970 with milliseconds, comparable with the test host's clock.
std::string UnixTimeText()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const unsigned long long ms = (ticks - 116444736000000000ULL) / 10000;
    char text[32];
    wsprintfA(text, "%lu.%03lu", static_cast<unsigned long>(ms / 1000), static_cast<unsigned long>(ms % 1000));
    return text;
}

LRESULT CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER) {
        KillTimer(wnd, 1);
        DestroyWindow(wnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

// Shows the engine dialog for the given time, keeping its messages flowing.
void ShowDialog(const std::string& token, UINT milliseconds, bool visible)
{
    const std::string cls = kDialogPrefix + token;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DialogProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = cls.c_str();
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, cls.c_str(), "Setup", WS_OVERLAPPED | WS_CAPTION, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                               120, nullptr, nullptr, wc.hInstance, nullptr);
    if (!wnd)
        return;
    CreateWindowExA(0, "STATIC", "Installing...", WS_CHILD | WS_VISIBLE, 16, 24, 280, 20, wnd, nullptr, wc.hInstance,
                    nullptr);
    if (visible)
        ShowWindow(wnd, SW_SHOWNORMAL);
    SetTimer(wnd, 1, milliseconds ? milliseconds : 1, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool IsAgentCopy(const std::string& path)
{
    TGFileInfo info(path);
    return info.IsUpdateAgent();
}

// Every key of the INI file texts into original: what a product's installer adds to its
// description for the agent (message texts, box captions, the check interval).
bool CopyKeys(const std::string& texts, const std::string& original)
{
    bool ok = true;
    // Both calls fill a block of NUL-ended strings ended by an empty one.
    std::vector<char> sections(32768), entries(32768);
    GetPrivateProfileSectionNamesA(sections.data(), static_cast<DWORD>(sections.size()), texts.c_str());
    for (const char* section = sections.data(); *section; section += lstrlenA(section) + 1) {
        std::fill(entries.begin(), entries.end(), '\0');
        GetPrivateProfileSectionA(section, entries.data(), static_cast<DWORD>(entries.size()), texts.c_str());
        for (const char* e = entries.data(); *e; e += lstrlenA(e) + 1) {
            const std::string entry = e;
            const size_t eq = entry.find('=');
            if (eq != std::string::npos)
                ok = WriteIniString(original, section, entry.substr(0, eq), entry.substr(eq + 1)) && ok;
        }
    }
    return ok;
}

// Writes the installed product's description beside an agent copy; false when a value
// could not be written (the installation then reports failure).
bool WriteOriginal(const std::string& agentPath, const std::string& target, const std::string& version,
                   const std::string& programName)
{
    TGFileInfo info(agentPath);
    const std::string original = WithBackslash(target, true) + info.InstalledInfoName();
    const std::string texts = SwitchValue("/Texts=", "");
    bool ok = texts.empty() || CopyKeys(ProgramFolder(true) + texts, original);
    ok = WriteIniString(original, "OriginalSetup", "VersionOriginal", version) && ok;
    ok = WriteIniString(original, "OriginalSetup", "ProgramName", programName) && ok;
    ok = WriteIniString(original, "Directories", "TargetDir", target) && ok;
    Record((ok ? "ORIGINAL " : "FAILED ") + original);
    return ok;
}

// The installed product's folder, from the ".original" file beside the agent's ".info".
std::string InstalledTarget(const std::string& infoPath)
{
    const std::string name = FileNamePart(infoPath);
    const std::string folder = infoPath.substr(0, infoPath.size() - name.size());
    const std::string original = folder + FileTitle(name, true) + ".original";
    return ReadIniString(original, "Directories", "TargetDir", "");
}

// Copies the files of a folder of the work folder (relative path rel, "" for the top)
// into the same place under the target; false when one copy failed. version empty:
// the agent copies get no ".original" of their own (an update keeps the installed one).
bool Install(const std::string& workFolder, const std::string& rel, const std::string& self, const std::string& target,
             const std::string& version, const std::string& programName)
{
    const std::string into = WithBackslash(target, true) + rel;
    CreateDirectoryA(into.c_str(), nullptr);
    bool ok = true;
    WIN32_FIND_DATAA fd;
    ScopedFind find(FindFirstFileA((workFolder + rel + "*").c_str(), &fd));
    if (!find)
        return false;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = Install(workFolder, rel + name + "\\", self, target, version, programName) && ok;
            continue;
        }
        const std::string source = workFolder + rel + name;
        if (lstrcmpiA(source.c_str(), self.c_str()) == 0)
            continue;
        const std::string dest = into + name;
        if (!CopyFileA(source.c_str(), dest.c_str(), FALSE)) {
            Record("FAILED " + rel + name);
            ok = false;
            continue;
        }
        Record("INSTALLED " + rel + name);
        if (!version.empty() && IsAgentCopy(dest))
            ok = WriteOriginal(dest, target, version, programName) && ok;
    } while (FindNextFileA(find.get(), &fd));
    return ok;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show)
{
    g_record = SwitchValue("/Record=", "");
    const std::string token = SwitchValue("/TH_ID=", "");
    const int exitCode = static_cast<int>(SwitchInt("/ExitCode=", 0));

    const std::string lingerOnly = SwitchValue("/DialogOnly=", "");
    if (!lingerOnly.empty()) { // the second process of /LingerMs=
        ShowDialog(token, static_cast<UINT>(SwitchInt("/DialogOnly=", 0)), false);
        Record("DIALOGCLOSED " + UnixTimeText());
        return 0;
    }

    Record("COMMANDLINE " + std::string(GetCommandLineA()));
    Record(std::string("SHOW ") + (show == SW_HIDE ? "hidden" : "shown"));

    const std::string self = ProgramPath(false);
    const std::string workFolder = ProgramFolder(true);
    const std::string infoFile = SwitchValue("/OriginalInfoFile=", "");
    if (!infoFile.empty())
        Record("ORIGINALINFO " + infoFile);
    const std::string target = SwitchValue("/Target=", infoFile.empty() ? "" : InstalledTarget(infoFile));
    bool ok = true;
    ShowDialog(token, static_cast<UINT>(SwitchInt("/WorkMs=", 300)), show != SW_HIDE);
    if (!target.empty())
        ok = Install(workFolder, "", self, target, infoFile.empty() ? SwitchValue("/Version=", "1") : "",
                     SwitchValue("/ProgramName=", ""));

    const std::string original = SwitchValue("/Original=", "");
    if (!original.empty()) {
        const bool relinked = WriteIniString(original, "UnInstall", "StartUpLink", SwitchValue("/StartUpLink=", ""));
        Record((relinked ? "RELINKED " : "FAILED ") + original);
        ok = relinked && ok;
    }

    const INT64 linger = SwitchInt("/LingerMs=", 0);
    if (linger > 0) {
        const std::string arguments =
            "/DialogOnly=" + std::to_string(linger) + " /TH_ID=" + token + " \"/Record=" + g_record + "\"";
        if (StartProcess({self, arguments}))
            Sleep(300); // let the dialog appear before this process ends
    }

    if (ok && exitCode == 0 && !HasSwitch("/KeepAtom") && !token.empty()) {
        const ATOM atom = GlobalFindAtomA((kAtomPrefix + token).c_str());
        if (atom)
            GlobalDeleteAtom(atom);
        Record("ATOM deleted");
    }
    Record("EXIT " + std::to_string(exitCode));
    return exitCode;
}
