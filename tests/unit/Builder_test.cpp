#include <filesystem>

#include "Dump.h"
#include "FakeLauncher.h"
#include "Manifest.h"
#include "PayloadWriter.h"
#include "TestFiles.h"
#include "payload/FileReader.h"
#include "payload/GFileInfo.h"
#include "payload/PayloadEntry.h"
#include "payload/ZInflate.h"
#include "trust/PublicKey.h"
#include "trust/Sha256.h"
#include "util/KSUB.h"
#include "util/Utils.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
    std::string name, stamp, content;
};

// Walks the entries of one volume the way the extraction reads them.
std::vector<Entry> Entries(const std::string& path, int headerStrings)
{
    TFileReader file(path);
    const PayloadTrailer t = ReadTrailer(file);
    const int64_t end = EffectivePayloadEnd(file);
    std::vector<Entry> entries;
    int64_t at = t.payloadStart;
    for (int block = 1; end - at > 74; ++block) {
        uint32_t raw = 0;
        EXPECT_TRUE(file.ReadU32(at, raw));
        const int32_t length = static_cast<int32_t>(raw);
        std::string data;
        EXPECT_TRUE(file.ReadAt(at + 4, static_cast<size_t>(length < 0 ? -length : length), data));
        at += 4 + (length < 0 ? -length : length);
        if (block <= headerStrings)
            continue;
        if (length > 0) {
            EXPECT_EQ(data.substr(0, 2), "\x78\xDA");
            std::string inflated;
            EXPECT_EQ(InflateText(data, inflated), 0);
            data = inflated;
        }
        const size_t nul = data.find('\0');
        const std::string header = data.substr(0, nul);
        entries.push_back({SUB::ListItem(header, 0, ""), SUB::ListItem(header, 1, ""), data.substr(nul + 1)});
    }
    EXPECT_EQ(end - at, 74);
    return entries;
}

class Builder : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = TestPath("dir");
        fs::remove_all(dir_);
        fs::create_directories(dir_ + "/src/sub");
        WriteBytes(dir_ + "/launcher.exe", FakeLauncher());
        WriteBytes(dir_ + "/src/engine.exe", "ENGINE");
        WriteBytes(dir_ + "/src/empty.txt", "");
        WriteBytes(dir_ + "/src/sub/b.txt", "bee");
        for (int i = 0; i < 2500; ++i)
            big_ += static_cast<char>(i * 131 % 251);
        WriteBytes(dir_ + "/src/big.bin", big_);
    }

    std::string Manifest(const std::string& body)
    {
        const std::string path = dir_ + "/m.ini";
        WriteBytes(path, "[Setup]\nLauncher=launcher.exe\nOutput=out/setup.exe\n" + body);
        fs::create_directories(dir_ + "/out");
        return path;
    }

    // Most cases leave out files or the run target, which a manifest has to say it means.
    std::vector<std::string> Build(const std::string& body,
                                   std::vector<std::string> overrides = {"Setup/RunsNothing=1"})
    {
        return WritePayload(ReadManifest(Manifest(body), overrides));
    }

    std::string Refusal(const std::string& body)
    {
        try {
            Build(body);
        } catch (const ManifestError& e) {
            return e.what();
        }
        return "accepted";
    }

    std::string dir_;
    std::string big_;
};

// Continues the fixture's [Setup] section.
const char* kFull = R"(EntrySize=1000
StoredEnd=1
[Trailer]
FormatByte=7
ShowTempDrive=1
SpanFromDisks=1
ShowProgress=1
UpdateLog=1
WebDownload=1
ConfirmDownload=1
WriteUpdateAgent=1
IsUpdateAgent=1
[Files]
Engine.exe=src/engine.exe
big.bin=src/big.bin
[Folders]
data=src/sub
[Run]
Target=Engine.exe
Parameters=/S /Q
[Update]
ServerUrl=http://127.0.0.1:8080/upd
InfoFile=prod.v2.info
AgentFile=prod-agent.exe
Token=up token
RunHidden=1
[Download]
Url=http://127.0.0.1:8080/full.exe
FileName=full.exe
AlwaysDownload=1
Token=down|token
Size=3145728
[Language English]
s0=Title
BtnText=|&OK|&Cancel|
FontSize=9
[Language Arabic]
s0=Arabic title
Charset=178
)";

} // namespace

