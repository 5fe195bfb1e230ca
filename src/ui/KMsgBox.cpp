#include "ui/KMsgBox.h"

#include <richedit.h>

#include <vector>

#include "ui/Markup.h"
#include "ui/MsgBoxLayout.h"
#include "util/KSUB.h"
#include "util/MessagePump.h"
#include "util/ScopedWin.h"
#include "util/Utils.h"
#include "util/SysUtilsWin.h"
#include "util/WindowProc.h"

namespace {

constexpr const char* kBoxClass = "KMsgBox";
constexpr const char* kRichEditLibrary = "RICHED32.DLL";
constexpr UINT_PTR kTimeoutTimer = 1;
constexpr int kTextAreaId = 100;
// The band behind the icon.
constexpr COLORREF kBandColour = RGB(0, 78, 152);

// Set once the program is ending: no box waits for a person any more.
bool g_boxesEnded = false;

// Font settings shared by every box.
std::string g_fontFace = "Tahoma";
int g_fontSize = 8;
std::uint8_t g_fontCharset = DEFAULT_CHARSET;

// One box. Its window keeps a pointer to it; the keyboard filter works on the box whose
// loop is running.
struct Box {
    static constexpr const char* kProcName = "BoxProc";
    bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    HWND window = nullptr;
    HWND textArea = nullptr;
    HWND previousActive = nullptr;
    std::vector<BoxButton> buttons;
    std::vector<HWND> buttonWindows;
    HICON icon = nullptr;
    int result = 0;
    int timeoutMs = 0;
    bool chosen = false;
    bool previousRestored = false;
    bool destroyed = false;
    BoxSize asked{0, 0}; // what the text area last asked for
};

// The rich-text library: loaded once per process and kept; a failed load is remembered.
bool RichEditAvailable()
{
    static const HMODULE library = LoadSystemLibrary(kRichEditLibrary).release();
    return library != nullptr;
}

// The window that was active at the call gets its input back; safe to call twice.
void RestorePrevious(Box& box)
{
    if (box.previousRestored)
        return;
    box.previousRestored = true;
    if (!box.previousActive || !::IsWindow(box.previousActive))
        return;
    ::EnableWindow(box.previousActive, TRUE);
    ::SetActiveWindow(box.previousActive);
    ::SetFocus(box.previousActive);
}

void Choose(Box& box, int index)
{
    if (box.chosen)
        return;
    box.chosen = true;
    box.result = index >= 0 && index < static_cast<int>(box.buttons.size()) ? box.buttons[index].code : 0;
    ::PostMessageA(box.window, WM_CLOSE, 0, 0);
}

int FocusedButton(const Box& box)
{
    const HWND focus = ::GetFocus();
    for (std::size_t i = 0; i < box.buttonWindows.size(); ++i)
        if (box.buttonWindows[i] == focus)
            return static_cast<int>(i);
    return -1;
}

void FocusButton(Box& box, int index)
{
    if (index < 0 || index >= static_cast<int>(box.buttonWindows.size()))
        return;
    ::SetFocus(box.buttonWindows[index]);
    for (std::size_t i = 0; i < box.buttonWindows.size(); ++i) {
        const LONG style = static_cast<int>(i) == index ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        ::SendMessageA(box.buttonWindows[i], BM_SETSTYLE, style, TRUE);
    }
}

void Paint(Box& box)
{
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(box.window, &ps);
    RECT client;
    ::GetClientRect(box.window, &client);
    const int cw = client.right, ch = client.bottom;

    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    const auto line = [dc, cw](int y, COLORREF colour) {
        ScopedPen pen(::CreatePen(PS_SOLID, 1, colour));
        ScopedSelect select(dc, pen.get());
        ::MoveToEx(dc, 0, y, nullptr);
        ::LineTo(dc, cw, y);
    };
    line(ch - 37, ::GetSysColor(COLOR_3DDKSHADOW));
    line(ch - 36, RGB(255, 255, 255));
    const RECT strip{0, ch - 35, cw, ch};
    ::FillRect(dc, &strip, ::GetSysColorBrush(COLOR_BTNFACE));
    const RECT band{0, 0, 54, ch - 37};
    ScopedBrush bandBrush(::CreateSolidBrush(kBandColour));
    ::FillRect(dc, &band, bandBrush.get());
    if (box.icon)
        ::DrawIconEx(dc, 11, 20, box.icon, 32, 32, 0, nullptr, DI_NORMAL);
    ::EndPaint(box.window, &ps);
}

bool Box::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const UINT autoPlay = AutoPlayMessage();
    if (autoPlay != 0 && message == autoPlay) {
        result = 1;
        return true;
    }

