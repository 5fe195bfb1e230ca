// The message box's decisions that need no window: which buttons a flag word asks for,
// how large the text is, where everything goes, and which button a key chooses.
// KMsgBox applies them to real windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Flag bits beside the button set (bits 0-3), the icon (4-7) and the default button (8-11).
constexpr std::uint32_t kMsgRightAligned = 0x80000;
constexpr std::uint32_t kMsgRtlReading = 0x100000;
constexpr std::uint32_t kMsgCloseGreyed = 0x10000000;

constexpr const char* kDefaultButtonList = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";
constexpr const char* kDefaultTitleList = "|Error|Attention|Confirm|";

struct BoxButton {
    std::string caption;
    int code; // the standard result code: 1 OK ... 7 No
};

// The buttons of the flags' button set, captions taken from the list (missing items give
// empty captions); sets 6 to 15 have none.
std::vector<BoxButton> ButtonsOf(std::uint32_t flags, const std::string& buttonList);
// The focused button: the flags' index modulo the count; -1 without buttons.
int DefaultButtonIndex(std::uint32_t flags, int count);
// 16, 32, 48 or 64 for the system icons; 0 for the program's own icon.
int IconChoice(std::uint32_t flags);

struct BoxSize {
    int width;
    int height;
    bool operator==(const BoxSize& o) const { return width == o.width && height == o.height; }
};

// Longer lines are laid out wrapped at this width.
constexpr int kMaxLineWidth = 600;

// A text line's height in the box's font (the "MS PGothic" face needs one pixel more).
int LineHeight(int fontHeight, int externalLeading, const std::string& face);
// The size the text area needs for the plain text: lineExtent gives a line's width in
// pixels; a line wider than the limit counts as several lines.
BoxSize MeasureText(const std::string& plain, int lineHeight,
                    const std::function<int(const std::string& line)>& lineExtent);
// Widens the text area step by step until bold text (wider than measured) fits in the
// height. resize gives the area a size and returns the size its content asked for.
BoxSize FitTextArea(BoxSize measured, const std::function<BoxSize(BoxSize)>& resize);

// System measures the outer size depends on.
struct FrameMetrics {
    int frameX;  // sizing frame width
    int frameY;  // sizing frame height
    int caption; // caption height
};
BoxSize OuterBoxSize(BoxSize textArea, FrameMetrics frame);

struct BoxRect {
    int x, y, width, height;
    bool operator==(const BoxRect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};
// The text area inside the client area, right of the band and above the button strip.
BoxRect TextAreaRect(BoxSize client, BoxSize textArea);
constexpr int kButtonWidth = 70;
constexpr int kButtonHeight = 23;
// Buttons touch each other; the last one sits at the right.
BoxRect ButtonRect(int index, int count, BoxSize client);

// Keyboard: each returns the chosen button's index, or -1.
// Alt with a character: matched against each caption's second character.
int AltKeyButton(const std::vector<BoxButton>& buttons, char ch);
// A letter key: matched against the character after the caption's "&".
int LetterKeyButton(const std::vector<BoxButton>& buttons, char letter);
// Focus movement with wrap-around; focused is -1 when no button has the focus.
int NextButton(int focused, int count);
int PreviousButton(int focused, int count);