TEST_F(Builder, EveryFieldReadsBack)
{
    const std::vector<std::string> volumes = Build(kFull);
    // SpanFromDisks: the first volume is on the disk a second time, as the launcher reads it.
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[1], volumes[0] + ".001");
    EXPECT_EQ(ReadBytes(volumes[1]), ReadBytes(volumes[0]));
    const TGFileInfo info(volumes[0]);
    ASSERT_TRUE(info.HasPayload());
    EXPECT_EQ(info.FormatByte(), 7);
    EXPECT_EQ(info.HeaderStringCount(), 3);
    EXPECT_EQ(info.PayloadStart(), 1024);
    EXPECT_EQ(info.FilesCount(), 1u + 3u + 1u); // big.bin in three entries of 1000 bytes
    EXPECT_TRUE(info.AlwaysShowTempDrive() && info.SpanFromDisks() && info.ShowProgress() && info.WriteUpdateLog());
    EXPECT_FALSE(info.Spanned());
    EXPECT_TRUE(info.WebDownload() && info.ConfirmDownload() && info.WriteUpdateAgent() && info.IsUpdateAgent());
    EXPECT_EQ(info.UpdateServerUrl(), "http://127.0.0.1:8080/upd");
    EXPECT_EQ(info.InfoFileName(), "prod.v2.info");
    EXPECT_EQ(info.InstalledInfoName(), "prod.original");
    EXPECT_EQ(info.AgentFileName(), "prod-agent.exe");
    EXPECT_EQ(info.UpdateToken(true), "up token");
    EXPECT_TRUE(info.RunHidden());
    EXPECT_EQ(info.DownloadUrl(), "http://127.0.0.1:8080/full.exe");
    EXPECT_EQ(info.DownloadFileName(), "full.exe");
    EXPECT_TRUE(info.AlwaysDownload());
    EXPECT_EQ(info.DownloadToken(true), "down|token");
    EXPECT_EQ(info.DownloadSize(), "3145728");

    const std::string& table = info.LanguageTable();
    EXPECT_EQ(LanguageBlockText(SelectLanguageBlock(table, "ENGLISH"), "BtnText", ""), "|&OK|&Cancel|");
    EXPECT_EQ(LanguageBlockText(SelectLanguageBlock(table, "ENGLISH"), "FontSize", "8"), "9");
    EXPECT_EQ(LanguageBlockText(SelectLanguageBlock(table, "arabic"), "Charset", "0"), "178");
    EXPECT_EQ(LanguageBlockText(SelectLanguageBlock(table, "arabic"), "s0", ""), "Arabic title");

    // Signing-ready: the stored end is the payload end, and the checksum holds.
    TFileReader file(volumes[0]);
    EXPECT_EQ(StoredPayloadEnd(file), file.Size());
    EXPECT_NE(info.StoredChecksum(), kNoChecksum);
    EXPECT_EQ(PayloadChecksum(file, 74), info.StoredChecksum());

    // Required space: every written file rounded up to each cluster size, the agent copy included.
    const uint64_t agent =
        1024 + (4 + table.size()) + (4 + info.UpdateOptions().size()) + (4 + info.DownloadOptions().size()) + 74;
    const uint64_t sizes[] = {6, 2500, 3, agent};
    for (int i = 0; i <= 8; ++i) {
        const uint64_t cluster = i == 0 ? 1 : uint64_t{256} << i;
        uint64_t expected = 0;
        for (uint64_t s : sizes)
            expected += (s + cluster - 1) / cluster * cluster;
        EXPECT_EQ(info.Trailer().requiredSpace[i], expected) << i;
    }
}

