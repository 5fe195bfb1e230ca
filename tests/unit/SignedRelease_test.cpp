#include "trust/SignedRelease.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Signing.h"
#include "TestFiles.h"

namespace fs = std::filesystem;

namespace {

const std::string kUpdateHash(64, 'a');
const std::string kInformHash = std::string(32, '0') + std::string(32, 'F');
// 2030-01-01T00:00:00Z
constexpr int64_t kExpiry = 1893456000;

std::string Info(const std::string& newSetup, const std::string& general = "", const std::string& inform = "")
{
    return "[NewSetup]\r\nDownloadURL_UPDATE=http://127.0.0.1/upd\r\n" + newSetup +
           "VersionNew=12\r\n\r\n[General]\r\nAutoInform=0\r\n" + general + "\r\n[AutoInform]\r\n" + inform +
           "AutoInformW=360\r\n";
}

const std::string kGoodSetup =
    "NameOfUpdateFile=setup-12.exe\r\nSizeOfUpdateFile=3221225472\r\nSha256OfUpdateFile=" + kUpdateHash + "\r\n";
const std::string kGoodInform =
    "NameOfInformFile=news.rtf\r\nSizeOfInformFile=54\r\nSha256OfInformFile=" + kInformHash + "\r\n";

// Two publisher keys, made once for the suite (key generation is the slow part).
class SignedRelease : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string dir = ::testing::TempDir() + "SignedRelease_keys";
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (int i = 0; i < 2; ++i) {
            const std::string key = dir + "/k" + std::to_string(i);
            GenerateKeyFiles(key + ".key", key + ".pub");
            signers_[i] = std::make_unique<ReleaseSigner>(key + ".key");
        }
    }
    static void TearDownTestSuite()
    {
        for (auto& signer : signers_)
            signer.reset();
    }
    static std::string Sign(int signer, const std::string& info)
    {
        return SignatureFileText(signers_[signer]->Sign(info));
    }
    static PublicKey Key(int signer) { return signers_[signer]->Public(); }

    static std::unique_ptr<ReleaseSigner> signers_[2];
};
std::unique_ptr<ReleaseSigner> SignedRelease::signers_[2];

TEST_F(SignedRelease, AGoodReleaseGivesItsFilesWithSizesPast32Bits)
{
    const std::string info = Info(kGoodSetup, "Expires=2030-01-01T00:00:00Z\r\n", kGoodInform);
    const ReleaseVerdict verdict = VerifyRelease(info, Sign(0, info), {Key(0)}, kExpiry - 1);
    ASSERT_TRUE(verdict.Verified()) << verdict.reason;
    EXPECT_EQ(verdict.keyIndex, 0);
    EXPECT_TRUE(verdict.reason.empty());
    ASSERT_TRUE(verdict.update && verdict.inform);
    EXPECT_EQ(verdict.update->name, "setup-12.exe");
    EXPECT_EQ(verdict.update->size, INT64_C(3221225472));
    EXPECT_EQ(verdict.update->sha256, *Sha256FromHex(kUpdateHash));
    EXPECT_EQ(verdict.inform->name, "news.rtf");
    EXPECT_EQ(verdict.inform->size, 54);
    EXPECT_EQ(Sha256Hex(verdict.inform->sha256), kInformHash);
    EXPECT_EQ(verdict.expires, kExpiry);

    // An announcement alone names no update file; a release without expiry never expires.
    const std::string announce = Info("NameOfUpdateFile=\r\nSizeOfUpdateFile=0\r\n", "", kGoodInform);
    const ReleaseVerdict only = VerifyRelease(announce, Sign(0, announce), {Key(0)}, INT64_MAX);
    ASSERT_TRUE(only.Verified()) << only.reason;
    EXPECT_FALSE(only.update);
    EXPECT_TRUE(only.inform);
    EXPECT_FALSE(only.expires);
}

TEST_F(SignedRelease, AnyChangedByteOfTheInfoOrTheSignatureIsRefused)
{
    const std::string info = Info(kGoodSetup, "", kGoodInform);
    const std::string signature = Sign(0, info);
    for (size_t at : {size_t(0), info.find("3221225472") + 1, info.find(kUpdateHash) + 10, info.size() - 1}) {
        std::string changed = info;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        const ReleaseVerdict verdict = VerifyRelease(changed, signature, {Key(0)}, 0);
        EXPECT_EQ(verdict.trust, ReleaseTrust::BadSignature) << at;
        EXPECT_NE(verdict.reason.find("does not match its signature (key " + KeyId(Key(0)) + ")"), std::string::npos)
            << verdict.reason;
        EXPECT_FALSE(verdict.update || verdict.inform) << at;
    }
    // A byte added at the end, and a changed digit of s.
    EXPECT_EQ(VerifyRelease(info + "\n", signature, {Key(0)}, 0).trust, ReleaseTrust::BadSignature);
    std::string badSig = signature;
    const size_t digit = badSig.size() - 3; // the last digit of s
    badSig[digit] = badSig[digit] == '0' ? '1' : '0';
    EXPECT_EQ(VerifyRelease(info, badSig, {Key(0)}, 0).trust, ReleaseTrust::BadSignature);
}

