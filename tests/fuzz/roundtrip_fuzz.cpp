// A setup the builder writes from a manifest (options, run parameters, token, a language
// text, one file name and two files' contents from the input), read back the way the
// launcher reads it.
// Properties: every volume passes its checksum and all but the last say that another
// follows; the walk over the volumes gives back exactly the files with their contents and
// refuses none; the run target is the target with its parameters; the token and the
// language text read back; the agent copy carries the same header strings.
#include <filesystem>
#include <map>

#include "FuzzFolder.h"
#include "FuzzInput.h"
#include "Manifest.h"
#include "PayloadWriter.h"
#include "payload/EntryWalk.h"
#include "payload/GFileInfo.h"
#include "payload/PayloadTrailer.h"
#include "util/Utils.h"

namespace {

std::string Launcher()
{
    std::string b(1024, '\0');
    b[0] = 'M', b[1] = 'Z', b[256] = 'P', b[257] = 'E';
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> f = Fields(data, size, 7);
    // One manifest line each: a line break would let the input add sections of its own.
    for (size_t i = 1; i <= 4; ++i)
        f[i] = FilterChars(f[i], "", "\r\n");
    const std::string& options = f[0];
    TByteSource option(options);
    const std::string folder = FuzzFolder();
    static const bool prepared = [&] {
        WriteFuzzFile(folder + "/launcher.exe", Launcher());
        std::filesystem::create_directories(folder + "/out");
        return true;
    }();
    (void)prepared;
    WriteFuzzFile(folder + "/one.bin", f[5]);
    WriteFuzzFile(folder + "/two.bin", f[6]);

    const unsigned bits = option.Byte();
    std::string manifest = "[Setup]\nLauncher=launcher.exe\nOutput=out/setup.exe\nKeepDates=0\nTokenSeed=7\n";
    manifest += "EntrySize=" + std::to_string(option.Byte() % 64 + 1) + "\n";
    manifest += std::string("StoredEnd=") + (bits & 1 ? "1" : "0") + "\nCompress=" + (bits & 2 ? "1" : "0") + "\n";
    if (bits & 4)
        manifest += "VolumeSize=" + std::to_string(1200 + option.Byte() * 4) + "\n";
    manifest += "[Files]\nEngine.exe=one.bin\n" + f[4] + "=two.bin\n";
    manifest += "[Run]\nTarget=Engine.exe\nParameters=\"" + f[1] + "\"\n";
    manifest += "[Update]\nToken=\"" + f[2] + "\"\n";
    if (bits & 8)
        manifest += "[Download]\nToken=\"" + f[2] + "\"\n";
    manifest += "[Language English]\ns0=\"" + f[3] + "\"\n";
    WriteFuzzFile(folder + "/setup.ini", manifest);

    std::vector<std::string> volumes;
    BuildPlan plan;
    try {
        plan = ReadManifest(folder + "/setup.ini");
        volumes = WritePayload(plan);
    } catch (const ManifestError&) {
        return 0;
    }

    std::map<std::string, std::string> files;
    TEntryWalk walk;
    for (size_t v = 0; v < volumes.size(); ++v) {
        TFileReader file(volumes[v]);
        const PayloadTrailer trailer = ReadTrailer(file);
        FUZZ_CHECK(trailer.magic == kPayloadMagic);
        FUZZ_CHECK(ChecksumPasses(PayloadChecksum(file, trailer.length), trailer.checksum));
        FUZZ_CHECK(((trailer.flags & kFlagSpanned) != 0) == (v + 1 < volumes.size()));
        int64_t at = trailer.payloadStart;
        const auto read = [&](std::string& into, size_t n) {
            const bool got = file.ReadAt(at, &into[0], n);
            at += static_cast<int64_t>(n);
            return got;
        };
        const WalkStop stop = walk.Volume(read, trailer.payloadStart, EffectivePayloadEnd(file),
                                          trailer.headerStringCount, [&](const WalkedEntry& entry) {
                                              FUZZ_CHECK(entry.refusal.empty());
                                              files[entry.header.name].append(entry.content, entry.contentSize);
                                          });
        FUZZ_CHECK(stop == WalkStop::End && EffectivePayloadEnd(file) - walk.Position() == kTrailerLength);
    }
    FUZZ_CHECK(files.size() == plan.files.size());
    for (const PayloadFile& p : plan.files)
        FUZZ_CHECK(files[p.name] == (p.source.find("one.bin") != std::string::npos ? f[5] : f[6]));
    FUZZ_CHECK(walk.RunTarget() == "Engine.exe*" + plan.runParameters);

    const TGFileInfo info(volumes[0]);
    FUZZ_CHECK(info.UpdateToken(true) == plan.updateToken || plan.updateToken.empty());
    if (plan.hasDownload)
        FUZZ_CHECK(info.SameDownloadToken(info) == !plan.downloadToken.empty());
    const std::string& s0 = plan.languages.at(0).texts.at(0).second;
    // Blanks before "=" and after a delimiter are dropped by every key lookup.
    if (s0.find(' ') == std::string::npos)
        FUZZ_CHECK(LanguageBlockText(SelectLanguageBlock(info.LanguageTable(), "ENGLISH"), "s0", "") == s0);

    std::string image;
    TFileReader first(volumes[0]);
    FUZZ_CHECK(first.ReadAt(0, static_cast<size_t>(walk.HeaderEnd()), image));
    const std::string agent = AgentImage(image, ReadTrailer(first));
    TFileReader agentFile = MemoryFile(agent);
    const TGFileInfo copy(agentFile);
    FUZZ_CHECK(copy.IsUpdateAgent() && copy.LanguageTable() == info.LanguageTable() &&
               copy.UpdateOptions() == info.UpdateOptions() && copy.DownloadOptions() == info.DownloadOptions());
    return 0;
}