TEST_F(Builder, EntriesCarryNamesStampsAndSplitContent)
{
    for (const char* compress : {"1", "0"}) {
        SCOPED_TRACE(compress);
        const auto volumes = Build(std::string("EntrySize=1000\nCompress=") + compress +
                                   "\n[Files]\nEngine.exe=src/engine.exe\nempty.txt=src/empty.txt\n"
                                   "big.bin=src/big.bin\n[Folders]\ndata\\deep=src/sub\n"
                                   "[Run]\nTarget=Engine.exe\nParameters=/S\n");
        const std::vector<Entry> e = Entries(volumes[0], 2);
        ASSERT_EQ(e.size(), 6u);
        EXPECT_EQ(e[0].name, "Engine.exe*/S");
        EXPECT_EQ(e[0].content, "ENGINE");
        EXPECT_EQ(e[1].name, "empty.txt");
        EXPECT_EQ(e[1].content, "");
        EXPECT_EQ(e[2].name, "big.bin");
        EXPECT_EQ(e[3].name, "big.bin");
        EXPECT_EQ(e[4].name, "big.bin");
        EXPECT_EQ(e[2].content + e[3].content + e[4].content, big_);
        EXPECT_EQ(e[2].content.size(), 1000u);
        EXPECT_EQ(e[5].name, "data\\deep\\b.txt");
        EXPECT_EQ(e[5].content, "bee");
        for (const Entry& entry : e)
            EXPECT_GT(std::stoull(entry.stamp), 0u) << entry.name; // dates kept
        EXPECT_EQ(TGFileInfo(volumes[0]).FilesCount(), 6u);
    }
}

TEST_F(Builder, SpannedVolumesEachEndInTheirOwnTrailer)
{
    const auto volumes = Build("EntrySize=700\nCompress=0\nVolumeSize=1900\nStoredEnd=1\n"
                               "[Files]\nbig.bin=src/big.bin\nEngine.exe=src/engine.exe\n");
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[1], dir_ + "/out/setup.exe.002");
    EXPECT_EQ(volumes[2], dir_ + "/out/setup.exe.003");
    std::string joined;
    for (size_t v = 0; v < volumes.size(); ++v) {
        SCOPED_TRACE(v);
        EXPECT_LE(fs::file_size(volumes[v]), 1900u);
        const TGFileInfo info(volumes[v]);
        EXPECT_EQ(info.FilesCount(), 5u);
        EXPECT_EQ(info.Spanned(), v + 1 < volumes.size());
        EXPECT_EQ(info.PayloadStart(), v == 0 ? 1024 : 0);
        TFileReader file(volumes[v]);
        EXPECT_EQ(IsExecutable(file), v == 0); // later volumes are plain files without a stored end
        EXPECT_EQ(EffectivePayloadEnd(file), file.Size());
        EXPECT_TRUE(ChecksumPasses(PayloadChecksum(file, 74), info.StoredChecksum()));
        EXPECT_NE(info.StoredChecksum(), kNoChecksum);
        const std::vector<Entry> entries = Entries(volumes[v], v == 0 ? 2 : 0);
        for (const Entry& e : entries)
            if (e.name == "big.bin")
                joined += e.content;
        // Each volume but the last ends with its link: the SHA-256 of the next one, whole.
        if (v + 1 < volumes.size()) {
            const std::optional<Sha256Digest> next = Sha256OfFile(volumes[v + 1]);
            ASSERT_TRUE(next);
            EXPECT_EQ(entries.back().name, "");
            EXPECT_EQ(entries.back().content,
                      kVolumeLinkTag + std::string(reinterpret_cast<const char*>(next->data()), next->size()));
        } else {
            EXPECT_NE(entries.back().name, "");
        }
    }
    EXPECT_EQ(joined, big_);
}

TEST_F(Builder, EveryCoreWritesTheBytesOfOneThreadOnEveryRun)
{
    // Many entries of both kinds (text, noise), spanned, so that blocks arrive out of
    // order from the workers and must still be written in order.
    std::string noise;
    for (uint32_t i = 0, x = 7; i < 300000; ++i)
        noise += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    WriteBytes(dir_ + "/src/noise.bin", noise);
    WriteBytes(dir_ + "/src/text.txt", std::string(200000, 'a') + big_ + big_);
    const std::string body = "EntrySize=4096\nVolumeSize=100000\nTokenSeed=9\n[Files]\nnoise.bin=src/noise.bin\n"
                             "text.txt=src/text.txt\n[Folders]\n.=src/sub\n[Update]\nToken=t\n";
    std::vector<std::string> first;
    for (unsigned threads : {1u, 0u, 7u, 0u}) {
        SCOPED_TRACE(threads);
        BuildPlan plan = ReadManifest(Manifest(body), {"Setup/RunsNothing=1"});
        plan.threads = threads;
        std::vector<std::string> bytes;
        for (const std::string& volume : WritePayload(plan))
            bytes.push_back(ReadBytes(volume));
        ASSERT_GE(bytes.size(), 3u); // spanned
        if (first.empty())
            first = bytes;
        EXPECT_TRUE(bytes == first);
    }
}

