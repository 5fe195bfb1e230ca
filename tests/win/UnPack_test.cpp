#include "payload/UnPack.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <vector>

#include "payload/PayloadEntry.h"
#include "payload/PayloadTrailer.h"
#include "trust/HeldFileWin.h"
#include "util/FilesWin.h"

namespace {

// ---- files and programs ---------------------------------------------------------------

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A file stamp that survives the 2-second steps of the DOS form: 2021-06-15 10:20:00 local
// time plus 2 x n seconds.
uint32_t TestStamp(int n)
{
    return (41u << 25 | 6u << 21 | 15u << 16) | (10u << 11 | 20u << 5) | static_cast<uint32_t>(n);
}

void SetStamp(const std::string& path, uint32_t stamp)
{
    FILETIME local, utc;
    DosDateTimeToFileTime(static_cast<WORD>(stamp >> 16), static_cast<WORD>(stamp), &local);
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
}

int64_t SecondsApart(uint32_t a, uint32_t b)
{
    FILETIME fa{}, fb{};
    DosDateTimeToFileTime(static_cast<WORD>(a >> 16), static_cast<WORD>(a), &fa);
    DosDateTimeToFileTime(static_cast<WORD>(b >> 16), static_cast<WORD>(b), &fb);
    const int64_t ta = static_cast<int64_t>(fa.dwHighDateTime) << 32 | fa.dwLowDateTime;
    const int64_t tb = static_cast<int64_t>(fb.dwHighDateTime) << 32 | fb.dwLowDateTime;
    return (ta > tb ? ta - tb : tb - ta) / 10000000;
}

uint32_t DosStamp(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME utc{}, local{};
    WORD date = 0, time = 0;
    if (h != INVALID_HANDLE_VALUE) {
        GetFileTime(h, nullptr, nullptr, &utc);
        CloseHandle(h);
    }
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    return static_cast<uint32_t>(date) << 16 | time;
}

// Deterministic bytes that do not compress.
std::string Noise(size_t size, uint32_t seed)
{
    std::string s(size, '\0');
    for (char& c : s) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return s;
}

// The Windows build tree: this program lives in tests\win of it.
std::string WinTree()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    for (int i = 0; i < 3; ++i)
        p.erase(p.find_last_of('\\'));
    return p;
}

std::string LauncherPath() { return WinTree() + "\\src\\launcher\\launcher.exe"; }

int64_t SizeOf(const std::string& path) { return FindFileSize(path); }

