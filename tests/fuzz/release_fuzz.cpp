// Signed releases: the ".info" bytes and the signature file served beside them, judged at
// a clock from the input, and the Release value the agent reads from those bytes.
// Properties: nothing verifies under a key that did not sign; a refusal names its reason
// and gives no files; a signature file that parses is written back to the same fields;
// the same bytes signed here with the fuzzer's own key verify unless they are malformed
// or expired, and then give the files their bytes name, with whole sizes. The Release's
// texts are at most the longest value the system's reader gives and hold no line break;
// its numbers and flags are those the INI reader gives for their keys (a flag only for
// the text "1").
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "FuzzInput.h"
#include "Signing.h"
#include "agent/Release.h"
#include "trust/SignedRelease.h"
#include "util/IniText.h"

namespace {

const ReleaseSigner& OwnSigner()
{
    static const std::unique_ptr<ReleaseSigner> signer = [] {
        const std::string dir =
            std::filesystem::temp_directory_path().string() + "/release_fuzz." + std::to_string(::getpid());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        GenerateKeyFiles(dir + "/k.key", dir + "/k.pub");
        auto made = std::make_unique<ReleaseSigner>(dir + "/k.key");
        std::filesystem::remove_all(dir);
        return made;
    }();
    return *signer;
}

void CheckFile(const std::optional<SignedFile>& file, const IniText& info, const char* section, const char* key)
{
    FUZZ_CHECK(file.has_value() == !info.Text(section, key, "").empty());
    if (file) {
        FUZZ_CHECK(file->name == info.Text(section, key, ""));
        FUZZ_CHECK(file->size >= 0);
    }
}

void CheckRelease(const std::string& info, const IniText& ini)
{
    const Release r = ParseRelease(info);
    for (const std::string* text : {&r.downloadUrl, &r.nameOfUpdateFile, &r.shutDownMethod, &r.runningProcess,
                                    &r.programName, &r.validVersions, &r.informAddress, &r.nameOfInformFile}) {
        FUZZ_CHECK(text->size() <= IniText::kLongestValue);
        FUZZ_CHECK(text->find_first_of("\r\n") == std::string::npos);
    }
    FUZZ_CHECK(r.versionNew == ini.Int("NewSetup", "VersionNew", 0));
    FUZZ_CHECK(r.sizeOfUpdateFile == ini.Int("NewSetup", "SizeOfUpdateFile", 0));
    FUZZ_CHECK(r.informWidth == ini.Int("AutoInform", "AutoInformW", 360));
    FUZZ_CHECK(r.restartProcess == (ini.Text("NewSetup", "RestartProcess", "0") == "1"));
    FUZZ_CHECK(r.autoInform == (ini.Int("General", "AutoInform", 0) == 1));
    FUZZ_CHECK(r.nameOfUpdateFile == ini.Text("NewSetup", "NameOfUpdateFile", ""));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> fields = Fields(data, size, 3);
    const std::string& clock = fields[0];
    const std::string& signature = fields[1];
    const std::string& info = fields[2];
    int64_t now = 0;
    std::memcpy(&now, clock.data(), std::min(clock.size(), sizeof now));
    const IniText ini(info);
    CheckRelease(info, ini);

    const PublicKey foreign = *ParsePublicKey(
        "D66D3C96947BAEAE89228B6A415F9C4C64D533AF35F56B1FC12965C04F1589320559BB1AB8DF518FCEC83B13D559D8AA166D"
        "C9EBBFCA25A9804230F94F529BD9");
    const ReleaseVerdict refused = VerifyRelease(info, signature, {foreign}, now);
    FUZZ_CHECK(!refused.Verified() && !refused.reason.empty());
    FUZZ_CHECK(!refused.update && !refused.inform && refused.keyIndex < 0);

    if (const std::optional<SignatureFile> parsed = ParseSignatureFile(signature)) {
        const std::optional<SignatureFile> back = ParseSignatureFile(SignatureFileText(*parsed));
        FUZZ_CHECK(back && back->keyId == parsed->keyId && back->signature == parsed->signature);
    }

    const ReleaseSigner& signer = OwnSigner();
    const ReleaseVerdict own =
        VerifyRelease(info, SignatureFileText(signer.Sign(info)), {foreign, signer.Public()}, now);
    FUZZ_CHECK(own.trust == ReleaseTrust::Verified || own.trust == ReleaseTrust::Malformed ||
               own.trust == ReleaseTrust::Expired);
    if (own.Verified()) {
        FUZZ_CHECK(own.keyIndex == 1 && own.reason.empty());
        CheckFile(own.update, ini, "NewSetup", "NameOfUpdateFile");
        CheckFile(own.inform, ini, "AutoInform", "NameOfInformFile");
        FUZZ_CHECK(!own.expires || now < *own.expires);
    } else {
        FUZZ_CHECK(!own.reason.empty());
    }
    if (own.trust == ReleaseTrust::Expired) {
        const std::optional<int64_t> expires = ParseUtcTime(ini.Text("General", "Expires", ""));
        FUZZ_CHECK(expires && *expires <= now);
    }
    return 0;
}
