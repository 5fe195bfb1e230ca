// Signed releases: the ".info" bytes and the signature file served beside them, judged at
// a clock from the input.
// Properties: nothing verifies under a key that did not sign; a refusal names its reason
// and gives no files; a signature file that parses is written back to the same fields;
// the same bytes signed here with the fuzzer's own key verify unless they are malformed
// or expired, and then give the files their bytes name, with whole sizes.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "FuzzInput.h"
#include "Signing.h"
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

void CheckFile(const std::optional<SignedFile>& file, const std::string& info, const char* section, const char* key)
{
    FUZZ_CHECK(file.has_value() == !IniValue(info, section, key, "").empty());
    if (file) {
        FUZZ_CHECK(file->name == IniValue(info, section, key, ""));
        FUZZ_CHECK(file->size >= 0);
    }
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
        CheckFile(own.update, info, "NewSetup", "NameOfUpdateFile");
        CheckFile(own.inform, info, "AutoInform", "NameOfInformFile");
        FUZZ_CHECK(!own.expires || now < *own.expires);
    } else {
        FUZZ_CHECK(!own.reason.empty());
    }
    if (own.trust == ReleaseTrust::Expired) {
        const std::optional<int64_t> expires = ParseUtcTime(IniValue(info, "General", "Expires", ""));
        FUZZ_CHECK(expires && *expires <= now);
    }
    return 0;
}
