// The release's ".info" description as a server sends it, read once into a Release.
// Properties: every text is at most the longest value the system's reader gives and
// holds no line break; numbers and flags are those the INI reader gives for their keys
// (a flag only for the text "1"); reading the same bytes twice gives the same release.
#include "FuzzInput.h"
#include "agent/Release.h"
#include "util/IniText.h"

namespace {

void CheckText(const std::string& text)
{
    FUZZ_CHECK(text.size() <= IniText::kLongestValue);
    FUZZ_CHECK(text.find_first_of("\r\n") == std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Release r = ParseRelease(bytes);
    for (const std::string* text : {&r.downloadUrl, &r.nameOfUpdateFile, &r.shutDownMethod, &r.runningProcess,
                                    &r.programName, &r.validVersions, &r.informAddress, &r.nameOfInformFile})
        CheckText(*text);

    const IniText ini(bytes);
    FUZZ_CHECK(r.versionNew == ini.Int("NewSetup", "VersionNew", 0));
    FUZZ_CHECK(r.sizeOfUpdateFile == ini.Int("NewSetup", "SizeOfUpdateFile", 0));
    FUZZ_CHECK(r.informWidth == ini.Int("AutoInform", "AutoInformW", 360));
    FUZZ_CHECK(r.restartProcess == (ini.Text("NewSetup", "RestartProcess", "0") == "1"));
    FUZZ_CHECK(r.autoInform == (ini.Int("General", "AutoInform", 0) == 1));
    FUZZ_CHECK(r.downloadUrl == ini.Text("NewSetup", "DownloadURL_UPDATE", ""));

    const Release again = ParseRelease(bytes);
    FUZZ_CHECK(again.runningProcess == r.runningProcess && again.stamp == r.stamp &&
               again.confirmDownload == r.confirmDownload && again.nameOfInformFile == r.nameOfInformFile);
    return 0;
}