TEST_F(Builder, DefaultsAndNoChecksum)
{
    const auto volumes = Build("Checksum=0\n");
    const TGFileInfo info(volumes[0]);
    EXPECT_EQ(info.LanguageTable(), "|");
    EXPECT_EQ(info.UpdateOptions(), "|http:|.info|.exe||0|");
    EXPECT_EQ(info.HeaderStringCount(), 2);
    EXPECT_EQ(info.FilesCount(), 0u);
    EXPECT_EQ(info.FormatByte(), 1);
    EXPECT_EQ(info.StoredChecksum(), kNoChecksum);
    TFileReader file(volumes[0]);
    // The payload end is kept in the launcher by default, so that a signature may follow.
    EXPECT_EQ(StoredPayloadEnd(file), file.Size());
    EXPECT_EQ(file.Size(), 1024 + 4 + 1 + 4 + 21 + 74);
}

TEST_F(Builder, VolumesAbove50MiBStoreTheNeutralChecksum)
{
    WriteBytes(dir_ + "/src/huge.bin", std::string(kChecksumLimit, '\0'));
    const auto volumes = Build("Compress=0\nEntrySize=8388608\n[Files]\nhuge.bin=src/huge.bin\n");
    EXPECT_GT(static_cast<int64_t>(fs::file_size(volumes[0])), kChecksumLimit);
    EXPECT_EQ(TGFileInfo(volumes[0]).StoredChecksum(), kNoChecksum);
}

TEST_F(Builder, BadManifestsAreRefusedNamingSectionAndKey)
{
    const std::pair<std::string, std::string> cases[] = {
        {"[Trailer]\nShowProgress=yes\n", "[Trailer] ShowProgress: expected 0 or 1"},
        {"[Trailer]\nHeaderStrings=4\n", "[Trailer] HeaderStrings: expected a whole number from 2 to 3"},
        {"[Trailer]\nShowProgres=1\n", "[Trailer] ShowProgres: unknown key"},
        {"[Files]\na.txt=src/missing.txt\n", "[Files] a.txt: the file"},
        {"[Files]\n..\\evil.txt=src/engine.exe\n", "[Files] ..\\evil.txt: a name in the work folder"},
        {"[Files]\nC:\\evil.txt=src/engine.exe\n", "[Files] C:\\evil.txt: a name in the work folder"},
        {"[Files]\na|b=src/engine.exe\n", "[Files] a|b: a name in the work folder"},
        {"[Files]\nx=src/engine.exe\nX=src/big.bin\n", "[Files] X: appears twice"},
        {"[Folders]\nd=src/nothing\n", "[Folders] d: the folder"},
        {"[Run]\nTarget=nothing.exe\n", "[Run] Target: nothing.exe is not a file"},
        {"[Files]\ne.exe=src/engine.exe\n[Run]\nTarget=e.exe\nParameters=a|b\n", "[Run] Parameters: may not"},
        {std::string("[Files]\ne.exe=src/engine.exe\n[Run]\nTarget=e.exe\nParameters=a\0b\n", 63),
         "[Run] Parameters: may not contain a NUL"},
        // A source the system cannot look at (a name too long) is refused like a missing one.
        {"[Files]\na.txt=src/" + std::string(300, 'x') + "/b\n", "[Files] a.txt: the file"},
        {"[Folders]\nd=src/" + std::string(300, 'x') + "\n", "[Folders] d: the folder"},
        {"[Setup]\nEntrySize=0\n", "line 4: [Setup] appears twice"},
        {"EntrySize=16777217\n", "[Setup] EntrySize: expected a whole number from 1 to 16777216"},
        // The launcher inflates no entry with a longer header.
        {"[Files]\ne.exe=src/engine.exe\n[Run]\nTarget=e.exe\nParameters=" + std::string(65536, 'p') + "\n",
         "[Files] e.exe: its name, run parameters and date take 65555 bytes, more than 65536"},
        {"[Files]\ncaf\xC3\xA9.txt=src/engine.exe\n",
         "[Files] caf\xC3\xA9.txt: a name in the work folder must be ASCII"},
        {"[Files]\ncon.txt=src/engine.exe\n", "[Files] con.txt: a name in the work folder may not use a device"},
        {"[Files]\nsub\\ . \\x=src/engine.exe\n", "[Files] sub\\ . \\x: a name in the work folder"},
        {"[Extra]\n", "[Extra] is not a known section"},
        {"EntrySize=0\n", "[Setup] EntrySize: expected a whole number from 1"},
        {"VolumeSize=1100\n", "[Setup] VolumeSize: 1100 bytes do not hold the launcher"},
        {"VolumeSize=1100\nCompress=0\n[Files]\nbig.bin=src/big.bin\n[Folders]\n.=src/sub\n",
         "[Setup] VolumeSize: 1100 bytes do not hold the launcher"},
        {"VolumeSize=1200\nCompress=0\n[Files]\nbig.bin=src/big.bin\n",
         "[Setup] VolumeSize: 1200 bytes do not hold an entry"},
        {"[Download]\nSize=12MB\n", "[Download] Size: expected a whole number"},
        {"[Download]\nUrl=x\n[Trailer]\nHeaderStrings=2\n", "[Trailer] HeaderStrings: must be 3"},
        {"[Update]\nToken=a\nToken=b\n", "[Update] Token: appears twice"},
        {"[Language ]\n", "[Language] is not a known section"},
        // A language text that holds every list delimiter: its block is delimited by NUL,
        // which the table, delimited by NUL too, cannot carry.
        {"[Language English]\ns0=T|x*^!~@#$&\xFF\n", "[Language]: a text holds \"|\" and every other"},
        {"junk\n", "line 4: expected key=value"},
    };
    for (const auto& [body, message] : cases)
        EXPECT_NE(Refusal(body).find(message), std::string::npos) << body << "\n -> " << Refusal(body);
}