int Run(std::string commandLine)
{
    // Its list of volumes is not needed: the output goes nowhere.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = nul;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(nul);
    if (!started)
        return -1;
    DWORD code = 1;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

// A fresh folder for one test, removed afterwards.
class Scratch {
public:
    Scratch()
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::string(temp) + "unpack_" + info->name() + "_" + std::to_string(GetCurrentProcessId());
        DeleteTree(path_, true);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~Scratch() { DeleteTree(path_, true); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// ---- payloads ---------------------------------------------------------------------------

struct SourceFile {
    std::string name; // in the work folder
    std::string content;
};

// Writes the sources and a manifest, runs the project's builder and returns the volumes.
std::vector<std::string> Build(const Scratch& dir, const std::vector<SourceFile>& files, const std::string& setupKeys,
                               const std::string& sections = "")
{
    // Extraction cases need no run target: the manifest says so.
    std::string manifest = "[Setup]\nLauncher=" + LauncherPath() + "\nOutput=" + (dir / "setup.exe") +
                           "\nRunsNothing=1\n" + setupKeys + "\n" + sections + "\n[Files]\n";
    CreateDirectoryA((dir / "src").c_str(), nullptr);
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string source = dir / ("src\\" + std::to_string(i));
        WriteAll(source, files[i].content);
        SetStamp(source, TestStamp(static_cast<int>(i)));
        manifest += files[i].name + "=" + source + "\n";
    }
    WriteAll(dir / "manifest.ini", manifest);
    const int code = Run("\"" + WinTree() + "\\tools\\builder\\builder.exe\" \"" + (dir / "manifest.ini") + "\"");
    EXPECT_EQ(code, 0) << manifest;
    std::vector<std::string> volumes{dir / "setup.exe"};
    for (int n = 2; Exists(dir / ("setup.exe.00" + std::to_string(n))); ++n)
        volumes.push_back(dir / ("setup.exe.00" + std::to_string(n)));
    return volumes;
}

struct Block {
    int32_t length;
    std::string bytes;
};

Block Compressed(const std::string& header, const std::string& content)
{
    const std::string entry = header + std::string(1, '\0') + content;
    uLongf size = compressBound(static_cast<uLong>(entry.size()));
    std::string z(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&z[0]), &size, reinterpret_cast<const Bytef*>(entry.data()),
              static_cast<uLong>(entry.size()), 9);
    z.resize(size);
    return {static_cast<int32_t>(z.size()), z};
}

Block Stored(const std::string& header, const std::string& content)
{
    const std::string entry = header + std::string(1, '\0') + content;
    return {-static_cast<int32_t>(entry.size()), entry};
}

std::string U32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// A payload after a stand-in image (not an executable), made by hand so that it can be
// as damaged as a test needs. Its checksum is the value that always passes.
std::string Crafted(const std::vector<Block>& blocks, uint32_t filesCount)
{
    std::string image(300, 'i');
    std::string bytes = image;
    for (const std::string& header : {std::string("|"), std::string("|http:|.info|.exe|tok|0|")})
        bytes += U32(static_cast<uint32_t>(header.size())) + header;
    for (const Block& b : blocks)
        bytes += U32(static_cast<uint32_t>(b.length)) + b.bytes;
    PayloadTrailer t;
    std::memset(&t, 0, sizeof t);
    t.formatByte = 1;
    t.headerStringCount = 2;
    t.payloadStart = static_cast<int32_t>(image.size());
    t.filesCount = filesCount;
    t.magic = kPayloadMagic;
    t.checksum = kNoChecksum;
    t.length = kTrailerLength;
    return bytes + std::string(reinterpret_cast<const char*>(&t), sizeof t);
}

// ---- the boxes and the progress callback --------------------------------------------------

// Answers every box this thread shows (from a thread timer, which runs inside the box's
// own loop) and keeps its text.
struct BoxAnswerer {
    explicit BoxAnswerer(int answer)
    {
        current = this;
        this->answer = answer;
        timer = SetTimer(nullptr, 0, 50, Tick);
    }
    ~BoxAnswerer()
    {
        KillTimer(nullptr, timer);
        current = nullptr;
    }

    static BOOL CALLBACK Find(HWND window, LPARAM found)
    {
        char cls[32] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (std::strcmp(cls, "KMsgBox") == 0 && IsWindowVisible(window))
            *reinterpret_cast<HWND*>(found) = window;
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&box));
        if (!box || !current || box == current->answered)
            return;
        current->answered = box;
        char text[2048] = "";
        if (HWND area = FindWindowExA(box, nullptr, "RICHEDIT", nullptr))
            GetWindowTextA(area, text, sizeof text);
        current->texts.push_back(text);
        HWND button = GetDlgItem(box, current->answer);
        if (!button)
            button = GetDlgItem(box, IDOK);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }

    static BoxAnswerer* current;
    int answer;
    UINT_PTR timer;
    HWND answered = nullptr;
    std::vector<std::string> texts;
};
BoxAnswerer* BoxAnswerer::current = nullptr;

using Call = std::array<int, 5>; // kind, low, maximum, position, step

struct Extracted {
    ExtractResult result;
    std::vector<Call> calls;
    std::vector<std::string> boxes;
    int failures = 0;
};

// onCall sees every progress call as it comes (a test's way to act in the middle of the
// extraction); quiet asks for a silent run.
Extracted Extract(const std::string& archive, const std::string& work, bool force = false, int answer = IDOK,
                  const std::string& agent = "", const std::function<void(const Call&)>& onCall = nullptr,
                  bool quiet = false)
{
    Extracted out;
    BoxAnswerer boxes(answer);
    ExtractRequest request;
    request.archivePath = archive;
    request.workFolder = work;
    request.agentFileName = agent;
    request.diskPrompt = "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue";
    request.promptTitle = "Attention";
    request.forcePrompt = force;
    request.quiet = quiet;
    request.hashVolume = Sha256OfHandle;
    request.progress = [&](int kind, int low, int maximum, int position, int step, const std::string& text) {
        EXPECT_TRUE(text.empty());
        out.calls.push_back({kind, low, maximum, position, step});
        if (onCall)
            onCall(out.calls.back());
    };
    const int before = ExtractFailures();
    out.result = ExtractPayload(request);
    out.failures = ExtractFailures() - before;
    out.boxes = boxes.texts;
    return out;
}

const Call kStart{0, 0, 0, 0, 1};
const Call kStep{1, 0, 0, 0, 1};

