// The inform dialog: a release announced in a resizable window with a read-only rich-text
// box (RTF or plain text) and, when the release gives an address, a button that opens it
// in the browser. One dialog at a time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr const char* kInformDialogClass = "KRichEditBox";

struct InformDialogParams {
    HWND owner = nullptr;
    std::string title;
    std::string buttonCaption;
    std::uint8_t charset = 0;
    int fontSize = 8; // points, for the button
    std::string fontName = "Tahoma";
    bool rightToLeft = false;
    std::int64_t height = 360; // outer size in pixels
    std::int64_t width = 360;
    std::string address;
    std::string body;
};

// Shows the body until the user closes the dialog, or, without a body, opens the address.
// True when the dialog was shown or the address opened.
bool ShowInformDialog(const InformDialogParams& params);
