#include "launcher/SetupTexts.h"

#include <gtest/gtest.h>

namespace {

std::string Defaults(const std::string&, const std::string& def) { return def; }

constexpr double MiB = 1048576.0;

TEST(SetupTexts, NothingToConfirmWhenRoomyAndNotAskedToTell)
{
    EXPECT_EQ(SpaceConfirmText("C:\\T\\SETUP_1", false, 5 * MiB, 50 * MiB, Defaults), "");
}

TEST(SetupTexts, NamesTheDriveAndFormatsMegabytes)
{
    const std::string text = SpaceConfirmText("c:\\T\\SETUP_1", true, 0.5 * MiB, 10 * MiB, Defaults);
    EXPECT_EQ(text, "Kalvex will extract files to your Temp Drive (C:)<P>"
                    "<P>Estimated space required on your Temp drive is: <T>  0.500 MB<P>"
                    "Free space available on your Temp drive is: <T>  10.00 MB<P>"
                    "<P>Continue with Setup?<P>");
}

TEST(SetupTexts, ShortSpaceWarnsEvenWhenEqual)
{
    const std::string text = SpaceConfirmText("D:\\W", true, 5 * MiB, 5 * MiB, Defaults);
    EXPECT_EQ(text.rfind("Limited Free Space on your Temp Drive! (D:)<P>", 0), 0u) << text;
    EXPECT_NE(text.find("<T>  5.00 MB<P>Free"), std::string::npos) << text;
    const std::string big = SpaceConfirmText("D:\\W", false, 50 * MiB, 1 * MiB, Defaults);
    EXPECT_NE(big.find("<T>  50.0 MB<P>"), std::string::npos) << big;
}

TEST(SetupTexts, UsesTheLocalizedTexts)
{
    auto german = [](const std::string& key, const std::string& def) -> std::string {
        if (key == "s3")
            return "Wenig Platz auf <DRIVE>! ";
        if (key == "s6")
            return "Weiter?";
        return def;
    };
    const std::string text = SpaceConfirmText("E:\\x", false, 2 * MiB, 1 * MiB, german);
    EXPECT_EQ(text.rfind("Wenig Platz auf E:! <P>Estimated", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 7), "Weiter?");
}

} // namespace

namespace {

TEST(SetupTexts, DownloadQuestionShowsTheSizeInMegabytes)
{
    const std::string text = DownloadConfirmText("5242880", Defaults);
    EXPECT_EQ(text.rfind("<b>INTERNET DOWNLOAD</b><p><p>Kalvex will download the Setup File", 0), 0u) << text;
    EXPECT_NE(text.find("<P>Size: 5.00 MB<P>"), std::string::npos) << text;
    EXPECT_NE(DownloadConfirmText("many", Defaults).find("Size: 0.000 MB"), std::string::npos);
    auto german = [](const std::string& key, const std::string& def) -> std::string {
        return key == "s11" ? "Groesse <SIZE>/<SIZE>" : def;
    };
    EXPECT_EQ(DownloadConfirmText("52428800", german), "Groesse 50.0/50.0");
}

} // namespace
