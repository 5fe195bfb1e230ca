#include "Release.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "FakeLauncher.h"
#include "Manifest.h"
#include "PayloadWriter.h"
#include "TestFiles.h"
#include "Signing.h"
#include "payload/Token.h"
#include "trust/SignedRelease.h"

#include <ctime>

namespace fs = std::filesystem;

namespace {

class Publisher : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = TestPath("dir");
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        WriteBytes(dir_ + "/launcher.exe", FakeLauncher());
        WriteBytes(dir_ + "/news.rtf", "{\\rtf1 Version 12|is out.}");
        MakeSetup("setup-12.exe", "secret");
        MakeSetup("other.exe", "another product");
    }
    // An update setup made by the builder, carrying token.
    void MakeSetup(const std::string& name, const std::string& token)
    {
        WriteBytes(dir_ + "/setup.ini", "[Setup]\nLauncher=launcher.exe\nOutput=" + name +
                                            "\nRunsNothing=1\n[Update]\nServerUrl=http://127.0.0.1/upd\n"
                                            "InfoFile=product.info\nAgentFile=agent.exe\nToken=" +
                                            token + "\n");
        WritePayload(ReadManifest(dir_ + "/setup.ini"));
    }
    std::string Manifest(const std::string& body)
    {
        const std::string path = dir_ + "/release.ini";
        WriteBytes(path, "[Release]\nOutput=served\nInfoFile=product.info\nToken=secret\nTokenSeed=7\n"
                         "DownloadUrl=http://127.0.0.1/upd\nVersion=12\n" +
                             body);
        return path;
    }
    std::string Refusal(const std::string& body)
    {
        try {
            PublishRelease(ReadRelease(Manifest(body)));
        } catch (const ManifestError& e) {
            return e.what();
        }
        return "accepted";
    }
    std::string Served(const std::string& name) { return ReadBytes(dir_ + "/served/" + name); }
    std::string dir_;
};

TEST_F(Publisher, WritesTheInfoFileWithTheServedSizesAndTheFiles)
{
    const auto written = PublishRelease(ReadRelease(
        Manifest("Stamp=20261210\nValidVersions=10,11\nProgramName=Sample Product\n"
                 "[Update]\nSetup=setup-12.exe\nRunningProcess=<TargetDir>\\sample.exe\nShutDownMethod=Using WM_CLOSE\n"
                 "ShutDownWaitSeconds=45\nRequestConfirmationBeforeDownload=1\nRestartProcess=1\n"
                 "[Inform]\nFile=news.rtf\nFileName=news.txt\nUrl=https://127.0.0.1/download\nWidth=480\n")));
    EXPECT_EQ(written.size(), 3u);
    EXPECT_EQ(Served("setup-12.exe"), ReadBytes(dir_ + "/setup-12.exe"));
    const std::string inform = Served("news.txt");
    const InformText split = SplitInformText(inform);
    EXPECT_EQ(split.token, "secret");
    EXPECT_EQ(split.body, "{\\rtf1 Version 12|is out.}");

    const std::string expected =
        "[NewSetup]\r\nDownloadURL_UPDATE=http://127.0.0.1/upd\r\nNameOfUpdateFile=setup-12.exe\r\n"
        "SizeOfUpdateFile=" +
        std::to_string(ReadBytes(dir_ + "/setup-12.exe").size()) +
        "\r\n"
        "Sha256OfUpdateFile=" +
        Sha256Hex(*Sha256Of(ReadBytes(dir_ + "/setup-12.exe"))) +
        "\r\n"
        "RequestConfirmationBeforeDownload=1\r\nRequestConfirmationBeforeDownloadForce=0\r\n"
        "RequestConfirmationBeforeInstall=0\r\nRequestConfirmationBeforeInstallForce=0\r\nBackgroundUpdate=0\r\n"
        "RestartProcess=1\r\nInformFinish=0\r\nRemoveStartUpShortcut=0\r\nRemoveCheckForNewUpdateShortcut=0\r\n"
        "ShutDownMethod=Using WM_CLOSE\r\nRunningProcess=<TargetDir>\\sample.exe\r\nShutDownWaitSeconds=45\r\n"
        "ProgramName=Sample Product\r\nVersionNew=12\r\nStamp=20261210\r\nValidVersions=10,11\r\n"
        "\r\n[General]\r\nAutoInform=1\r\n"
        "\r\n[AutoInform]\r\nDownloadURL_INFORM=https://127.0.0.1/download\r\nNameOfInformFile=news.txt\r\n"
        "SizeOfInformFile=" +
        std::to_string(inform.size()) + "\r\nSha256OfInformFile=" + Sha256Hex(*Sha256Of(inform)) +
        "\r\nAutoInformW=480\r\nAutoInformH=360\r\n";
    EXPECT_EQ(Served("product.info"), expected);
    EXPECT_FALSE(fs::exists(dir_ + "/served/product.info.part"));
    EXPECT_FALSE(fs::exists(dir_ + "/served/product.info.sig"));
}

