#include "net/HtmlErrorPage.h"

#include <gtest/gtest.h>

namespace {

TEST(HtmlErrorPage, RecognisesErrorPagesAndNothingElse)
{
    const struct {
        const char* text;
        bool page;
    } cases[] = {
        {"<html><head><title>404 Not Found</title></head><body>x</body></html>", true},
        {"<HtMl><HEAD><TiTlE>Error 404</tItLe>", true},
        // Any document with html, head and title in this order.
        {"<html>\n<head>\n<title>Welcome</title>", true},
        // A "404" in the title is enough, head or not.
        {"xx<title>File 404</title>", true},
        // A 404 after the title, and no head.
        {"<html><title>Not here</title><p>404</p>", false},
        {"<html><title>Oops</title></html>", false},
        // The tags in another order.
        {"<title>x</title><html><head>", false},
        {"<head><html><title>x</title>", false},
        // The title must be its own tag at the very start: position 0 counts as absent.
        {"", false},
        {"MZ\x90\0PE binary", false},
        {"404 <title>x</title>", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsHtmlErrorPage(c.text), c.page) << c.text;
}

TEST(HtmlErrorPage, OnlyTheFirst1000CharactersCount)
{
    const std::string late = std::string(990, ' ') + "<html><head><title>404</title>";
    EXPECT_FALSE(IsHtmlErrorPage(late));
    EXPECT_TRUE(IsHtmlErrorPage(std::string(900, ' ') + "<html><head><title>404</title>"));
}

TEST(HtmlErrorPage, NotFoundMessageNamesTheUrlOrGivesTheFallback)
{
    const std::string page = "<html><head><title>404 Not Found</title></head><body>Microsoft-IIS/6.0</body>";
    EXPECT_EQ(HtmlNotFoundMessage(page, "http://h/s.exe", "Bad Secret Token!", false),
              "<B>404 File Not Found...</B><P><P>URL:  http://h/s.exe.<P><P>"
              "Please make sure the file is available and access is allowed to this file.");
    const std::string withHint = HtmlNotFoundMessage(page, "u", "", true);
    EXPECT_NE(withHint.find("<P><P>If you are using an IIS webserver you must define appropriate MIME-Types."),
              std::string::npos);
    EXPECT_EQ(HtmlNotFoundMessage("MZ...", "u", "Bad Secret Token!", true), "Bad Secret Token!");
    EXPECT_EQ(HtmlNotFoundMessage("", "u", "", false), "");
}

} // namespace
