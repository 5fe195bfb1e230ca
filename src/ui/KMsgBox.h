// The launcher's own modal message box: markup text in a read-only rich-text area, an
// icon on a coloured band, up to three buttons, an optional timeout, full keyboard use.
// Flags, button sets and result codes follow the Windows message-box numbers (see
// ui/MsgBoxLayout.h); results are 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes,
// 7 No, and 0 when the box was closed without a button.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Font of every later box; a size of 0 keeps the current size. Initially "Tahoma", 8
// points, the default character set.
void SetMsgBoxFont(const std::string& face, int size, std::uint8_t charset);

// Shows one box owned by owner (may be none) and returns its result once it is gone. The
// window that is active at the call is disabled meanwhile. timeoutMs 0: no timeout.
int ShowMarkupBox(HWND owner, const std::string& markup, const std::string& title, int timeoutMs, std::uint32_t flags,
                  const std::string& buttons);

// The program is ending: every open box of this thread closes as if closed without a
// button (0), and every later box answers so at once, without showing.
void EndMessageBoxes();

// Who owns a box, and how it shows. Without an owner window the box belongs to the
// window that is active when it appears.
class BoxOwner {
public:
    // No owner window; the title is repeated as a bold heading above the text.
    static BoxOwner ActiveWithHeading() { return BoxOwner(Kind::Heading, nullptr); }
    // No owner window.
    static BoxOwner Active() { return BoxOwner(Kind::Plain, nullptr); }
    // No owner window; the Close item is greyed, so only a button answers the box.
    static BoxOwner ActiveNoClose() { return BoxOwner(Kind::NoClose, nullptr); }
    // The window owns the box. None is ActiveWithHeading, as it always was.
    static BoxOwner Window(HWND window) { return window ? BoxOwner(Kind::Window, window) : ActiveWithHeading(); }

    bool Heading() const { return kind_ == Kind::Heading; }
    bool NoClose() const { return kind_ == Kind::NoClose; }
    // The owner window: the given one, or the active one.
    HWND Owner() const;

private:
    enum class Kind { Heading, Plain, NoClose, Window };
    BoxOwner(Kind kind, HWND window) : kind_(kind), window_(window) {}
    Kind kind_;
    HWND window_;
};

// Front ends. The charsets 177 and 178 (Hebrew, Arabic) lay the text out right to left.
int MsgBox(BoxOwner owner, const std::string& text, const std::string& title, const std::string& buttons,
           std::uint8_t charset, std::uint32_t flags, int timeoutMs);
// The variants replace an empty title or button list by the defaults.
void MsgError(BoxOwner owner, const std::string& text, const std::string& title = "", const std::string& buttons = "",
              std::uint8_t charset = 0);
void MsgAttention(BoxOwner owner, const std::string& text, const std::string& title = "",
                  const std::string& buttons = "", std::uint8_t charset = 0, int timeoutMs = 0);
bool MsgConfirmYesNo(BoxOwner owner, const std::string& text, const std::string& title = "",
                     const std::string& buttons = "", std::uint8_t charset = 0, int timeoutMs = 0);
bool MsgConfirmOkCancel(BoxOwner owner, const std::string& text, const std::string& title = "",
                        const std::string& buttons = "", std::uint8_t charset = 0);