// ---- tests ------------------------------------------------------------------------------

TEST(UnPack, AFileThatCannotBeWrittenIsToldAndTheRestIsWritten)
{
    Scratch dir;
    CreateDirectoryA((dir / "work").c_str(), nullptr);
    CreateDirectoryA((dir / "work\\blocked.txt").c_str(), nullptr); // in the way of a file
    WriteAll(dir / "setup.exe", Crafted({Stored("|a.txt|0|", "a"), Compressed("|blocked.txt|0|", "lost"),
                                         Compressed("|b.txt|0|", std::string(100000, 'b'))},
                                        3));
    const bool firstFailure = ExtractFailures() == 0;
    const Extracted x = Extract(dir / "setup.exe", dir / "work");
    EXPECT_EQ(x.failures, 1);
    EXPECT_EQ(x.result.writeFailures, 1);
    EXPECT_EQ(ReadAll(dir / "work\\a.txt"), "a");
    EXPECT_EQ(ReadAll(dir / "work\\b.txt"), std::string(100000, 'b'));
    // blocked.txt was there before (as a folder): a step for each other file.
    EXPECT_EQ(std::count(x.calls.begin(), x.calls.end(), kStep), 2);
    // The first failure of the process is shown: the file, then the space report.
    ASSERT_EQ(x.boxes.size(), firstFailure ? 1u : 0u);
    if (firstFailure) {
        EXPECT_NE(x.boxes[0].find("blocked.txt"), std::string::npos) << x.boxes[0];
        EXPECT_NE(x.boxes[0].find("Unable to save Extracted File!"), std::string::npos) << x.boxes[0];
        EXPECT_NE(x.boxes[0].find("Data Size:"), std::string::npos) << x.boxes[0];
    }
}

TEST(UnPack, ExtractsEveryFileWithItsStamp)
{
    const std::vector<SourceFile> files = {
        {"readme.txt", "Read me first.\r\n"},
        {"big.bin", Noise(10000, 1)}, // three entries of at most 4096 bytes
        {"sub\\deep\\data.txt", std::string(5000, 'd')},
        {"empty.dat", ""},
        {"Engine.exe", Noise(300, 2)},
    };
    struct Case {
        std::string setupKeys, sections, runTarget;
    } cases[] = {
        {"", "[Run]\nTarget=Engine.exe", "Engine.exe*"},
        {"", "[Run]\nTarget=Engine.exe\nParameters=\" /S /X=1\"", "Engine.exe* /S /X=1"},
        {"Compress=0", "[Run]\nTarget=Engine.exe", "Engine.exe*"}, // stored entries
        {"StoredEnd=1", "", ""},                                   // room for a signature
    };
    for (const Case& c : cases) {
        Scratch dir;
        const std::vector<std::string> volumes = Build(dir, files, "EntrySize=4096\n" + c.setupKeys, c.sections);
        ASSERT_EQ(volumes.size(), 1u);
        if (!c.setupKeys.empty() && c.setupKeys == "StoredEnd=1") // what a signing tool appends
            std::ofstream(volumes[0], std::ios::binary | std::ios::app) << std::string(777, 'S');

        const Extracted x = Extract(volumes[0], dir / "work");
        EXPECT_TRUE(x.result.checksumOk) << c.setupKeys << c.sections;
        EXPECT_EQ(x.result.runTarget, c.runTarget);
        for (size_t i = 0; i < files.size(); ++i) {
            const std::string path = dir / ("work\\" + files[i].name);
            EXPECT_EQ(ReadAll(path), files[i].content) << files[i].name << " " << c.setupKeys << c.sections;
            // The builder may take a source time a hair early: up to one DOS step apart.
            EXPECT_LE(SecondsApart(DosStamp(path), TestStamp(static_cast<int>(i))), 2) << files[i].name;
        }
        // Set up, range = entries (big.bin has three, data.txt two), then one step per file,
        // not per entry.
        std::vector<Call> expected{kStart, {0, 0, 8, 0, 1}};
        expected.insert(expected.end(), files.size(), kStep);
        EXPECT_EQ(x.calls, expected) << c.setupKeys << c.sections;
        EXPECT_EQ(x.failures, 0);
        EXPECT_TRUE(x.boxes.empty());
    }
}