    switch (message) {
    case WM_CREATE:
        this->window = window;
        if (timeoutMs > 0)
            ::SetTimer(window, kTimeoutTimer, static_cast<UINT>(timeoutMs), nullptr);
        return true;
    case WM_PAINT: Paint(*this); return true;
    case WM_TIMER:
        if (wParam != kTimeoutTimer)
            return false;
        ::KillTimer(window, kTimeoutTimer);
        Choose(*this, 0);
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            for (std::size_t i = 0; i < buttonWindows.size(); ++i)
                if (buttonWindows[i] == reinterpret_cast<HWND>(lParam))
                    Choose(*this, static_cast<int>(i));
        }
        return true;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == textArea && header->code == EN_REQUESTRESIZE) {
            const RECT& rc = reinterpret_cast<const REQRESIZE*>(lParam)->rc;
            asked = {rc.right - rc.left, rc.bottom - rc.top};
        }
        return true;
    }
    case WM_SYSCOMMAND:
        // Alt+F4 obeys the greyed Close item as the title bar's button does.
        return (wParam & 0xFFF0) == SC_CLOSE &&
               (::GetMenuState(::GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
    case WM_CLOSE:
        RestorePrevious(*this);
        ::KillTimer(window, kTimeoutTimer);
        ::DestroyWindow(window);
        return true;
    case WM_DESTROY:
        // Also reached when the owner goes away first: the caller's window must not stay
        // disabled.
        RestorePrevious(*this);
        ::KillTimer(window, kTimeoutTimer);
        destroyed = true;
        return true;
    }
    return false;
}

// Keys that choose or move between buttons. True when the message was used up.
bool FilterKey(Box& box, const MSG& msg)
{
    if (msg.hwnd != box.window && !::IsChild(box.window, msg.hwnd))
        return false;
    const int count = static_cast<int>(box.buttons.size());
    int chosen = -1;
    if (msg.message == WM_SYSCHAR) {
        chosen = AltKeyButton(box.buttons, static_cast<char>(msg.wParam));
    } else if (msg.message == WM_KEYDOWN) {
        switch (msg.wParam) {
        case VK_LEFT:
        case VK_UP: FocusButton(box, PreviousButton(FocusedButton(box), count)); return false;
        case VK_TAB:
        case VK_RIGHT:
        case VK_DOWN: FocusButton(box, NextButton(FocusedButton(box), count)); return false;
        case VK_RETURN: chosen = FocusedButton(box); break;
        default:
            // Ctrl+C is the user copying the message, not an answer.
            if (msg.wParam >= 'A' && msg.wParam <= 'Z' && ::GetKeyState(VK_CONTROL) >= 0)
                chosen = LetterKeyButton(box.buttons, static_cast<char>(msg.wParam));
        }
    }
    if (chosen < 0)
        return false;
    Choose(box, chosen);
    return true;
}

HICON IconFor(std::uint32_t flags)
{
    switch (IconChoice(flags)) {
    case 16: return ::LoadIconA(nullptr, IDI_HAND);
    case 32: return ::LoadIconA(nullptr, IDI_QUESTION);
    case 48: return ::LoadIconA(nullptr, IDI_EXCLAMATION);
    case 64: return ::LoadIconA(nullptr, IDI_ASTERISK);
    default: return ::LoadIconA(::GetModuleHandleA(nullptr), "MainIcon");
    }
}

