// ECDSA P-256 through CNG: a fixed signature made with the host's libcrypto, and a
// release that the publisher signed for this run (win_unit.cng passes its folder in
// K_SIGNED_RELEASE).
#include "trust/Ecdsa.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "trust/HeldFileWin.h"
#include "trust/SignedRelease.h"
#include "util/FilesWin.h"
#include "util/Utils.h"

namespace {

const char kKey[] = "D66D3C96947BAEAE89228B6A415F9C4C64D533AF35F56B1FC12965C04F1589320559BB1AB8DF518FCEC83B13D559D8AA16"
                    "6DC9EBBFCA25A9804230F94F529BD9";
const char kSignature[] = "1B24BAC300301AC9533EBA3159E38D0EDE10F4D19F442405329EF28171DBD7989A9CADABD55BB5EA8CF539837C21"
                          "E12F1B00AAC6918CB9D4E98D100FBEB274C2";
const char kMessage[] = "A release description, signed.\r\n";

EcdsaSignature Signature(const std::string& hex)
{
    std::string bytes;
    EcdsaSignature sig{};
    EXPECT_TRUE(StrictHexToBytes(hex, bytes) && bytes.size() == sig.size());
    std::copy(bytes.begin(), bytes.end(), sig.begin());
    return sig;
}

TEST(EcdsaCng, VerifiesASignatureOfTheHostsLibcrypto)
{
    const PublicKey key = *ParsePublicKey(kKey);
    const EcdsaSignature sig = Signature(kSignature);
    EXPECT_TRUE(VerifyP256(key, *Sha256Of(kMessage), sig));
    EXPECT_FALSE(VerifyP256(key, *Sha256Of(std::string(kMessage) + " "), sig));
    EcdsaSignature changed = sig;
    changed[40] ^= 0x10;
    EXPECT_FALSE(VerifyP256(key, *Sha256Of(kMessage), changed));
    // A key that is no point of the curve is refused, not trusted.
    PublicKey off = key;
    off.xy[63] ^= 1;
    EXPECT_FALSE(VerifyP256(off, *Sha256Of(kMessage), sig));
    EXPECT_FALSE(VerifyP256(key, *Sha256Of(kMessage), EcdsaSignature{}));
}

// The folder win_unit.cng made with the host publisher, as a Windows path.
std::string ReleaseFolder()
{
    const char* folder = std::getenv("K_SIGNED_RELEASE");
    std::string path = folder ? folder : "";
    if (!path.empty() && path.front() == '/')
        path = "Z:" + ReplaceChar(path, '/', '\\');
    return path;
}

TEST(CngRelease, VerifiesWhatThePublisherSigned)
{
    const std::string folder = ReleaseFolder();
    if (folder.empty())
        GTEST_SKIP() << "K_SIGNED_RELEASE names no release (win_unit.cng gives one)";
    const std::string info = ReadFileRange(folder + "\\served\\product.info", 0, 0);
    const std::string signature = ReadFileRange(folder + "\\served\\product.info.sig", 0, 0);
    const PublicKey first = *ParsePublicKey(ReadFileRange(folder + "\\a.pub", 0, 0));
    const PublicKey second = *ParsePublicKey(ReadFileRange(folder + "\\b.pub", 0, 0));
    ASSERT_FALSE(info.empty() || signature.empty());

    // Signed by the second key of two, as after a rotation; the release lasts a day.
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    const ReleaseVerdict verdict = VerifyRelease(info, signature, {first, second}, now);
    ASSERT_TRUE(verdict.Verified()) << verdict.reason;
    EXPECT_EQ(verdict.keyIndex, 1);
    ASSERT_TRUE(verdict.inform);
    const HeldFile news = HoldAndHash(folder + "\\served\\" + verdict.inform->name);
    EXPECT_EQ(news.sha256, verdict.inform->sha256);
    EXPECT_EQ(static_cast<int64_t>(ReadFileRange(folder + "\\served\\" + verdict.inform->name, 0, 0).size()),
              verdict.inform->size);

    EXPECT_EQ(VerifyRelease(info, signature, {first}, now).trust, ReleaseTrust::ForeignKey);
    std::string changed = info;
    changed[changed.size() / 2] ^= 1;
    EXPECT_EQ(VerifyRelease(changed, signature, {first, second}, now).trust, ReleaseTrust::BadSignature);
    EXPECT_EQ(VerifyRelease(info, signature, {second}, *verdict.expires).trust, ReleaseTrust::Expired);
}

} // namespace