TEST(UnPack, AgentCopyIsTheImageAndHeadersWithAnAgentTrailer)
{
    Scratch dir;
    const std::vector<std::string> volumes =
        Build(dir, {{"a.txt", "aaa"}}, "StoredEnd=1", "[Update]\nAgentFile=Agent.exe\n[Trailer]\nWriteUpdateAgent=1");
    const std::string setup = ReadAll(volumes[0]);
    const Extracted x = Extract(volumes[0], dir / "work", false, IDOK, "Agent.exe");
    EXPECT_EQ(ReadAll(dir / "work\\a.txt"), "aaa");

    // H: the launcher image and the two header strings before the first entry.
    uint32_t start, first, second;
    std::memcpy(&start, &setup[setup.size() - kTrailerLength + 4], 4);
    std::memcpy(&first, &setup[start], 4);
    std::memcpy(&second, &setup[start + 4 + first], 4);
    const size_t h = start + 8 + first + second;

    const std::string agent = ReadAll(dir / "work\\Agent.exe");
    ASSERT_EQ(agent.size(), h + 74);
    EXPECT_EQ(agent.substr(0, 252), setup.substr(0, 252));
    EXPECT_EQ(agent.substr(252, 4), std::string(4, '\0'));
    EXPECT_NE(setup.substr(252, 4), std::string(4, '\0')); // the setup did store its end
    EXPECT_EQ(agent.substr(256, h - 256), setup.substr(256, h - 256));
    EXPECT_EQ(agent[h + 69], 1);
    EXPECT_EQ(agent.substr(h + 70), std::string("\x4A\0\0\0", 4));
    EXPECT_EQ(agent.substr(h, 69), setup.substr(setup.size() - kTrailerLength, 69));
    EXPECT_EQ(DosStamp(dir / "work\\Agent.exe"), DosStamp(volumes[0]));

    // Only a launcher image gives an agent copy.
    const std::string renamed = dir / "setup.bin";
    CopyFileA(volumes[0].c_str(), renamed.c_str(), FALSE);
    Extract(renamed, dir / "work2", false, IDOK, "Agent.exe");
    EXPECT_TRUE(Exists(dir / "work2\\a.txt"));
    EXPECT_FALSE(Exists(dir / "work2\\Agent.exe"));
}

TEST(UnPack, SpannedVolumes)
{
    const int kEveryVolume = -1;
    struct Case {
        const char* what;
        bool firstAsDotOne, force, removeSecond;
        int answer;
        int prompts; // kEveryVolume: one for each volume after the first
        bool complete;
    } cases[] = {
        {"volumes beside the exe", false, false, false, IDOK, 0, true},
        {"first volume named .exe.001", true, false, false, IDOK, 0, true},
        {"force prompt asks for every volume", false, true, false, IDOK, kEveryVolume, true},
        {"force prompt cancelled", false, true, false, IDCANCEL, 1, false},
        {"missing volume cancelled", false, false, true, IDCANCEL, 1, false},
    };
    std::vector<SourceFile> files{{"Engine.exe", "engine"}};
    for (int i = 0; i < 5; ++i)
        files.push_back({"part" + std::to_string(i) + ".bin", Noise(3000, 10 + i)});

    for (const Case& c : cases) {
        Scratch dir;
        // Room for the image, the header strings and two of the parts in the first volume.
        const std::vector<std::string> volumes =
            Build(dir, files, "VolumeSize=" + std::to_string(SizeOf(LauncherPath()) + 7000),
                  "[Run]\nTarget=Engine.exe\nParameters=/S");
        ASSERT_GE(volumes.size(), 2u) << c.what;
        std::string first = volumes[0];
        if (c.firstAsDotOne) {
            first = volumes[0] + ".001";
            MoveFileA(volumes[0].c_str(), first.c_str());
        }
        if (c.removeSecond)
            DeleteFileA(volumes[1].c_str());

        const Extracted x = Extract(first, dir / "work", c.force, c.answer);
        ASSERT_EQ(x.boxes.size(), c.prompts == kEveryVolume ? volumes.size() - 1 : static_cast<size_t>(c.prompts))
            << c.what;
        for (size_t i = 0; i < x.boxes.size(); ++i)
            EXPECT_NE(x.boxes[i].find("DISK #" + std::to_string(i + 2)), std::string::npos) << x.boxes[i];
        EXPECT_EQ(x.result.runTarget, c.complete ? "Engine.exe*/S" : "") << c.what;
        EXPECT_TRUE(x.result.checksumOk) << c.what;
        EXPECT_EQ(ReadAll(dir / "work\\Engine.exe"), "engine") << c.what;
        EXPECT_EQ(Exists(dir / "work\\part4.bin"), c.complete) << c.what;
        // One step per file and one after every change of volume.
        const size_t steps = static_cast<size_t>(std::count(x.calls.begin(), x.calls.end(), kStep));
        if (c.complete) {
            for (size_t i = 1; i < files.size(); ++i)
                EXPECT_EQ(ReadAll(dir / ("work\\" + files[i].name)), files[i].content) << c.what;
            EXPECT_EQ(steps, files.size() + volumes.size() - 1) << c.what;
        } else {
            EXPECT_LT(steps, files.size()) << c.what;
        }
    }
}

