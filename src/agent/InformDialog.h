// The inform dialog's rules that need no window: what is shown for a body and an address,
// which addresses may be opened, the fonts, the window size and the layout.
// agent/InformDialogWin.h shows the dialog.
#pragma once

#include <cstdint>
#include <string>

// The address comes from a server: only a web address is handed to the shell. No blanks,
// quotes or control characters, which could end it early on the browser's command line.
bool IsOpenableAddress(const std::string& address);

enum class InformShow {
    Nothing,     // no body and no address that may be opened
    OpenAddress, // no body: the address goes straight to the browser
    Dialog,
};
// address with its surrounding blanks already removed.
InformShow InformShowFor(const std::string& body, const std::string& address);

// The text font: Verdana 15 pixels high, unless another face than the default is set.
constexpr int kInformTextHeight = 15;
std::string InformTextFace(const std::string& fontName);

// The outer size from the release's description, kept on the screen and large enough to
// hold the button band; a server may send any number.
struct InformSize {
    int width;
    int height;
};
InformSize InformWindowSize(std::int64_t width, std::int64_t height, int screenWidth, int screenHeight);

struct InformRect {
    int x, y, width, height;
    bool operator==(const InformRect& o) const
    {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};
// The client area holds the text; with an address, a 43-pixel band at the bottom holds
// the button, below a one-pixel line.
constexpr int kInformBand = 43;
struct InformLayout {
    InformRect text;
    InformRect button; // all zero without the band
    bool band;
    int lineY; // the band's top line
};
InformLayout InformLayoutFor(int clientWidth, int clientHeight, bool withButton);