TEST_F(Builder, RunTargetIsFoundWhateverItsCase)
{
    const auto volumes = Build("[Files]\nEngine.exe=src/engine.exe\n[Run]\nTarget=engine.EXE\nParameters=/S\n");
    EXPECT_EQ(Entries(volumes[0], 2).at(0).name, "Engine.exe*/S");
}

TEST_F(Builder, FailedBuildLeavesThePreviousSetupAndNoPartialFiles)
{
    const std::string setup = Build("[Files]\nEngine.exe=src/engine.exe\n")[0];
    const std::string before = ReadBytes(setup);
    // Launcher and headers fit the volume, an entry does not: the failure comes mid-write.
    for (const char* body : {"VolumeSize=1200\nCompress=0\n[Files]\nbig.bin=src/big.bin\n", "VolumeSize=1100\n"}) {
        SCOPED_TRACE(body);
        EXPECT_NE(Refusal(body), "accepted");
        EXPECT_EQ(ReadBytes(setup), before);
        std::vector<std::string> left;
        for (const auto& f : fs::directory_iterator(dir_ + "/out"))
            left.push_back(f.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"setup.exe"});
    }
}

TEST_F(Builder, LaunchersThatCannotTakeAPayload)
{
    const std::string built = Build("")[0];
    std::string noPe = FakeLauncher();
    noPe[256] = 'X';
    WriteBytes(dir_ + "/nope.exe", noPe);
    std::string used = FakeLauncher();
    used[250] = 1;
    WriteBytes(dir_ + "/used.exe", used);
    WriteBytes(dir_ + "/console.exe", FakeLauncher(3));
    WriteBytes(dir_ + "/text.exe", "just some text, long enough to be read as something");
    const std::pair<std::string, std::string> cases[] = {
        {"Launcher=" + built + "\n", "already carries a payload"},
        {"Launcher=nope.exe\n", "is not a bare launcher: no PE header at offset 256"},
        {"Launcher=text.exe\n", "is not a bare launcher: not a Windows program"},
        {"Launcher=console.exe\n", "is not a bare launcher: not a Windows GUI program"},
        {"Launcher=used.exe\n", "[Setup] StoredEnd: the launcher's bytes 248 to 255 are in use"},
        {"Launcher=missing.exe\n", "[Setup] Launcher: "},
    };
    for (const auto& [body, message] : cases) {
        // A second [Setup] is refused, so these keys replace the fixture's header.
        const std::string path = dir_ + "/l.ini";
        WriteBytes(path, "[Setup]\nOutput=new/l.exe\nRunsNothing=1\n" + body);
        std::string error = "accepted";
        try {
            WritePayload(ReadManifest(path));
        } catch (const ManifestError& e) {
            error = e.what();
        }
        EXPECT_NE(error.find(message), std::string::npos) << error;
        // Refused before anything was written, the output's folder included.
        EXPECT_FALSE(fs::exists(dir_ + "/new")) << body;
    }
    // StoredEnd=0 keeps the launcher's bytes 248 to 255 as they are.
    WriteBytes(dir_ + "/l.ini", "[Setup]\nOutput=new/l.exe\nRunsNothing=1\nLauncher=used.exe\nStoredEnd=0\n");
    EXPECT_EQ(WritePayload(ReadManifest(dir_ + "/l.ini")).size(), 1u);
    // The output's folder is made when the build goes ahead.
    EXPECT_TRUE(fs::exists(dir_ + "/new/l.exe"));
}

