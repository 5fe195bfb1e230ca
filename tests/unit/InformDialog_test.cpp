#include "agent/InformDialog.h"

#include <gtest/gtest.h>

namespace {

TEST(InformDialog, OnlyWebAddressesAreOpened)
{
    const struct {
        const char* address;
        bool openable;
    } cases[] = {
        {"http://example.test/download", true},
        {"HTTPS://example.test/a?b=c&d=e", true},
        {"http://", false},
        {"https://", false},
        {"C:\\Windows\\System32\\calc.exe", false},
        {"\\\\server\\share\\setup.exe", false},
        {"file:///C:/setup.exe", false},
        {"ftp://example.test/x", false},
        {"javascript:alert(1)", false},
        {"httpx://example.test", false},
        {"http:example.test", false},
        {"http://example.test/\" --new-window \"file:///C:/", false}, // would end the argument early
        {"http://example.test/a b", false},
        {"http://example.test/\tx", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsOpenableAddress(c.address), c.openable) << c.address;
}

TEST(InformDialog, BodyShowsTheDialogElseTheAddressIsOpened)
{
    EXPECT_EQ(InformShowFor("{\\rtf1 news}", ""), InformShow::Dialog);
    EXPECT_EQ(InformShowFor("news", "C:\\x.exe"), InformShow::Dialog); // the button will not open it
    EXPECT_EQ(InformShowFor("", "https://example.test/"), InformShow::OpenAddress);
    EXPECT_EQ(InformShowFor("", "file:///C:/x.exe"), InformShow::Nothing);
    EXPECT_EQ(InformShowFor("", ""), InformShow::Nothing);
}

TEST(InformDialog, TextFaceIsVerdanaForTheDefaultFont)
{
    EXPECT_EQ(InformTextFace("Tahoma"), "Verdana");
    EXPECT_EQ(InformTextFace(""), "Verdana");
    EXPECT_EQ(InformTextFace("MS PGothic"), "MS PGothic");
    EXPECT_EQ(InformTextFace("tahoma"), "tahoma"); // compared exactly
}

TEST(InformDialog, WindowSizeStaysOnTheScreen)
{
    struct Case {
        std::int64_t width, height;
        int wantWidth, wantHeight;
    };
    const Case cases[] = {
        {360, 360, 360, 360},
        {0, 0, 200, 120},
        {-400, -1, 200, 120},
        {5000, 4000000000LL, 1280, 1024},
        {INT64_MIN, INT64_MAX, 200, 1024},
    };
    for (const Case& c : cases) {
        const InformSize s = InformWindowSize(c.width, c.height, 1280, 1024);
        EXPECT_EQ(s.width, c.wantWidth) << c.width;
        EXPECT_EQ(s.height, c.wantHeight) << c.height;
    }
    // A screen smaller than the smallest window: the smallest window.
    EXPECT_EQ(InformWindowSize(360, 360, 100, 100).width, 200);
}

TEST(InformDialog, LayoutWithAndWithoutTheButtonBand)
{
    const InformLayout plain = InformLayoutFor(344, 322, false);
    EXPECT_FALSE(plain.band);
    EXPECT_EQ(plain.text, (InformRect{3, 0, 341, 322}));
    EXPECT_EQ(plain.button, (InformRect{0, 0, 0, 0}));

    const InformLayout banded = InformLayoutFor(344, 322, true);
    EXPECT_TRUE(banded.band);
    EXPECT_EQ(banded.text, (InformRect{3, 0, 341, 279}));
    EXPECT_EQ(banded.button, (InformRect{92, 289, 160, 25})); // centred in the band
    EXPECT_EQ(banded.lineY, 279);

    // Shrunk below the band: the text box gets no negative size.
    const InformLayout tiny = InformLayoutFor(2, 30, true);
    EXPECT_EQ(tiny.text, (InformRect{3, 0, 0, 0}));
}

} // namespace
