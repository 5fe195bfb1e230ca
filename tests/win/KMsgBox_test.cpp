#include "ui/KMsgBox.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "WindowDriver.h"
#include "ui/MsgBoxLayout.h"
#include "util/SysUtilsWin.h"

namespace {

using Outcome = WindowOutcome<int>;
template <class Show> Outcome Drive(std::vector<Step> steps, Show&& show)
{
    return DriveWindow("KMsgBox", std::move(steps), show);
}

std::string ClassOf(HWND w)
{
    char name[64] = {};
    ::GetClassNameA(w, name, sizeof(name));
    return name;
}

std::vector<HWND> Children(HWND box, const char* className)
{
    std::vector<HWND> found;
    for (HWND w = ::GetWindow(box, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (_stricmp(ClassOf(w).c_str(), className) == 0)
            found.push_back(w);
    std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        ::GetWindowRect(a, &ra);
        ::GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return found;
}

HWND TextArea(HWND box)
{
    const auto areas = Children(box, "RICHEDIT");
    return areas.empty() ? nullptr : areas.front();
}

int FocusedIndex(HWND box)
{
    const auto buttons = Children(box, "Button");
    const auto it = std::find(buttons.begin(), buttons.end(), ::GetFocus());
    return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

bool IsBold(HWND area, int start, int end)
{
    ::SendMessageA(area, EM_SETSEL, start, end);
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    ::SendMessageA(area, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
}

// Steps that act on the box.
Step Click(int index)
{
    return [index](HWND box) {
        ::SendMessageA(Children(box, "Button").at(index), BM_CLICK, 0, 0);
        return true;
    };
}
Step Post(UINT message, WPARAM wParam, LPARAM lParam = 0)
{
    return [=](HWND box) {
        const HWND focus = ::GetFocus();
        ::PostMessageA(focus && (focus == box || ::IsChild(box, focus)) ? focus : box, message, wParam, lParam);
        return true;
    };
}
Step Key(WPARAM vk) { return Post(WM_KEYDOWN, vk, 1); }
Step AltChar(char ch) { return Post(WM_SYSCHAR, static_cast<unsigned char>(ch), 1 << 29); }
// Holds or releases Ctrl as far as the box's thread can tell.
Step Control(bool down)
{
    return [down](HWND) {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        return ::SetKeyboardState(keys) != 0;
    };
}
Step TitleBarClose()
{
    return [](HWND box) { return ::PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0) != 0; };
}
Step Wait()
{
    return [](HWND) { return true; };
}
int Show(std::uint32_t flags, int timeoutMs = 0, const std::string& text = "Text")
{
    return ShowMarkupBox(nullptr, text, "Title", timeoutMs, flags, kDefaultButtonList);
}

TEST(KMsgBox, ButtonsTouchAtTheBottomRightAndClicksReturnTheirCodes)
{
    struct Case {
        std::uint32_t flags;
        std::vector<std::string> captions;
        int click, result;
    };
    const Case cases[] = {
        {0, {"&OK"}, 0, 1},
        {1, {"&OK", "&Cancel"}, 1, 2},
        {2, {"&Abort", "&Retry", "&Ignore"}, 0, 3},
        {2, {"&Abort", "&Retry", "&Ignore"}, 2, 5},
        {3, {"&Yes", "&No", "&Cancel"}, 1, 7},
        {4, {"&Yes", "&No"}, 0, 6},
        {5, {"&Retry", "&Cancel"}, 0, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        const auto check = Check([&c](HWND box) {
            RECT client;
            ::GetClientRect(box, &client);
            const auto buttons = Children(box, "Button");
            ASSERT_EQ(buttons.size(), c.captions.size());
            const int n = static_cast<int>(buttons.size());
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(WindowText(buttons[i]), c.captions[i]);
                const RECT r = RectIn(buttons[i], box);
                EXPECT_EQ(r.left, client.right - 80 - 70 * (n - 1 - i));
                EXPECT_EQ(r.top, client.bottom - 29);
                EXPECT_EQ(r.right - r.left, 70);
                EXPECT_EQ(r.bottom - r.top, 23);
            }
        });
        const Outcome out = Drive({check, Click(c.click)}, [&] { return Show(c.flags); });
        EXPECT_EQ(out.result, c.result);
        EXPECT_FALSE(out.forced);
    }
}

TEST(KMsgBox, KeysChooseAndMoveBetweenButtons)
{
    struct Case {
        const char* name;
        std::uint32_t flags;
        std::vector<Step> keys;
        int result;
    };
    const Case cases[] = {
        {"Enter on the default No", 4 | 0x100, {Key(VK_RETURN)}, 7},
        {"default index modulo the count", 4 | 0x200, {Key(VK_RETURN)}, 6},
        {"letter Y", 4 | 0x100, {Key('Y')}, 6},
        {"unknown letter does nothing", 4 | 0x100, {Key('Q'), Key(VK_RETURN)}, 7},
        {"letter I", 2, {Key('I')}, 5},
        {"Ctrl+letter chooses nothing", 3, {Control(true), Key('C'), Control(false), Key(VK_RETURN)}, 6},
        {"Alt+n", 4 | 0x100, {AltChar('n')}, 7},
        {"Alt+Y", 4 | 0x100, {AltChar('Y')}, 6},
        {"Alt+c", 3, {AltChar('c')}, 2},
        {"Right wraps to the first", 4 | 0x100, {Key(VK_RIGHT), Key(VK_RETURN)}, 6},
        {"Tab wraps to the first", 4 | 0x100, {Key(VK_TAB), Key(VK_RETURN)}, 6},
        {"Left wraps to the last", 3, {Key(VK_LEFT), Key(VK_RETURN)}, 2},
        {"Up twice", 3, {Key(VK_UP), Key(VK_UP), Key(VK_RETURN)}, 7},
        {"Down twice", 3, {Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = Drive(c.keys, [&] { return Show(c.flags); });
        EXPECT_EQ(out.result, c.result);
        EXPECT_FALSE(out.forced);
        EXPECT_TRUE(out.allStepsRan);
    }
}

TEST(KMsgBox, FocusedButtonIsTheDefaultPushButton)
{
    const auto styles = [](std::vector<int> expected) {
        return Check([expected](HWND box) {
            const auto buttons = Children(box, "Button");
            ASSERT_EQ(buttons.size(), expected.size());
            for (std::size_t i = 0; i < buttons.size(); ++i)
                EXPECT_EQ(::GetWindowLongA(buttons[i], GWL_STYLE) & 0xF, expected[i]) << i;
        });
    };
    const auto focused = [](int index) { return Check([index](HWND box) { EXPECT_EQ(FocusedIndex(box), index); }); };
    const Outcome out = Drive({focused(1), styles({BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_PUSHBUTTON}), Key(VK_RIGHT),
                               focused(2), styles({BS_PUSHBUTTON, BS_PUSHBUTTON, BS_DEFPUSHBUTTON}), TitleBarClose()},
                              [] { return Show(3 | 0x100); });
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(out.allStepsRan);
}

TEST(KMsgBox, TimeoutChoosesTheFirstButton)
{
    struct Case {
        std::uint32_t flags;
        int result;
    };
    const Case cases[] = {{1, 1}, {4 | 0x100, 6}, {6, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        const DWORD start = ::GetTickCount();
        const Outcome out = Drive({}, [&] { return Show(c.flags, 300); });
        EXPECT_GE(::GetTickCount() - start, 250u);
        EXPECT_EQ(out.result, c.result);
        EXPECT_FALSE(out.forced);
    }
}

TEST(KMsgBox, ClosingWithoutAButtonReturnsZero)
{
    Outcome out = Drive({TitleBarClose()}, [] { return Show(4); });
    EXPECT_EQ(out.result, 0);
    EXPECT_FALSE(out.forced);

    bool answer = true;
    out = Drive({TitleBarClose()}, [&] {
        answer = MsgConfirmYesNo(BoxOwner::Active(), "Continue?");
        return 0;
    });
    EXPECT_FALSE(answer);
    EXPECT_FALSE(out.forced);

    // Sets without buttons: only the title bar (or a timeout) ends them.
    for (std::uint32_t set = 6; set <= 15; ++set) {
        SCOPED_TRACE(set);
        const auto none = Check([](HWND box) { EXPECT_TRUE(Children(box, "Button").empty()); });
        out = Drive({none, TitleBarClose()}, [&] { return Show(set); });
        EXPECT_EQ(out.result, 0);
        EXPECT_FALSE(out.forced);
    }
}

TEST(KMsgBox, EscapeGreyedCloseAndQuitRequestsDoNotEndTheBox)
{
    const auto stillOpen = Check([](HWND box) { EXPECT_TRUE(::IsWindowVisible(box)); });
    Outcome out = Drive({Key(VK_ESCAPE), Wait(), Wait(), stillOpen, Click(1)}, [] { return Show(4); });
    EXPECT_EQ(out.result, 7);
    EXPECT_FALSE(out.forced);

    const auto greyed = Check(
        [](HWND box) { EXPECT_TRUE(::GetMenuState(::GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED); });
    out = Drive({greyed, TitleBarClose(), Post(WM_SYSKEYDOWN, VK_F4, 1 << 29), Wait(), Wait(), stillOpen, Click(0)},
                [] { return MsgBox(BoxOwner::ActiveNoClose(), "Text", "Title", kDefaultButtonList, 0, 4, 0); });
    EXPECT_EQ(out.result, 6);
    EXPECT_FALSE(out.forced);

    const auto quit = Check([](HWND) { ::PostQuitMessage(3); });
    out = Drive({quit, Wait(), Wait(), stillOpen, Click(0)}, [] { return Show(1); });
    EXPECT_EQ(out.result, 1);
    EXPECT_FALSE(out.forced);
}

TEST(KMsgBox, HeadingOwnerPutsTheTitleInFrontAsABoldHeading)
{
    struct Case {
        bool heading;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {true, "Error", "ERROR\r\n\r\nDisk full\r\n"},
        {true, "Confirm", "CONFIRM\r\n\r\nDisk full\r\n"},
        {true, "Setup", "Setup\r\n\r\nDisk full\r\n"},
        {false, "Error", "Disk full"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const auto check = Check([&c](HWND box) {
            EXPECT_EQ(WindowText(box), c.title);
            const HWND area = TextArea(box);
            ASSERT_NE(area, nullptr);
            EXPECT_EQ(WindowText(area), c.text);
            const int headingEnd = static_cast<int>(std::string(c.title).size());
            EXPECT_EQ(IsBold(area, 0, headingEnd), c.heading);
            const int disk = static_cast<int>(std::string(c.text).find("Disk"));
            EXPECT_FALSE(IsBold(area, disk, disk + 4));
        });
        const Outcome out = Drive({check, Click(0)}, [&] {
            return MsgBox(c.heading ? BoxOwner::ActiveWithHeading() : BoxOwner::Active(), "Disk full", c.title,
                          kDefaultButtonList, 0, 16, 0);
        });
        EXPECT_EQ(out.result, 1);
        EXPECT_TRUE(out.allStepsRan);
    }
}

TEST(KMsgBox, BoldRunsLandOnTheirCharacters)
{
    const auto check = Check([](HWND box) {
        const HWND area = TextArea(box);
        ASSERT_NE(area, nullptr);
        EXPECT_EQ(WindowText(area), "line\r\nbold tail and more");
        // A line break counts two characters in the text area as in the offsets.
        EXPECT_TRUE(IsBold(area, 6, 10));
        EXPECT_FALSE(IsBold(area, 0, 6));
        EXPECT_FALSE(IsBold(area, 10, 16));
        EXPECT_TRUE(IsBold(area, 16, 19));
        EXPECT_FALSE(IsBold(area, 19, 24));
    });
    const Outcome out = Drive({check, Click(0)}, [] { return Show(0, 0, "line<p><B>bold</B> tail <b>and</b> more"); });
    EXPECT_EQ(out.result, 1);
    EXPECT_TRUE(out.allStepsRan);
}

TEST(KMsgBox, BoldTextIsGivenTheWidthItNeeds)
{
    // Measured in the regular face, these lines would wrap once made bold.
    const std::string bold = "<b>A heading that is set in bold from its first word to its last</b>";
    for (const std::string& text : {bold, bold + "<p><b>and a second line that is also bold throughout</b>"}) {
        const int lines = text.find("<p>") == std::string::npos ? 1 : 2;
        const auto check = Check([lines](HWND box) {
            const HWND area = TextArea(box);
            ASSERT_NE(area, nullptr);
            EXPECT_EQ(::SendMessageA(area, EM_GETLINECOUNT, 0, 0), lines);
        });
        const Outcome out = Drive({check, Click(0)}, [&] { return Show(0, 0, text); });
        EXPECT_EQ(out.result, 1);
        EXPECT_TRUE(out.allStepsRan);
    }
}

TEST(KMsgBox, FontSettingsApplyToLaterBoxes)
{
    const auto font = [](const char* face, int points) {
        return Check([face, points](HWND box) {
            LOGFONTA lf{};
            const HWND button = Children(box, "Button").at(0);
            ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(button, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
            EXPECT_STREQ(lf.lfFaceName, face);
            EXPECT_EQ(lf.lfHeight, -ScaleByDpi(points));
            CHARFORMATA text{};
            text.cbSize = sizeof(text);
            ::SendMessageA(TextArea(box), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&text));
            EXPECT_STREQ(text.szFaceName, face);
        });
    };
    SetMsgBoxFont("Courier New", 12, 0);
    Outcome out = Drive({font("Courier New", 12), Click(0)}, [] { return Show(0); });
    EXPECT_TRUE(out.allStepsRan);
    SetMsgBoxFont("Arial", 0, 0); // size 0 keeps the size
    out = Drive({font("Arial", 12), Click(0)}, [] { return Show(0); });
    EXPECT_TRUE(out.allStepsRan);
    SetMsgBoxFont("Tahoma", 8, 1);
}

TEST(KMsgBox, RightToLeftCharsets)
{
    for (const int charset : {0, 177, 178}) {
        SCOPED_TRACE(charset);
        const bool rtl = charset != 0;
        const auto check = Check([rtl](HWND box) {
            const HWND area = TextArea(box);
            ASSERT_NE(area, nullptr);
            EXPECT_EQ((::GetWindowLongA(area, GWL_STYLE) & ES_RIGHT) != 0, rtl);
            EXPECT_EQ((::GetWindowLongA(area, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0, rtl);
        });
        const Outcome out = Drive({check, Click(0)}, [&] {
            return MsgBox(BoxOwner::Active(), "Text", "Title", kDefaultButtonList, static_cast<std::uint8_t>(charset),
                          0, 0);
        });
        EXPECT_EQ(out.result, 1);
        EXPECT_TRUE(out.allStepsRan);
    }
}

TEST(KMsgBox, GeometryOfShortAndLongTexts)
{
    struct Case {
        std::string text;
        bool atLimit;
    };
    const Case cases[] = {
        {"Short", false},
        {"A long line: " + std::string(300, 'w'), true},
    };
    for (const auto& c : cases) {
        const auto check = Check([&c](HWND box) {
            RECT window, client;
            ::GetWindowRect(box, &window);
            ::GetClientRect(box, &client);
            const HWND area = TextArea(box);
            ASSERT_NE(area, nullptr);
            const RECT r = RectIn(area, box);
            const int tw = r.right - r.left;
            EXPECT_GE(window.right - window.left, 360);
            if (c.atLimit)
                EXPECT_EQ(tw, 610);
            else
                EXPECT_LT(tw, 200);
            EXPECT_EQ(r.left, 54 + (client.right - 54 - tw) / 2);
            EXPECT_EQ(r.bottom, client.bottom - 39);
            // Centred in the work area.
            RECT work;
            ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            EXPECT_EQ(window.left, work.left + (work.right - work.left - (window.right - window.left)) / 2);
        });
        const Outcome out = Drive({check, Click(0)}, [&] { return Show(0, 0, c.text); });
        EXPECT_EQ(out.result, 1);
        EXPECT_TRUE(out.allStepsRan);
    }
}

TEST(KMsgBox, DisablesTheActiveWindowWhileUp)
{
    const HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                         nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    ::SetActiveWindow(owner);
    ASSERT_EQ(::GetActiveWindow(), owner);
    const auto check = Check([owner](HWND box) {
        EXPECT_FALSE(::IsWindowEnabled(owner));
        EXPECT_EQ(::GetWindow(box, GW_OWNER), owner);
    });
    const Outcome out = Drive({check, Click(0)},
                              [] { return MsgBox(BoxOwner::Active(), "Text", "Title", kDefaultButtonList, 0, 0, 0); });
    EXPECT_EQ(out.result, 1);
    EXPECT_TRUE(out.allStepsRan);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    ::DestroyWindow(owner);
}

TEST(KMsgBox, AnswersQueryCancelAutoPlayOnlyWhileSuppressed)
{
    const UINT message = ::RegisterWindowMessageA("QueryCancelAutoPlay");
    LRESULT on = -1, off = -1;
    const auto ask = Check([&](HWND box) {
        SetAutoPlaySuppression(true);
        on = ::SendMessageA(box, message, 0, 0);
        SetAutoPlaySuppression(false);
        off = ::SendMessageA(box, message, 0, 0);
    });
    const Outcome out = Drive({ask, Click(0)}, [] { return Show(0); });
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(off, 0);
}

// Run by its own CTest entry with the rich-text library disabled.
TEST(KMsgBoxWithoutRichEdit, ShowsIconAndButtons)
{
    if (HMODULE library = ::LoadLibraryA("RICHED32.DLL")) {
        ::FreeLibrary(library);
        GTEST_SKIP() << "RICHED32.DLL is present";
    }
    const auto check = Check([](HWND box) {
        EXPECT_EQ(TextArea(box), nullptr);
        EXPECT_EQ(Children(box, "Button").size(), 2u);
    });
    const Outcome out = Drive({check, Click(1)}, [] { return Show(4 | 0x30); });
    EXPECT_EQ(out.result, 7);
    EXPECT_TRUE(out.allStepsRan);
}

} // namespace
