#include "payload/AppearanceWin.h"

#include "ui/ReadingDirection.h"

COLORREF ResolveColour(int32_t colour)
{
    if (colour < 0)
        return GetSysColor(colour & 0xFF);
    return static_cast<COLORREF>(colour);
}

ScopedFont DressTextControl(HWND control, const std::string& text, const std::string& fontName, int charset,
                            int fontSize)
{
    const bool rightToLeft = IsRightToLeftCharset(charset);
    SetWindowLongA(control, GWL_EXSTYLE, rightToLeft ? WS_EX_RTLREADING : 0);
    SetWindowLongA(control, GWL_STYLE, WS_CHILD | WS_VISIBLE | (rightToLeft ? SS_RIGHT : 0));

    int pixelsPerInch = 96;
    if (ScopedGetDC screen(nullptr); screen)
        pixelsPerInch = GetDeviceCaps(screen.get(), LOGPIXELSY);
    const int height = MulDiv(fontSize, pixelsPerInch, 72);
    ScopedFont font(CreateFontA(-height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, static_cast<BYTE>(charset),
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                fontName.c_str()));
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    SetWindowTextA(control, text.c_str());
    return font;
}