TEST_F(SignedRelease, KeysDecideBetweenForeignKeyRotationAndUnsigned)
{
    const std::string info = Info(kGoodSetup);
    const std::string byFirst = Sign(0, info), bySecond = Sign(1, info);
    EXPECT_EQ(VerifyRelease(info, byFirst, {Key(1)}, 0).trust, ReleaseTrust::ForeignKey);
    EXPECT_NE(VerifyRelease(info, byFirst, {Key(1)}, 0).reason.find("a key this product does not trust"),
              std::string::npos);
    EXPECT_EQ(VerifyRelease(info, byFirst, {}, 0).trust, ReleaseTrust::ForeignKey);
    // Rotation: a product that carries both takes a release signed by either.
    const ReleaseVerdict second = VerifyRelease(info, bySecond, {Key(0), Key(1)}, 0);
    ASSERT_TRUE(second.Verified()) << second.reason;
    EXPECT_EQ(second.keyIndex, 1);
    EXPECT_EQ(VerifyRelease(info, byFirst, {Key(0), Key(1)}, 0).keyIndex, 0);
    // A signature that claims a trusted key's id but was made by another key.
    std::string claimed = bySecond;
    claimed.replace(claimed.find("Key=") + 4, 16, KeyId(Key(0)));
    EXPECT_EQ(VerifyRelease(info, claimed, {Key(0)}, 0).trust, ReleaseTrust::BadSignature);

    const ReleaseVerdict unsigned_ = VerifyRelease(info, "", {Key(0)}, 0);
    EXPECT_EQ(unsigned_.trust, ReleaseTrust::Unsigned);
    EXPECT_EQ(unsigned_.reason, "the release is not signed");
}

TEST_F(SignedRelease, MalformedSignatureFilesAreBadSignatures)
{
    const std::string info = Info(kGoodSetup);
    const std::string good = Sign(0, info);
    const std::string key = "Key=" + KeyId(Key(0));
    const std::string sig = good.substr(good.find("Signature="), 138);
    // The same with LF line ends, and with no line end after the last line.
    const std::string lf = "KalvexSignature 1\n" + key + "\n" + sig + "\n";
    EXPECT_TRUE(VerifyRelease(info, lf, {Key(0)}, 0).Verified());
    EXPECT_TRUE(VerifyRelease(info, "KalvexSignature 1\n" + key + "\n" + sig, {Key(0)}, 0).Verified());
    const std::string bad[] = {
        "KalvexSignature 2\n" + key + "\n" + sig + "\n",
        key + "\n" + sig + "\n",
        "KalvexSignature 1\n" + sig + "\n" + key + "\n",
        "KalvexSignature 1\n" + key + "\n" + sig.substr(0, 136) + "\n",
        "KalvexSignature 1\n" + key + "0\n" + sig + "\n",
        "KalvexSignature 1\n" + key + "\n" + sig + "\nExtra=1\n",
        "KalvexSignature 1\n" + key + "\n" + sig + "\n" + std::string(5000, '\n'),
        "KalvexSignature 1\n" + key + "\n" + sig.substr(0, 137) + "g\n",
        std::string(64, '\0'),
    };
    for (const std::string& text : bad) {
        const ReleaseVerdict verdict = VerifyRelease(info, text, {Key(0)}, 0);
        EXPECT_EQ(verdict.trust, ReleaseTrust::BadSignature) << text;
        EXPECT_EQ(verdict.reason, "the release's signature file is malformed");
    }
}

TEST_F(SignedRelease, ASignedFileWithoutItsHashOrSizeIsMalformed)
{
    struct Case {
        std::string newSetup, inform, fault;
    };
    const Case cases[] = {
        {"NameOfUpdateFile=s.exe\r\nSizeOfUpdateFile=10\r\n", "",
         "NameOfUpdateFile=s.exe without a valid Sha256OfUpdateFile"},
        {"NameOfUpdateFile=s.exe\r\nSha256OfUpdateFile=" + kUpdateHash + "\r\n", "",
         "without a valid SizeOfUpdateFile"},
        {"NameOfUpdateFile=s.exe\r\nSizeOfUpdateFile=10\r\nSha256OfUpdateFile=" + kUpdateHash.substr(1) + "\r\n", "",
         "without a valid Sha256OfUpdateFile"},
        {"NameOfUpdateFile=s.exe\r\nSizeOfUpdateFile=-1\r\nSha256OfUpdateFile=" + kUpdateHash + "\r\n", "",
         "without a valid SizeOfUpdateFile"},
        {"NameOfUpdateFile=s.exe\r\nSizeOfUpdateFile=9223372036854775808\r\nSha256OfUpdateFile=" + kUpdateHash + "\r\n",
         "", "without a valid SizeOfUpdateFile"},
        {"NameOfUpdateFile=s.exe\r\nSizeOfUpdateFile=1e9\r\nSha256OfUpdateFile=" + kUpdateHash + "\r\n", "",
         "without a valid SizeOfUpdateFile"},
        // The hash of the other section does not stand in.
        {kGoodSetup, "NameOfInformFile=n.rtf\r\nSizeOfInformFile=5\r\nSha256OfUpdateFile=" + kUpdateHash + "\r\n",
         "NameOfInformFile=n.rtf without a valid Sha256OfInformFile"},
    };
    for (const Case& c : cases) {
        const std::string info = Info(c.newSetup, "", c.inform);
        const ReleaseVerdict verdict = VerifyRelease(info, Sign(0, info), {Key(0)}, 0);
        EXPECT_EQ(verdict.trust, ReleaseTrust::Malformed) << c.newSetup << c.inform;
        EXPECT_NE(verdict.reason.find(c.fault), std::string::npos) << verdict.reason;
    }
    // The largest size there is still passes.
    const std::string largest = Info("NameOfUpdateFile=s.exe\r\nSizeOfUpdateFile=9223372036854775807\r\n"
                                     "Sha256OfUpdateFile=" +
                                     kUpdateHash + "\r\n");
    const ReleaseVerdict verdict = VerifyRelease(largest, Sign(0, largest), {Key(0)}, 0);
    ASSERT_TRUE(verdict.Verified()) << verdict.reason;
    EXPECT_EQ(verdict.update->size, INT64_MAX);
}

