#include "agent/InformDialogWin.h"

#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "WindowDriver.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

HWND FindDialog() { return FindThreadWindow(kInformDialogClass); }

using Outcome = WindowOutcome<bool>;
template <class Show> Outcome Drive(std::vector<Step> steps, Show&& show)
{
    return DriveWindow(kInformDialogClass, std::move(steps), show);
}

HWND Child(HWND dialog, const char* className)
{
    for (HWND w = ::GetWindow(dialog, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        char name[64] = {};
        ::GetClassNameA(w, name, sizeof(name));
        if (_stricmp(name, className) == 0)
            return w;
    }
    return nullptr;
}

LOGFONTA FontOf(HWND w)
{
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(w, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

// The rich-text box answers for its font in its character format, in twips.
CHARFORMATA DefaultFormatOf(HWND text)
{
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    ::SendMessageA(text, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    return format;
}

LONG TwipsOfPixels(int pixels)
{
    const ScopedGetDC screen(nullptr);
    return ::MulDiv(pixels, 1440, ::GetDeviceCaps(screen.get(), LOGPIXELSY));
}

// The text box and the button where the layout rule puts them in the client area.
void ExpectLayout(HWND dialog, bool withButton)
{
    RECT client;
    ::GetClientRect(dialog, &client);
    const int w = client.right, h = client.bottom;
    const RECT text = RectIn(Child(dialog, "RICHEDIT"), dialog);
    EXPECT_EQ(text.left, 3);
    EXPECT_EQ(text.top, 0);
    EXPECT_EQ(text.right, w);
    EXPECT_EQ(text.bottom, withButton ? h - 43 : h);
    const HWND button = Child(dialog, "Button");
    ASSERT_EQ(button != nullptr, withButton);
    if (!button)
        return;
    const RECT b = RectIn(button, dialog);
    EXPECT_EQ(b.left, (w - 160) / 2);
    EXPECT_EQ(b.top, h - 33);
    EXPECT_EQ(b.right - b.left, 160);
    EXPECT_EQ(b.bottom - b.top, 25);
}

Step ClickButton()
{
    return [](HWND dialog) {
        ::SendMessageA(Child(dialog, "Button"), BM_CLICK, 0, 0);
        return true;
    };
}

InformDialogParams Params(const std::string& body, const std::string& address)
{
    InformDialogParams p;
    p.title = "New Version";
    p.buttonCaption = "Download";
    p.width = 420;
    p.height = 300;
    p.body = body;
    p.address = address;
    return p;
}

class InformDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetTraceOutputs({nullptr, [this](const std::string& chunk) { trace_ += chunk; }});
    }
    void TearDown() override { SetTraceOutputs({}); }
    std::string trace_;
};

TEST_F(InformDialogTest, PlainBodyWithButtonCentredAndLaidOutWhenResized)
{
    const auto p = Params("Version 12 is out.\r\nIt is faster.", "  file:///C:/setup.exe ");
    const Outcome o =
        Drive({Check([](HWND dialog) {
                   EXPECT_EQ(WindowText(dialog), "New Version");
                   RECT r;
                   ::GetWindowRect(dialog, &r);
                   EXPECT_EQ(r.right - r.left, 420);
                   EXPECT_EQ(r.bottom - r.top, 300);
                   EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - 420) / 2);
                   EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - 300) / 2);
                   EXPECT_EQ(WindowText(Child(dialog, "RICHEDIT")), "Version 12 is out.\r\nIt is faster.");
                   const HWND button = Child(dialog, "Button");
                   EXPECT_EQ(WindowText(button), "Download");
                   EXPECT_EQ(::GetFocus(), button);
                   EXPECT_TRUE(::GetWindowLongA(button, GWL_STYLE) & BS_DEFPUSHBUTTON);
                   // The default face stands for Verdana in the text; the button keeps it.
                   const CHARFORMATA text = DefaultFormatOf(Child(dialog, "RICHEDIT"));
                   EXPECT_STREQ(text.szFaceName, "Verdana");
                   EXPECT_EQ(std::abs(text.yHeight),
                             TwipsOfPixels(15)); // the sign follows the font's cell or character height
                   EXPECT_STREQ(FontOf(button).lfFaceName, "Tahoma");
                   ExpectLayout(dialog, true);
                   ::SetWindowPos(dialog, nullptr, 0, 0, 600, 450, SWP_NOMOVE | SWP_NOZORDER);
                   ExpectLayout(dialog, true);
               }),
               ClickButton()},
              [&] { return ShowInformDialog(p); });
    EXPECT_TRUE(o.result);
    EXPECT_TRUE(o.allStepsRan);
    EXPECT_FALSE(o.forced); // the button closed it
    // A server's address that is no web address is not handed to the shell.
    EXPECT_NE(trace_.find(" Inform address not opened: file:///C:/setup.exe"), std::string::npos) << trace_;
    EXPECT_EQ(trace_.find(" Inform address opened"), std::string::npos);
}

