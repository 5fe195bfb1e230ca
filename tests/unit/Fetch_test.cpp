#include "agent/Fetch.h"

#include <gtest/gtest.h>

namespace {

TEST(Fetch, FailureTextNamesTheSourceByItsKind)
{
    const struct {
        const char* source;
        bool aborted;
        const char* text;
    } cases[] = {
        {"http://h/u/demo.exe", false, "http://h/u/demo.exe<P><P>unable"},
        {"C:\\Updates\\demo.exe", false, "C:\\Updates\\demo.exe<P><P>missing"},
        {"\\\\server\\share\\demo.exe", false, "\\\\server\\share\\demo.exe<P><P>missing"},
        // One backslash is no network path.
        {"\\share\\demo.exe", false, "\\share\\demo.exe<P><P>unable"},
        {"http://h/u/demo.exe", true, "aborted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FetchFailureText(c.source, c.aborted, "aborted", "missing", "unable"), c.text) << c.source;
}

TEST(Fetch, InfoErrorsThatBeginWithThreeAreNotShown)
{
    EXPECT_EQ(ShownInfoError(""), "");
    EXPECT_EQ(ShownInfoError("http://h/x.info --- File Not Found !"), "http://h/x.info --- File Not Found !");
    EXPECT_EQ(ShownInfoError("3.example/x.info --- File Not Found !"), "");
    EXPECT_EQ(ShownInfoError("<B>404 File Not Found...</B>"), "<B>404 File Not Found...</B>");
}

} // namespace