// A volume of the same name that is not the one the setup was built with (another
// build's, or one changed after the build) is refused before anything of it is read; a
// setup built before volumes were linked still takes its volumes on their checksum.
TEST(UnPack, LaterVolumesAreTheOnesTheVolumeBeforeLinksTo)
{
    // Unchecked volumes: only the link can tell them apart.
    const auto build = [](const Scratch& dir, int seed) {
        std::vector<SourceFile> files{{"Engine.exe", "engine"}};
        for (int i = 0; i < 5; ++i)
            files.push_back({"part" + std::to_string(i) + ".bin", Noise(3000, seed + i)});
        return Build(dir, files,
                     "VolumeSize=" + std::to_string(SizeOf(LauncherPath()) + 7000) + "\nChecksum=0\nStoredEnd=0",
                     "[Run]\nTarget=Engine.exe\nParameters=/S");
    };
    // What comes before a volume's trailer, without its link: a volume as older builders wrote it.
    const auto unlinked = [](const std::string& volume) {
        std::string bytes = ReadAll(volume);
        bytes.erase(bytes.size() - kTrailerLength - kVolumeLinkBlockSize, kVolumeLinkBlockSize);
        WriteAll(volume, bytes);
    };
    enum class Change { Theirs, Flipped, Unlinked };
    struct Case {
        const char* what;
        Change change;
        bool bound;
    } cases[] = {{"another build's second volume", Change::Theirs, false},
                 {"the second volume changed", Change::Flipped, false},
                 {"a setup built before volumes were linked", Change::Unlinked, true}};
    for (const Case& c : cases) {
        Scratch dir;
        const std::string theirs = dir / "theirs.002";
        if (c.change == Change::Theirs) {
            ASSERT_TRUE(MoveFileA(build(dir, 40).at(1).c_str(), theirs.c_str()));
        }
        const std::vector<std::string> volumes = build(dir, 30);
        ASSERT_GE(volumes.size(), 2u) << c.what;
        switch (c.change) {
        case Change::Theirs: ASSERT_TRUE(CopyFileA(theirs.c_str(), volumes[1].c_str(), FALSE)); break;
        case Change::Flipped: {
            std::string bytes = ReadAll(volumes[1]);
            bytes[bytes.size() / 2] ^= 1;
            WriteAll(volumes[1], bytes);
            break;
        }
        case Change::Unlinked:
            for (size_t v = 0; v + 1 < volumes.size(); ++v)
                unlinked(volumes[v]);
            break;
        }
        const Extracted x = Extract(volumes[0], dir / "work");
        // A refused volume fails as a damaged one does: the setup run starts nothing.
        EXPECT_EQ(x.result.checksumOk, c.bound) << c.what;
        EXPECT_EQ(Exists(dir / "work\\part4.bin"), c.bound) << c.what;
        if (c.bound) {
            EXPECT_EQ(x.result.runTarget, "Engine.exe*/S") << c.what;
        }
        EXPECT_TRUE(x.boxes.empty()) << c.what;
    }
}