// Puts the text in, makes the bold runs bold and sizes the area to its content.
BoxSize FillTextArea(Box& box, HFONT font, const std::string& markup)
{
    const MarkupText text = ConvertMarkup(markup);
    ::SetWindowTextA(box.textArea, text.plain.c_str());
    for (const BoldRange& range : text.bold) {
        ::SendMessageA(box.textArea, EM_SETSEL, range.start, range.end);
        CHARFORMATA format{};
        format.cbSize = sizeof(format);
        format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
        format.dwEffects = CFE_BOLD;
        ::SendMessageA(box.textArea, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    ::SendMessageA(box.textArea, EM_SETSEL, 0, 0);

    BoxSize measured{0, 0};
    {
        ScopedGetDC dc(box.window);
        ScopedSelect select(dc.get(), font);
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc.get(), &metrics);
        const int lineHeight = LineHeight(metrics.tmHeight, metrics.tmExternalLeading, g_fontFace);
        measured = MeasureText(text.plain, lineHeight, [&dc](const std::string& line) {
            SIZE extent{0, 0};
            ::GetTextExtentPoint32A(dc.get(), line.c_str(), static_cast<int>(line.size()), &extent);
            return static_cast<int>(extent.cx);
        });
    }
    const auto resize = [&box](BoxSize size) {
        box.asked = {0, 0};
        ::SetWindowPos(box.textArea, nullptr, 0, 0, size.width, size.height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageA(box.textArea, EM_REQUESTRESIZE, 0, 0);
        return box.asked;
    };
    BoxSize area{measured.width + 10, measured.height};
    resize(area);
    // Bold text is wider than measured: widen the area until it fits the height.
    if (!text.bold.empty())
        area = FitTextArea(measured, resize);
    return area;
}

void CreateButtons(Box& box, HFONT font, std::uint32_t flags, const std::string& buttonList, BoxSize client)
{
    box.buttons = ButtonsOf(flags, buttonList);
    const int count = static_cast<int>(box.buttons.size());
    for (int i = 0; i < count; ++i) {
        const BoxRect r = ButtonRect(i, count, client);
        const HWND button = ::CreateWindowExA(
            0, "BUTTON", box.buttons[i].caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, r.x, r.y,
            r.width, r.height, box.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(box.buttons[i].code)),
            ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        box.buttonWindows.push_back(button);
    }
    FocusButton(box, DefaultButtonIndex(flags, count));
}

} // namespace

void SetMsgBoxFont(const std::string& face, int size, std::uint8_t charset)
{
    g_fontFace = face;
    g_fontCharset = charset;
    if (size != 0)
        g_fontSize = size;
}

namespace {

BOOL CALLBACK CloseBox(HWND window, LPARAM)
{
    char name[32] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, kBoxClass) == 0)
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

} // namespace

void EndMessageBoxes()
{
    g_boxesEnded = true;
    ::EnumThreadWindows(::GetCurrentThreadId(), CloseBox, 0);
}

