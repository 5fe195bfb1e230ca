// Makes a setup exe from a bare launcher and a manifest (and with [Web] also the web
// launcher that downloads it), or prints what a payload holds.
//   builder MANIFEST.ini [-o OUTPUT] [--launcher LAUNCHER.exe] [--set Section/Key=value]... [--threads N]
//   builder --dump FILE
// The entries are compressed on every core (--threads 1: on one); the setup is the same
// bytes either way.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "Dump.h"
#include "Manifest.h"
#include "PartFiles.h"
#include "PayloadWriter.h"
#include "payload/FileReader.h"
#include "trust/Sha256.h"

namespace {

std::string FileSha256Hex(const std::string& path)
{
    const std::optional<Sha256Digest> digest = Sha256OfFile(path);
    if (!digest)
        throw std::runtime_error(path + ": cannot be read back to hash it");
    return Sha256Hex(*digest);
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: builder MANIFEST.ini [-o OUTPUT] [--launcher LAUNCHER.exe] [--set Section/Key=value]... "
                 "[--threads N]\n"
                 "       builder --dump FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) {
            if (!TFileReader(argv[2]).IsOpen()) {
                std::fprintf(stderr, "builder: %s cannot be read\n", argv[2]);
                return 1;
            }
            const std::string text = DumpPayload(argv[2]);
            std::fwrite(text.data(), 1, text.size(), stdout);
            return 0;
        }
        if (argc < 2 || argv[1][0] == '-')
            return Usage();
        std::string output, launcher;
        std::vector<std::string> overrides;
        unsigned threads = 0;
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            if (i + 1 < argc && arg == "-o")
                output = argv[++i];
            else if (i + 1 < argc && arg == "--launcher")
                launcher = argv[++i];
            else if (i + 1 < argc && arg == "--set")
                overrides.push_back(argv[++i]);
            else if (i + 1 < argc && arg == "--threads" &&
                     std::strspn(argv[i + 1], "0123456789") == std::strlen(argv[i + 1]) &&
                     std::strlen(argv[i + 1]) > 0 && std::strlen(argv[i + 1]) < 4)
                threads = static_cast<unsigned>(std::atoi(argv[++i]));
            else
                return Usage();
        }
        RemovePartFilesOnInterrupt();
        BuildPlan plan = ReadManifest(argv[1], overrides);
        if (!output.empty())
            plan.output = output;
        if (!launcher.empty())
            plan.launcher = launcher;
        plan.threads = threads;
        const std::vector<std::string> volumes = WritePayload(plan);
        for (const std::string& volume : volumes)
            std::printf("%s\n", volume.c_str());
        std::vector<std::string> warnings = PlanWarnings(plan);
        if (!plan.webOutput.empty()) {
            const BuildPlan web =
                WebLauncherPlan(plan, std::filesystem::file_size(volumes[0]), FileSha256Hex(volumes[0]));
            for (const std::string& volume : WritePayload(web))
                std::printf("%s\n", volume.c_str());
            const std::vector<std::string> more = PlanWarnings(web);
            warnings.insert(warnings.end(), more.begin(), more.end());
        }
        for (const std::string& warning : warnings)
            std::fprintf(stderr, "builder: warning: %s\n", warning.c_str());
        return 0;
    } catch (const ManifestError& e) {
        std::fprintf(stderr, "builder: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "builder: %s\n", e.what());
        return 1;
    }
}