TEST_F(InformDialogTest, RtfBodyWithoutAddressFillsTheWindow)
{
    const auto p = Params("{\\rtf1\\ansi {\\b Version 12} is out.\\par}", "");
    const Outcome o =
        Drive({Check([](HWND dialog) {
                   const HWND text = Child(dialog, "RICHEDIT");
                   EXPECT_EQ(TrimText(WindowText(text)), "Version 12 is out.");
                   ::SendMessageA(text, EM_SETSEL, 0, 10);
                   CHARFORMATA format{};
                   format.cbSize = sizeof(format);
                   ::SendMessageA(text, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
                   EXPECT_TRUE(format.dwEffects & CFE_BOLD);
                   ExpectLayout(dialog, false);
               }),
               Close()},
              [&] { return ShowInformDialog(p); });
    EXPECT_TRUE(o.result);
    EXPECT_TRUE(o.allStepsRan);
    EXPECT_FALSE(o.forced);
}

TEST_F(InformDialogTest, OneDialogAtATimeAndEachRunShowsAgain)
{
    const auto p = Params("news", "");
    bool second = true;
    for (int run = 0; run < 2; ++run) {
        const Outcome o =
            Drive({Check([&](HWND) { second = ShowInformDialog(p); }), Close()}, [&] { return ShowInformDialog(p); });
        EXPECT_TRUE(o.result) << run;
        EXPECT_TRUE(o.allStepsRan) << run;
        EXPECT_FALSE(second) << run;
    }
    EXPECT_NE(trace_.find(" Inform dialog already open"), std::string::npos);
}

TEST_F(InformDialogTest, QuitRequestEndsTheDialogAndReachesTheCaller)
{
    MSG quit{};
    bool quitWaits = false;
    const Outcome o = Drive({Check([](HWND) { ::PostQuitMessage(3); })}, [&] {
        const bool shown = ShowInformDialog(Params("news", ""));
        quitWaits = ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
        return shown;
    });
    EXPECT_TRUE(o.result);
    EXPECT_FALSE(o.forced);
    EXPECT_EQ(FindDialog(), nullptr);
    ASSERT_TRUE(quitWaits);
    EXPECT_EQ(quit.wParam, 3u);
}

TEST_F(InformDialogTest, WithoutBodyOnlyAWebAddressCounts)
{
    int shown = 0;
    const auto count = Check([&](HWND) { ++shown; });
    EXPECT_FALSE(Drive({count}, [] { return ShowInformDialog(Params("", "")); }).result);
    EXPECT_FALSE(Drive({count}, [] { return ShowInformDialog(Params("", "\\\\server\\share\\x.exe")); }).result);
    EXPECT_EQ(shown, 0);
    EXPECT_NE(trace_.find(" Inform address not opened: \\\\server\\share\\x.exe"), std::string::npos);
}

// Run by its own CTest entry with the rich-text library disabled: a dialog that could
// not show its text announces nothing, so the release is offered again.
TEST_F(InformDialogTest, WithoutRichEditNothingIsAnnounced)
{
    if (HMODULE library = ::LoadLibraryA("RICHED32.DLL")) {
        ::FreeLibrary(library);
        GTEST_SKIP() << "RICHED32.DLL is present";
    }
    EXPECT_FALSE(Drive({}, [] { return ShowInformDialog(Params("news", "")); }).result);
    EXPECT_EQ(FindDialog(), nullptr);
    EXPECT_NE(trace_.find(" Inform dialog has no rich-text box"), std::string::npos);
}

} // namespace