int ShowMarkupBox(HWND owner, const std::string& markup, const std::string& title, int timeoutMs, std::uint32_t flags,
                  const std::string& buttons)
{
    if (g_boxesEnded)
        return 0;
    const bool richEdit = RichEditAvailable();
    Box box;
    box.previousActive = ::GetActiveWindow();
    if (box.previousActive)
        ::EnableWindow(box.previousActive, FALSE);
    box.timeoutMs = timeoutMs;

    ScopedFont font(::CreateFontA(-ScaleByDpi(g_fontSize), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, g_fontCharset,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                                  g_fontFace.c_str()));
    // Held for this box, so the text area's window class stays registered while it lives.
    const ScopedLibrary richEditRef = richEdit ? LoadSystemLibrary(kRichEditLibrary) : ScopedLibrary();

    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    // Fails harmlessly while an outer box still holds the class.
    RegisterObjectClass<Box>(kBoxClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                             reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

    ::CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kBoxClass, title.c_str(),
                      WS_VISIBLE | WS_CAPTION | WS_SYSMENU, -100, -100, 10, 10, owner, nullptr, instance, &box);
    if (!box.window) {
        RestorePrevious(box);
        return 0;
    }
    if (flags & kMsgCloseGreyed)
        ::EnableMenuItem(::GetSystemMenu(box.window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);

    BoxSize area{0, 0};
    if (richEdit) {
        DWORD style = WS_CHILD | WS_VISIBLE | ES_READONLY | ES_MULTILINE | ES_WANTRETURN;
        if (flags & kMsgRightAligned)
            style |= ES_RIGHT;
        box.textArea = ::CreateWindowExA((flags & kMsgRtlReading) ? WS_EX_RTLREADING : 0, "RICHEDIT", "", style, 86, 30,
                                         100, 13, box.window,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextAreaId)), instance, nullptr);
    }
    if (box.textArea) {
        ::SendMessageA(box.textArea, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
        ::SendMessageA(box.textArea, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        ::SendMessageA(box.textArea, EM_SETBKGNDCOLOR, 0, ::GetSysColor(COLOR_WINDOW));
        area = FillTextArea(box, font.get(), markup);
    }

    const BoxSize outer = OuterBoxSize(area, {::GetSystemMetrics(SM_CXSIZEFRAME), ::GetSystemMetrics(SM_CYSIZEFRAME),
                                              ::GetSystemMetrics(SM_CYCAPTION)});
    const POINT at = CenterInWorkArea(outer.width, outer.height);
    ::SetWindowPos(box.window, nullptr, at.x, at.y, outer.width, outer.height, SWP_NOZORDER | SWP_SHOWWINDOW);
    RECT clientRect;
    ::GetClientRect(box.window, &clientRect);
    const BoxSize client{clientRect.right, clientRect.bottom};
    if (box.textArea) {
        const BoxRect r = TextAreaRect(client, area);
        ::SetWindowPos(box.textArea, nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    box.icon = IconFor(flags);
    CreateButtons(box, font.get(), flags, buttons, client);

    // A quit request must not end the caller's wait for its answer early.
    PumpMessages(
        box.destroyed, OnQuit::Defer,
        [](void* context, const MSG& msg) { return FilterKey(*static_cast<Box*>(context), msg); }, &box);
    if (!box.destroyed && ::IsWindow(box.window))
        ::DestroyWindow(box.window);
    ::UnregisterClassA(kBoxClass, instance);
    return box.result;
}

HWND BoxOwner::Owner() const { return kind_ == Kind::Window ? window_ : ::GetActiveWindow(); }

int MsgBox(BoxOwner owner, const std::string& text, const std::string& title, const std::string& buttons,
           std::uint8_t charset, std::uint32_t flags, int timeoutMs)
{
    if (charset == 177 || charset == 178)
        flags |= kMsgRightAligned | kMsgRtlReading;
    std::string message = text;
    if (owner.Heading()) {
        const bool standardTitle = std::string(kDefaultTitleList).find(title) != std::string::npos;
        const std::string heading = standardTitle ? UpperText(title) : title;
        message = "<<b>" + heading + "</b><P><P>" + text + "<P>";
    }
    if (owner.NoClose())
        flags |= kMsgCloseGreyed;
    const int result = ShowMarkupBox(owner.Owner(), message, title, timeoutMs, flags, buttons);
    SleepPumping(0, 100);
    return result;
}

namespace {
std::string OrDefault(const std::string& value, const std::string& fallback)
{
    return value.empty() ? fallback : value;
}
std::string DefaultTitle(int item) { return SUB::ListItem(kDefaultTitleList, item, ""); }
} // namespace

void MsgError(BoxOwner owner, const std::string& text, const std::string& title, const std::string& buttons,
              std::uint8_t charset)
{
    MsgBox(owner, text, OrDefault(title, DefaultTitle(0)), OrDefault(buttons, kDefaultButtonList), charset,
           MB_OK | MB_ICONHAND, 0);
}

void MsgAttention(BoxOwner owner, const std::string& text, const std::string& title, const std::string& buttons,
                  std::uint8_t charset, int timeoutMs)
{
    MsgBox(owner, text, OrDefault(title, DefaultTitle(1)), OrDefault(buttons, kDefaultButtonList), charset,
           MB_OK | MB_ICONEXCLAMATION, timeoutMs);
}

bool MsgConfirmYesNo(BoxOwner owner, const std::string& text, const std::string& title, const std::string& buttons,
                     std::uint8_t charset, int timeoutMs)
{
    return MsgBox(owner, text, OrDefault(title, DefaultTitle(2)), OrDefault(buttons, kDefaultButtonList), charset,
                  MB_YESNO | MB_ICONQUESTION, timeoutMs) == IDYES;
}

bool MsgConfirmOkCancel(BoxOwner owner, const std::string& text, const std::string& title, const std::string& buttons,
                        std::uint8_t charset)
{
    return MsgBox(owner, text, OrDefault(title, DefaultTitle(2)), OrDefault(buttons, kDefaultButtonList), charset,
                  MB_OKCANCEL | MB_ICONQUESTION, 0) == IDOK;
}
