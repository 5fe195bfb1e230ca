#include "payload/AppearanceWin.h"

#include <gtest/gtest.h>

#include "util/ScopedWin.h"

TEST(AppearanceWin, ResolveColour)
{
    EXPECT_EQ(ResolveColour(static_cast<int32_t>(0x8000000F)), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ResolveColour(static_cast<int32_t>(0xFF000005)), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ResolveColour(0x00123456), 0x00123456u);
    EXPECT_EQ(ResolveColour(0), 0u);
}

TEST(AppearanceWin, DressTextControlFollowsTheCharset)
{
    ScopedWindow parent(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent);
    ScopedWindow label(
        CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 100, 20, parent.get(), nullptr, nullptr, nullptr));
    ASSERT_TRUE(label);
    int dpi = 96;
    if (ScopedGetDC screen(nullptr); screen)
        dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);

    struct Case {
        int charset;
        LONG style, exStyle;
    };
    const Case cases[] = {{ARABIC_CHARSET, 0x50000002, WS_EX_RTLREADING},
                          {HEBREW_CHARSET, 0x50000002, WS_EX_RTLREADING},
                          {ANSI_CHARSET, 0x50000000, 0},
                          {RUSSIAN_CHARSET, 0x50000000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.charset);
        const ScopedFont kept =
            DressTextControl(label.get(), "Text " + std::to_string(c.charset), "Arial", c.charset, 12);
        EXPECT_EQ(GetWindowLongA(label.get(), GWL_STYLE), c.style);
        EXPECT_EQ(GetWindowLongA(label.get(), GWL_EXSTYLE) & WS_EX_RTLREADING, c.exStyle);
        char text[64] = {};
        GetWindowTextA(label.get(), text, sizeof text);
        EXPECT_EQ(std::string(text), "Text " + std::to_string(c.charset));
        LOGFONTA font = {};
        HFONT handle = reinterpret_cast<HFONT>(SendMessageA(label.get(), WM_GETFONT, 0, 0));
        ASSERT_NE(GetObjectA(handle, sizeof font, &font), 0);
        EXPECT_EQ(font.lfCharSet, c.charset);
        EXPECT_EQ(font.lfHeight, -MulDiv(12, dpi, 72));
        EXPECT_STREQ(font.lfFaceName, "Arial");
        DeleteObject(handle); // the control does not own it
    }
}