// A disk taken out again at once, or while it is read, and a silent run that finds a
// volume missing: the extraction never ends as if it had every file.
TEST(UnPack, VolumeGoneOrCutShortLeavesThePayloadIncomplete)
{
    std::vector<SourceFile> files{{"Engine.exe", "engine"}};
    for (int i = 0; i < 5; ++i)
        files.push_back({"part" + std::to_string(i) + ".bin", Noise(3000, 30 + i)});
    enum class Fault { GoneAfterPrompt, CutWhileRead, MissingInSilentRun };
    struct Case {
        const char* what;
        Fault fault;
        size_t prompts;
        bool cancelled;
    } cases[] = {
        // Present when looked for, gone when it is to be read: asked for (and cancelled
        // here), never skipped.
        {"gone after the prompt found it", Fault::GoneAfterPrompt, 1, true},
        {"cut short while it is read", Fault::CutWhileRead, 0, false},
        {"missing in a silent run", Fault::MissingInSilentRun, 0, false},
    };
    for (const Case& c : cases) {
        Scratch dir;
        const std::vector<std::string> volumes = Build(
            dir, files, "VolumeSize=" + std::to_string(SizeOf(LauncherPath()) + 7000), "[Run]\nTarget=Engine.exe");
        ASSERT_GE(volumes.size(), 2u) << c.what;
        if (c.fault == Fault::MissingInSilentRun)
            DeleteFileA(volumes[1].c_str());
        const std::string first = volumes[0];
        bool done = false;
        const auto fault = [&](const Call& call) {
            if (done)
                return;
            // The step of the change to the second volume: the first volume's last file
            // (part1) is written, the second's first (part2) not yet.
            if (c.fault == Fault::GoneAfterPrompt && call == kStep && Exists(dir / "work\\part1.bin") &&
                !Exists(dir / "work\\part2.bin")) {
                done = DeleteFileA(volumes[1].c_str()) != 0;
            } else if (c.fault == Fault::CutWhileRead && call[0] == 0 && call[2] > 0) {
                // The first volume's checksum has passed; its entries are read next.
                HANDLE file = CreateFileA(first.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
                ASSERT_NE(file, INVALID_HANDLE_VALUE);
                SetFilePointer(file, static_cast<LONG>(SizeOf(first) - 4000), nullptr, FILE_BEGIN);
                done = SetEndOfFile(file) != 0;
                CloseHandle(file);
            }
        };
        const Extracted x =
            Extract(first, dir / "work", false, IDCANCEL, "", fault, c.fault == Fault::MissingInSilentRun);
        EXPECT_TRUE(done || c.fault == Fault::MissingInSilentRun) << c.what;
        EXPECT_EQ(x.boxes.size(), c.prompts) << c.what;
        for (const std::string& box : x.boxes)
            EXPECT_NE(box.find("DISK #2"), std::string::npos) << box;
        EXPECT_EQ(x.result.cancelled, c.cancelled) << c.what;
        EXPECT_EQ(x.result.incomplete, !c.cancelled) << c.what;
        if (c.cancelled) {
            EXPECT_EQ(x.result.runTarget, "") << c.what;
        }
        EXPECT_FALSE(Exists(dir / "work\\part4.bin")) << c.what;
    }
}

TEST(UnPack, BadChecksumExtractsNothingOfThatVolume)
{
    std::vector<SourceFile> files;
    for (int i = 0; i < 6; ++i)
        files.push_back({"f" + std::to_string(i) + ".bin", Noise(3000, 20 + i)});
    for (size_t damaged : {0u, 1u}) {
        Scratch dir;
        const std::vector<std::string> volumes =
            Build(dir, files, "VolumeSize=" + std::to_string(SizeOf(LauncherPath()) + 7000));
        ASSERT_GE(volumes.size(), 2u);
        std::string bytes = ReadAll(volumes[damaged]);
        bytes[bytes.size() - kTrailerLength - 100] ^= 0x5A;
        WriteAll(volumes[damaged], bytes);

        const Extracted x = Extract(volumes[0], dir / "work");
        EXPECT_FALSE(x.result.checksumOk) << damaged;
        EXPECT_EQ(Exists(dir / "work\\f0.bin"), damaged == 1) << damaged;
        EXPECT_FALSE(Exists(dir / "work\\f5.bin")) << damaged;
        EXPECT_TRUE(x.boxes.empty());
    }
}

TEST(UnPack, DamagedOrHostilePayloadsEndWithoutHarm)
{
    const Block good = Compressed("|ok.txt|" + std::to_string(TestStamp(7)) + "|", "fine");
    const Block tail = Stored("|tail.txt|0|", "after");
    struct Case {
        const char* what;
        std::vector<Block> blocks;
        std::set<std::string> written;
        int failures;
        std::string runTarget;
    } cases[] = {
        {"names that leave the work folder",
         {good, Compressed("|..\\evil1.txt|0|", "x"), Compressed("|C:\\evil2.txt|0|", "x"),
          Stored("|\\evil3.txt|0|", "x"), Stored("|sub\\..\\..\\evil4.txt|0|", "x"), Stored("|NUL|0|", "x"),
          Stored("|..\\evil5.exe* /S|0|", "x"), tail},
         {"ok.txt", "tail.txt"},
         6,
         ""},
        {"length that cannot be negated", {good, {INT32_MIN, "xxxxxxxx"}, tail}, {"ok.txt"}, 0, ""},
        {"length past the end", {good, {1000000, std::string(500, 'z')}, tail}, {"ok.txt"}, 0, ""},
        {"stored length past the end", {good, {-1000000, std::string(500, 'z')}}, {"ok.txt"}, 0, ""},
        {"a run marker outside the name", {good, Stored("|tail.txt|0|..\\..\\cmd.exe*|", "x")}, {"ok.txt"}, 1, ""},
        // Trimmed, the program part names a file that no entry wrote.
        {"a program that is no entry", {good, Stored("| cmd.exe*|0|", "x")}, {"ok.txt", " cmd.exe"}, 1, ""},
        {"empty entry header is skipped",
         {Stored("", "lost"), good, Stored("|r.exe*|0|", "r")},
         {"ok.txt", "r.exe"},
         0,
         "r.exe*"},
    };
    for (const Case& c : cases) {
        Scratch dir;
        const std::string payload = dir / "setup.exe";
        WriteAll(payload, Crafted(c.blocks, 3));
        const bool firstFailure = ExtractFailures() == 0;
        const Extracted x = Extract(payload, dir / "work\\inner");

        EXPECT_TRUE(x.result.checksumOk) << c.what;
        EXPECT_EQ(x.result.runTarget, c.runTarget) << c.what;
        EXPECT_EQ(x.failures, c.failures) << c.what;
        std::set<std::string> written;
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((dir / "work\\inner\\*").c_str(), &fd);
        while (find != INVALID_HANDLE_VALUE) {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                written.insert(fd.cFileName);
            if (!FindNextFileA(find, &fd)) {
                FindClose(find);
                break;
            }
        }
        EXPECT_EQ(written, c.written) << c.what;
        EXPECT_EQ(ReadAll(dir / "work\\inner\\ok.txt"), "fine") << c.what;
        EXPECT_EQ(DosStamp(dir / "work\\inner\\ok.txt"), TestStamp(7)) << c.what;
        for (const char* evil : {"work\\evil1.txt", "evil1.txt", "evil4.txt", "work\\evil4.txt", "work\\evil5.exe"})
            EXPECT_FALSE(Exists(dir / evil)) << evil;
        // Only the first failure of the process is shown.
        EXPECT_EQ(x.boxes.size(), firstFailure && c.failures ? 1u : 0u) << c.what;
        if (!x.boxes.empty()) {
            EXPECT_NE(x.boxes[0].find("Unable to save Extracted File!"), std::string::npos) << x.boxes[0];
        }
    }
}

TEST(UnPack, CorruptCompressedEntryEndsTheExtraction)
{
    Scratch dir;
    Block broken = Compressed("|b.txt|0|", std::string(3000, 'b'));
    broken.bytes[broken.bytes.size() / 2] ^= 0x55;
    WriteAll(dir / "setup.exe", Crafted({Compressed("|a.txt|0|", "first"), broken, Stored("|c.txt|0|", "c")}, 3));
    const Extracted x = Extract(dir / "setup.exe", dir / "work");
    EXPECT_LT(x.result.damagedEntry, 0); // zlib's result
    EXPECT_TRUE(x.result.runTarget.empty());
    EXPECT_TRUE(x.boxes.empty());
    EXPECT_EQ(ReadAll(dir / "work\\a.txt"), "first");
    EXPECT_FALSE(Exists(dir / "work\\c.txt"));
}

// Small files after a large entry are written while it inflates: the files, their order
// of joining, the steps, failures and the run target are those of a walk in order.
TEST(UnPack, FilesWrittenAheadOfALargeEntryComeOutAsInOrder)
{
    Scratch dir;
    CreateDirectoryA((dir / "work").c_str(), nullptr);
    WriteAll(dir / "work\\d", "a file where a folder should go");
    const std::string noise = Noise(600000, 3); // compresses to a large block
    const uint32_t stamp = TestStamp(4);
    WriteAll(dir / "setup.exe",
             Crafted({Compressed("|big.bin|0|", noise), Stored("|a.txt|0|", "a"), Compressed("|BIG.BIN|0|", "+tail"),
                      Stored("|A.TXT|0|", "2"), Compressed("|sub/c.txt|" + std::to_string(stamp) + "|", "c"),
                      Stored("|r.exe*/S|0|", "r"), Stored("|d\\x.txt|0|", "lost")},
                     6));
    const Extracted x = Extract(dir / "setup.exe", dir / "work", false, IDOK, "", nullptr, true);
    EXPECT_EQ(x.result.damagedEntry, 0);
    EXPECT_EQ(ReadAll(dir / "work\\big.bin"), noise + "+tail");
    EXPECT_EQ(ReadAll(dir / "work\\a.txt"), "a2");
    EXPECT_EQ(ReadAll(dir / "work\\sub\\c.txt"), "c");
    EXPECT_EQ(DosStamp(dir / "work\\sub\\c.txt"), stamp);
    EXPECT_EQ(ReadAll(dir / "work\\r.exe"), "r");
    EXPECT_EQ(x.result.runTarget, "r.exe*/S");
    EXPECT_EQ(x.failures, 1);
    // A step for every new file, the one that failed included.
    EXPECT_EQ(std::count(x.calls.begin(), x.calls.end(), kStep), 5);
}

TEST(UnPack, ADamagedLargeEntryLeavesNoFileWrittenAheadOfIt)
{
    Scratch dir;
    Block broken = Compressed("|big.bin|0|", Noise(600000, 5));
    broken.bytes[broken.bytes.size() / 2] ^= 0x55;
    WriteAll(dir / "setup.exe", Crafted({Compressed("|a.txt|0|", "first"), broken, Stored("|c.txt|0|", "c"),
                                         Compressed("|sub/d.txt|0|", "d")},
                                        4));
    const Extracted x = Extract(dir / "setup.exe", dir / "work");
    EXPECT_LT(x.result.damagedEntry, 0);
    EXPECT_EQ(ReadAll(dir / "work\\a.txt"), "first");
    EXPECT_FALSE(Exists(dir / "work\\c.txt"));
    EXPECT_FALSE(Exists(dir / "work\\sub\\d.txt"));
    EXPECT_TRUE(x.boxes.empty());
}

TEST(UnPack, ProgressRangeStaysSixteenBit)
{
    Scratch dir;
    WriteAll(dir / "setup.exe", Crafted({Stored("|a|0|", "a"), Stored("|b|0|", "b")}, 70000));
    const Extracted x = Extract(dir / "setup.exe", dir / "work");
    // Twice as many files per step as the count says: half the range.
    const std::vector<Call> expected{kStart, {0, 0, 35000, 0, 1}, kStep};
    EXPECT_EQ(x.calls, expected);
}

TEST(UnPack, EntriesOfOneFileJoinAsWindowsNamesThem)
{
    Scratch dir;
    CreateDirectoryA((dir / "work").c_str(), nullptr);
    CreateDirectoryA((dir / "work\\sub").c_str(), nullptr);
    WriteAll(dir / "work\\sub\\old.txt", "1"); // left in the work folder before
    // The short alias the system gives a long name, learnt from a file of that name elsewhere.
    CreateDirectoryA((dir / "probe").c_str(), nullptr);
    WriteAll(dir / "probe\\Long Name File.txt", "");
    char shortPath[MAX_PATH] = "";
    ASSERT_NE(GetShortPathNameA((dir / "probe\\Long Name File.txt").c_str(), shortPath, MAX_PATH), 0u);
    const std::string alias = std::strrchr(shortPath, '\\') + 1;
    ASSERT_NE(alias.find('~'), std::string::npos) << alias;
    WriteAll(dir / "setup.exe",
             Crafted({Stored("|Same.txt|0|", "a"), Compressed("|SAME.TXT|0|", "b"), Stored("|same.txt.|0|", "c"),
                      Stored("|sub\\OLD.txt|0|", "2"), Stored("|sub/old.txt |0|", "3"), Stored("|new.txt|0|", "n"),
                      Stored("|Long Name File.txt|0|", "x"), Stored("|" + alias + "|0|", "y")},
                     8));
    const Extracted x = Extract(dir / "setup.exe", dir / "work");
    EXPECT_EQ(ReadAll(dir / "work\\Same.txt"), "abc");
    EXPECT_EQ(ReadAll(dir / "work\\sub\\old.txt"), "123");
    EXPECT_EQ(ReadAll(dir / "work\\new.txt"), "n");
    EXPECT_EQ(ReadAll(dir / "work\\Long Name File.txt"), "xy");
    // Steps for Same.txt, new.txt and the long name only: old.txt was there before.
    EXPECT_EQ(std::count(x.calls.begin(), x.calls.end(), kStep), 3);
    EXPECT_EQ(x.failures, 0);
}

} // namespace