TEST_F(SignedRelease, ExpiryIsCheckedAgainstTheGivenClock)
{
    const std::string info = Info(kGoodSetup, "Expires=2030-01-01T00:00:00Z\r\n");
    const std::string signature = Sign(0, info);
    EXPECT_TRUE(VerifyRelease(info, signature, {Key(0)}, kExpiry - 1).Verified());
    const ReleaseVerdict expired = VerifyRelease(info, signature, {Key(0)}, kExpiry);
    EXPECT_EQ(expired.trust, ReleaseTrust::Expired);
    EXPECT_EQ(expired.reason, "the release expired at 2030-01-01T00:00:00Z");
    // A signed expiry that cannot be read refuses the release rather than never expiring.
    for (const char* expires : {"Expires=\r\n", "Expires=2030-01-01\r\n", "Expires=2030-02-29T00:00:00Z\r\n"}) {
        const std::string odd = Info(kGoodSetup, expires);
        EXPECT_EQ(VerifyRelease(odd, Sign(0, odd), {Key(0)}, 0).trust, ReleaseTrust::Malformed) << expires;
    }
}

TEST(UtcTime, TextAndSecondsBothWays)
{
    const std::pair<const char*, int64_t> times[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2000-02-29T23:59:59Z", 951868799},
        {"2030-01-01T00:00:00Z", kExpiry},
        {"2106-02-07T06:28:16Z", INT64_C(4294967296)},
        {"9999-12-31T23:59:59Z", INT64_C(253402300799)},
    };
    for (const auto& [text, seconds] : times) {
        EXPECT_EQ(ParseUtcTime(text), seconds) << text;
        EXPECT_EQ(UtcTimeText(seconds), text);
    }
    for (const char* bad : {"", "1969-12-31T23:59:59Z", "2030-13-01T00:00:00Z", "2030-04-31T00:00:00Z",
                            "2030-01-01T24:00:00Z", "2030-01-01 00:00:00Z", "2030-01-01T00:00:00",
                            "2030-1-01T00:00:00Z", "+030-01-01T00:00:00Z", "2030-01-01T00:00:60Z"})
        EXPECT_FALSE(ParseUtcTime(bad)) << bad;
}

TEST(Sha256, KnownDigestsWholeAndInPieces)
{
    EXPECT_EQ(Sha256Hex(*Sha256Of("")), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    EXPECT_EQ(Sha256Hex(*Sha256Of("abc")), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    std::string data;
    for (int i = 0; i < 100000; ++i)
        data += static_cast<char>(i * 7 % 256);
    Sha256 pieces;
    for (size_t at = 0; at < data.size(); at += 4093)
        pieces.Add(data.data() + at, std::min<size_t>(4093, data.size() - at));
    EXPECT_EQ(pieces.Finish(), Sha256Of(data));
    EXPECT_FALSE(pieces.Finish()); // spent
    EXPECT_FALSE(Sha256FromHex(std::string(65, 'a')));
    EXPECT_FALSE(Sha256FromHex(" " + std::string(64, 'a')));
}

TEST(PublicKeyText, KeyFilesAndBareHex)
{
    const std::string hex = std::string(64, 'a') + std::string(64, '1');
    const std::optional<PublicKey> key = ParsePublicKey(hex);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->xy[0], 0xAA);
    EXPECT_EQ(key->xy[63], 0x11);
    EXPECT_EQ(ParsePublicKey(PublicKeyFileText(*key)), key);
    EXPECT_EQ(KeyId(*key).size(), 16u);
    for (const std::string& bad :
         {std::string(), std::string("# only a comment\n"), hex + "\n" + hex, hex.substr(1), hex + "00", "key " + hex})
        EXPECT_FALSE(ParsePublicKey(bad)) << bad;
}

} // namespace
