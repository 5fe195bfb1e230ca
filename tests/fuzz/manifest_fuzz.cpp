// The builder's manifest reader on any text, beside two small source files.
// Properties: a manifest is either refused with a ManifestError or gives a plan that the
// launcher can carry out: every work-folder name is one the launcher would write, no two
// names differ only in case, the run target is one of them, sizes and counts are in range.
#include <filesystem>
#include <set>

#include "FuzzFolder.h"
#include "FuzzInput.h"
#include "Manifest.h"
#include "payload/PayloadEntry.h"
#include "util/Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = FuzzFolder();
    static const bool sources = [&] {
        WriteFuzzFile(folder + "/a.txt", "a");
        std::filesystem::create_directories(folder + "/d/e");
        WriteFuzzFile(folder + "/d/e/b.txt", "b");
        return true;
    }();
    (void)sources;
    const std::string path = folder + "/manifest.ini";
    WriteFuzzFile(path, std::string(reinterpret_cast<const char*>(data), size));

    BuildPlan plan;
    try {
        plan = ReadManifest(path);
    } catch (const ManifestError&) {
        return 0;
    }
    std::set<std::string> names;
    for (const PayloadFile& f : plan.files) {
        FUZZ_CHECK(IsSafeEntryName(f.name) && f.name.find('|') == std::string::npos);
        FUZZ_CHECK(names.insert(UpperText(f.name)).second);
    }
    FUZZ_CHECK(plan.runTarget.empty() || names.count(UpperText(plan.runTarget)) == 1);
    FUZZ_CHECK(plan.runParameters.find('|') == std::string::npos && plan.runParameters.find('\0') == std::string::npos);
    FUZZ_CHECK(plan.entrySize >= 1 && plan.entrySize <= kLargestEntrySize);
    FUZZ_CHECK(plan.headerStrings == 2 || plan.headerStrings == 3);
    FUZZ_CHECK(!plan.hasDownload || plan.headerStrings == 3);
    return 0;
}