TEST_F(Builder, ASetupThatWouldDoNothingMustSaySo)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "no [Files] or [Folders]: the setup would unpack nothing"},
        {"[Files]\nEngine.exe=src/engine.exe\n", "no [Run] Target: the setup would start nothing"},
    };
    for (const auto& [body, message] : cases) {
        std::string error = "accepted";
        try {
            Build(body, {});
        } catch (const ManifestError& e) {
            error = e.what();
        }
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_EQ(Build(body, {"Setup/RunsNothing=1"}).size(), 1u);
    }
    // A web setup fetches what it runs.
    EXPECT_EQ(Build("[Trailer]\nWebDownload=1\n", {}).size(), 1u);
}

TEST_F(Builder, OverridesReplaceOrAddKeys)
{
    const std::string path = Manifest("[Trailer]\nShowProgress=0\n");
    const BuildPlan plan =
        ReadManifest(path, {"trailer/SHOWPROGRESS=1", "Update/Token=t", "Setup/EntrySize=5", "Setup/RunsNothing=1"});
    EXPECT_EQ(plan.flags, kFlagShowProgress);
    EXPECT_TRUE(plan.hasUpdate);
    EXPECT_EQ(plan.updateToken, "t");
    EXPECT_EQ(plan.entrySize, 5u);
    for (const char* bad : {"Setup", "Setup=1", "/Key=1", "Setup/=1"})
        EXPECT_THROW(ReadManifest(path, {bad}), ManifestError) << bad;
    // A refusal of what an option set names the option, not a line of the file.
    for (const auto& [option, message] :
         {std::pair<std::string, std::string>{"Trailer/ShowProgress=2", "--set Trailer/ShowProgress=2: [Trailer] "
                                                                        "ShowProgress: expected 0 or 1, not \"2\""},
          {"Nosuch/Key=1", "--set Nosuch/Key=1: [Nosuch] is not a known section"},
          {"Setup/Nokey=1", "--set Setup/Nokey=1: [Setup] Nokey: unknown key"}}) {
        std::string error = "accepted";
        try {
            ReadManifest(path, {"Setup/RunsNothing=1", option});
        } catch (const ManifestError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, message);
    }
}