TEST_F(Publisher, SignsWithAKeyFromKeygenAndTheReleaseVerifies)
{
    const PublicKey key = GenerateKeyFiles(dir_ + "/release.key", dir_ + "/release.pub");
    EXPECT_EQ(ParsePublicKey(ReadBytes(dir_ + "/release.pub")), key);
    EXPECT_EQ(fs::status(dir_ + "/release.key").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // A key in use is never replaced.
    EXPECT_THROW(GenerateKeyFiles(dir_ + "/release.key", dir_ + "/other.pub"), std::runtime_error);
    EXPECT_THROW(GenerateKeyFiles(dir_ + "/other.key", dir_ + "/release.pub"), std::runtime_error);
    EXPECT_FALSE(fs::exists(dir_ + "/other.key") || fs::exists(dir_ + "/other.pub"));

    const auto written = PublishRelease(ReadRelease(Manifest(
        "PrivateKey=release.key\nExpires=2099-12-31\n[Update]\nSetup=setup-12.exe\n[Inform]\nFile=news.rtf\n")));
    EXPECT_EQ(written.size(), 4u);
    const std::string info = Served("product.info");
    EXPECT_NE(info.find("\r\n[General]\r\nAutoInform=1\r\nExpires=2099-12-31T00:00:00Z\r\n"), std::string::npos)
        << info;
    const ReleaseVerdict verdict = VerifyRelease(info, Served("product.info.sig"), {key}, 4102358399);
    ASSERT_TRUE(verdict.Verified()) << verdict.reason;
    EXPECT_EQ(verdict.update->name, "setup-12.exe");
    EXPECT_EQ(verdict.update->sha256, *Sha256Of(Served("setup-12.exe")));
    EXPECT_EQ(verdict.inform->size, static_cast<int64_t>(Served("news.rtf").size()));
    EXPECT_EQ(verdict.inform->sha256, *Sha256Of(Served("news.rtf")));
    EXPECT_EQ(VerifyRelease(info, Served("product.info.sig"), {key}, 4102358400).trust, ReleaseTrust::Expired);

    // Published again without a key: the old signature does not stay beside the new ".info".
    PublishRelease(ReadRelease(Manifest("[Update]\nSetup=setup-12.exe\n")));
    EXPECT_FALSE(fs::exists(dir_ + "/served/product.info.sig"));
    EXPECT_EQ(Served("product.info").find("Expires="), std::string::npos);

    // ValidDays counts from now.
    const ReleasePlan days = ReadRelease(Manifest("ValidDays=30\n[Update]\nSetup=setup-12.exe\n"));
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    ASSERT_TRUE(days.expires);
    EXPECT_NEAR(static_cast<double>(*days.expires - now), 30 * 86400.0, 60.0);
}

TEST_F(Publisher, ScrambledInformFileStillCarriesTheToken)
{
    PublishRelease(ReadRelease(Manifest("[Inform]\nFile=news.rtf\nScramble=1\n")));
    const std::string inform = Served("news.rtf");
    EXPECT_EQ(inform.rfind("Scrambled=01", 0), 0u);
    EXPECT_EQ(inform.find("Version 12"), std::string::npos);
    EXPECT_EQ(SplitInformText(inform).token, "secret");
    EXPECT_EQ(SplitInformText(inform).body, "{\\rtf1 Version 12|is out.}");
    // An announcement only: no update file named.
    EXPECT_NE(Served("product.info").find("NameOfUpdateFile=\r\nSizeOfUpdateFile=0\r\n"), std::string::npos);
}

TEST_F(Publisher, SetOptionsReplaceOrAddKeysAndAreNamedWhenRefused)
{
    // A release published for another server: the options win over the file.
    const std::string path = Manifest("[Update]\nSetup=setup-12.exe\n");
    const ReleasePlan plan = ReadRelease(
        path, {"release/DOWNLOADURL=http://127.0.0.1:8123/upd", "Update/RestartProcess=1", "Release/ValidVersions=11"});
    EXPECT_EQ(plan.downloadUrl, "http://127.0.0.1:8123/upd");
    EXPECT_EQ(plan.validVersions, "11");
    EXPECT_NE(std::find(plan.flags.begin(), plan.flags.end(),
                        std::make_pair(std::string("RestartProcess"), std::string("1"))),
              plan.flags.end());

    const std::pair<const char*, const char*> refused[] = {
        {"Release/Version=0", "--set Release/Version=0: [Release] Version: expected a whole number"},
        {"Update/Nokey=1", "--set Update/Nokey=1: [Update] Nokey: unknown key"},
        {"Nosuch/Key=1", "--set Nosuch/Key=1: [Nosuch] is not a known section"},
        {"Release/=1", "--set Release/=1: expected Section/Key=value"},
        {"Version=3", "--set Version=3: expected Section/Key=value"},
    };
    for (const auto& [option, message] : refused) {
        try {
            ReadRelease(path, {option});
            ADD_FAILURE() << option << " was accepted";
        } catch (const ManifestError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << option << " gave: " << e.what();
        }
    }
}

TEST_F(Publisher, RefusesWithAMessageNamingTheKeyAndWritesNothing)
{
    struct Case {
        const char* body;
        const char* message;
    };
    const Case cases[] = {
        {"[Update]\nSetup=other.exe\n", "[Update] Setup: "},
        {"[Update]\nSetup=launcher.exe\n", "is not a setup made by the builder"},
        {"[Update]\nSetup=missing.exe\n", "[Update] Setup: the file"},
        {"Versoin=13\n[Update]\nSetup=setup-12.exe\n", "[Release] Versoin: unknown key"},
        {"[Update]\nSetup=setup-12.exe\nRestartProces=1\n", "[Update] RestartProces: unknown key"},
        {"[Update]\nSetup=setup-12.exe\nRestartProcess=yes\n", "[Update] RestartProcess: expected 0 or 1"},
        {"[Update]\nSetup=setup-12.exe\nShutDownMethod=Using WM_Close\n", "[Update] ShutDownMethod: expected one of"},
        {"[Update]\nSetup=setup-12.exe\nShutDownWaitSeconds=0\n", "[Update] ShutDownWaitSeconds: expected a whole"},
        {"[Update]\nSetup=setup-12.exe\nShutDownWaitSeconds=86401\n", "[Update] ShutDownWaitSeconds: expected"},
        {"[Update]\nSetup=setup-12.exe\nFileName=CON\n", "[Update] FileName: must be a bare file name"},
        {"[Update]\nSetup=setup-12.exe\nFileName=..\\x.exe\n", "[Update] FileName: must be a bare file name"},
        {"ValidVersions=10,,11\n[Update]\nSetup=setup-12.exe\n", "[Release] ValidVersions: expected"},
        {"ValidVersions=10, 11\n[Update]\nSetup=setup-12.exe\n", "[Release] ValidVersions: expected"},
        {"Stamp=-1\n[Update]\nSetup=setup-12.exe\n", "[Release] Stamp: expected a whole number"},
        {"[Inform]\nFile=news.rtf\nWidth=-5\n", "[Inform] Width: expected a whole number"},
        {"[Extra]\nA=1\n", "[Extra] is not a known section"},
        {"", "a release needs [Update] Setup, or [Inform]"},
        {"PrivateKey=news.rtf\n[Update]\nSetup=setup-12.exe\n", "[Release] PrivateKey: "},
        {"PrivateKey=none.key\n[Update]\nSetup=setup-12.exe\n", "[Release] PrivateKey: "},
        {"Expires=2020-01-01\n[Update]\nSetup=setup-12.exe\n", "[Release] Expires: the release would be expired"},
        {"Expires=2099-02-30\n[Update]\nSetup=setup-12.exe\n", "[Release] Expires: expected a UTC date"},
        {"Expires=2099-01-01\nValidDays=3\n[Update]\nSetup=setup-12.exe\n", "[Release] ValidDays: give either"},
        {"ValidDays=0\n[Update]\nSetup=setup-12.exe\n", "[Release] ValidDays: expected a whole number"},
        {"[Inform]\nFile=news.rtf\nFileName=PRODUCT.INFO.sig\n", "[Inform] FileName: the name of the \".info\""},
    };
    for (const Case& c : cases) {
        const std::string message = Refusal(c.body);
        EXPECT_NE(message.find(c.message), std::string::npos) << c.body << " gave: " << message;
    }
    EXPECT_NE(Refusal("[Update]\nSetup=other.exe\n").find("another update token than the product's"),
              std::string::npos);
    // Version 0 or past 32 bits is no version an agent accepts.
    WriteBytes(dir_ + "/release.ini", "[Release]\nOutput=served\nInfoFile=p.info\nToken=secret\n"
                                      "DownloadUrl=http://127.0.0.1/upd\nVersion=0\n[Update]\nSetup=setup-12.exe\n");
    EXPECT_THROW(ReadRelease(dir_ + "/release.ini"), ManifestError);
    EXPECT_FALSE(fs::exists(dir_ + "/served"));
}

} // namespace