TEST_F(Builder, DumpShowsTheDescriptor)
{
    const std::string text = DumpPayload(Build(kFull)[0]);
    for (const char* line : {"\nHasPayload=1\n", "\nChecksumOk=1\n", "\nFilesCount=5\n", "\nUpdateToken=up token\n",
                             "\nDownloadToken=down|token\n", "\nEnglish.s0=Title\n", "\nEnglish.FontSize=9\n",
                             "\nWebDownload=1\n", "\nInstalledInfoName=prod.original\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    // Only what the file holds: no update or download options where there are none, and
    // a later volume is named as such instead of showing its entries as header strings.
    const std::string plain = DumpPayload(Build("")[0]);
    for (const char* absent : {"UpdateServerUrl=", "AgentFileName=", "DownloadUrl=", "Volume="})
        EXPECT_EQ(plain.find(absent), std::string::npos) << absent;
    const auto volumes = Build("EntrySize=700\nCompress=0\nVolumeSize=1900\n[Files]\nbig.bin=src/big.bin\n");
    const std::string later = DumpPayload(volumes.at(1));
    EXPECT_NE(later.find("\nVolume=later"), std::string::npos) << later;
    EXPECT_EQ(later.find("LanguageTable="), std::string::npos) << later;
}

namespace {

TEST_F(Builder, WebSectionAlsoMakesTheWebLauncherOfTheSetup)
{
    const std::string manifest = Manifest(R"([Trailer]
ShowProgress=1
[Files]
Engine.exe=src/engine.exe
[Run]
Target=Engine.exe
[Download]
Token=product one
[Web]
Output=out/web.exe
Url=http://127.0.0.1:8080/dl
ConfirmDownload=1
[Language English]
s0=Title
)");
    const BuildPlan plan = ReadManifest(manifest);
    const std::vector<std::string> volumes = WritePayload(plan);
    const uint64_t size = fs::file_size(volumes[0]);
    const std::string hash = Sha256Hex(*Sha256OfFile(volumes[0]));
    const BuildPlan webPlan = WebLauncherPlan(plan, size, hash);
    EXPECT_TRUE(PlanWarnings(webPlan).empty());
    const std::vector<std::string> web = WritePayload(webPlan);
    ASSERT_EQ(web.size(), 1u);
    EXPECT_EQ(web[0], dir_ + "/out/web.exe");

    const TGFileInfo setup(volumes[0]);
    const TGFileInfo launcher(web[0]);
    EXPECT_FALSE(setup.WebDownload());
    EXPECT_TRUE(launcher.WebDownload() && launcher.ConfirmDownload() && launcher.ShowProgress());
    EXPECT_EQ(launcher.FilesCount(), 0u);
    EXPECT_EQ(launcher.DownloadUrl(), "http://127.0.0.1:8080/dl");
    EXPECT_EQ(launcher.DownloadFileName(), "setup.exe");
    EXPECT_EQ(launcher.DownloadSize(), std::to_string(size));
    EXPECT_EQ(launcher.DownloadSha256(), hash);
    EXPECT_EQ(setup.DownloadSha256(), "");
    EXPECT_FALSE(launcher.AlwaysDownload());
    EXPECT_TRUE(launcher.SameDownloadToken(setup));
    EXPECT_EQ(LanguageBlockText(SelectLanguageBlock(launcher.LanguageTable(), "ENGLISH"), "s0", ""), "Title");
}

TEST_F(Builder, WebSectionNeedsATokenAndOneVolume)
{
    const std::string files = "[Files]\nEngine.exe=src/engine.exe\n[Web]\nOutput=out/web.exe\nUrl=http://h/x\n";
    EXPECT_NE(Refusal(files).find("[Download] Token="), std::string::npos) << Refusal(files);
    const std::string spanned = "VolumeSize=100000\n" + files + "[Download]\nToken=t\n";
    EXPECT_NE(Refusal(spanned).find("one volume"), std::string::npos) << Refusal(spanned);
    const std::string noUrl = files.substr(0, files.find("Url=")) + "[Download]\nToken=t\n";
    EXPECT_NE(Refusal(noUrl).find("Url"), std::string::npos) << Refusal(noUrl);
}

} // namespace

namespace {

// Two public keys of P-256 points (any 64 bytes parse; whether they are points matters
// only when a signature is checked).
const std::string kKeyA = std::string(63, '1') + "a" + std::string(64, '2');
const std::string kKeyB = std::string(64, 'b') + std::string(64, 'C');

} // namespace

TEST_F(Builder, PublicKeysGoIntoTheUpdateOptionsAndTheAgentCopy)
{
    WriteBytes(dir_ + "/release.pub", "# comment\r\n" + kKeyA + "\r\n");
    const std::string update = "[Update]\nServerUrl=http://h/u\nInfoFile=p.info\nAgentFile=a.exe\nToken=t\n";
    const std::string keyed = Build(update + "PublicKey=release.pub\nPublicKey2=" + kKeyB + "\n")[0];
    const TGFileInfo setup(keyed);
    EXPECT_EQ(setup.ReleaseKey(0), UpperText(kKeyA));
    EXPECT_EQ(setup.ReleaseKey(1), UpperText(kKeyB));
    EXPECT_EQ(setup.ReleaseKey(2), "");
    EXPECT_EQ(setup.AgentFileName(), "a.exe");
    EXPECT_EQ(setup.UpdateToken(true), "t");
    const PayloadKeys keys = ReleaseKeysOf(setup);
    ASSERT_EQ(keys.keys.size(), 2u);
    EXPECT_FALSE(keys.damaged);
    EXPECT_EQ(PublicKeyHex(keys.keys[1]), UpperText(kKeyB));
    EXPECT_NE(DumpPayload(keyed).find("\nReleaseKey2=" + UpperText(kKeyB) + "\n"), std::string::npos);

    // The agent copy a setup run writes carries the same update options (this setup has
    // no entries: before its trailer lie the launcher and the header strings only).
    TFileReader file(keyed);
    std::string image;
    ASSERT_TRUE(file.ReadAt(0, static_cast<size_t>(file.Size() - kTrailerLength), image));
    const std::string agentPath = dir_ + "/agent.exe";
    WriteBytes(agentPath, AgentImage(image, ReadTrailer(file)));
    const TGFileInfo agent(agentPath);
    EXPECT_TRUE(agent.IsUpdateAgent());
    EXPECT_EQ(ReleaseKeysOf(agent).keys, keys.keys);

    // Without keys the update options are the five fields they always were.
    const TGFileInfo plain(Build(update)[0]);
    EXPECT_EQ(SUB::ListCount(plain.UpdateOptions()), 5);
    EXPECT_TRUE(ReleaseKeysOf(plain).keys.empty());
    EXPECT_FALSE(ReleaseKeysOf(plain).damaged);
}

TEST_F(Builder, BadKeysAndHashesAreRefused)
{
    WriteBytes(dir_ + "/two.pub", kKeyA + "\n" + kKeyB + "\n");
    const std::pair<std::string, std::string> cases[] = {
        {"[Update]\nPublicKey=" + kKeyA.substr(2) + "\n", "[Update] PublicKey: expected a public key file"},
        {"[Update]\nPublicKey=missing.pub\n", "[Update] PublicKey: expected a public key file"},
        {"[Update]\nPublicKey=two.pub\n", "[Update] PublicKey: " + dir_ + "/two.pub is not a public key file"},
        {"[Update]\nPublicKey=" + kKeyA + "\nPublicKey2=" + UpperText(kKeyA) + "\n",
         "[Update] PublicKey2: is the same"},
        {"[Update]\nPublicKey3=" + kKeyA + "\n", "[Update] PublicKey3: unknown key"},
        {"[Download]\nSha256=" + std::string(63, 'a') + "\n", "[Download] Sha256: expected the setup's SHA-256"},
        {"[Download]\nSha256=" + std::string(63, 'a') + "g\n", "[Download] Sha256: expected the setup's SHA-256"},
    };
    for (const auto& [body, message] : cases)
        EXPECT_NE(Refusal(body).find(message), std::string::npos) << body << "\n -> " << Refusal(body);
}

TEST_F(Builder, AWebLauncherOfItsOwnTakesTheHashAndIsWarnedWithout)
{
    const std::string web = "[Trailer]\nWebDownload=1\n[Download]\nUrl=http://h/d\nFileName=full.exe\nToken=t\n";
    const BuildPlan without = ReadManifest(Manifest(web));
    ASSERT_EQ(PlanWarnings(without).size(), 1u);
    EXPECT_NE(PlanWarnings(without)[0].find("carries no SHA-256 of its setup"), std::string::npos);

    const std::string hash = std::string(32, 'a') + std::string(32, 'F');
    const BuildPlan with = ReadManifest(Manifest(web + "Sha256=" + hash + "\n"));
    EXPECT_TRUE(PlanWarnings(with).empty());
    const TGFileInfo launcher(WritePayload(with)[0]);
    EXPECT_EQ(launcher.DownloadSha256(), UpperText(hash));
    EXPECT_EQ(launcher.DownloadSize(), "");
    // A setup that downloads nothing is not warned about.
    EXPECT_TRUE(PlanWarnings(ReadManifest(Manifest("[Download]\nToken=t\n"), {"Setup/RunsNothing=1"})).empty());
}
