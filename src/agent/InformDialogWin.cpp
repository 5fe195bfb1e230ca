#include "agent/InformDialogWin.h"

#include <richedit.h>

#include "agent/InformDialog.h"
#include "util/KDebug.h"
#include "util/MessagePump.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/WindowProc.h"

namespace {

// One run of the dialog. The done flag belongs to the run, so a later announcement in
// the same agent run shows its dialog again.
struct InformDialog {
    static constexpr const char* kProcName = "InformDialogProc";
    bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    std::string address;
    HWND window = nullptr;
    HWND text = nullptr;
    HWND button = nullptr;
    bool done = false;
};

void Place(const InformDialog& d)
{
    RECT client;
    ::GetClientRect(d.window, &client);
    const InformLayout layout = InformLayoutFor(client.right, client.bottom, d.button != nullptr);
    const auto place = [](HWND control, const InformRect& r) {
        if (control)
            ::SetWindowPos(control, nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER | SWP_SHOWWINDOW);
    };
    place(d.text, layout.text);
    place(d.button, layout.button);
}

void Paint(const InformDialog& d)
{
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(d.window, &ps);
    RECT client;
    ::GetClientRect(d.window, &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    const InformLayout layout = InformLayoutFor(client.right, client.bottom, d.button != nullptr);
    if (layout.band) {
        {
            ScopedPen pen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_3DDKSHADOW)));
            ScopedSelect select(dc, pen.get());
            ::MoveToEx(dc, 0, layout.lineY, nullptr);
            ::LineTo(dc, client.right, layout.lineY);
        }
        const RECT band{0, layout.lineY + 1, client.right, client.bottom};
        ::FillRect(dc, &band, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    ::EndPaint(d.window, &ps);
}

// The address is a server's: anything but a web address is only traced.
bool OpenAddress(const std::string& address)
{
    if (!IsOpenableAddress(address)) {
        TraceLine(ProcessIdText(), " Inform address not opened: ", address);
        return false;
    }
    const bool opened = ShellOpen(address, "", SW_SHOW);
    TraceLine(ProcessIdText(), " Inform address opened: ", address, " ", opened);
    return opened;
}

bool InformDialog::OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_NCCREATE: window = hwnd; return false;
    case WM_PAINT: Paint(*this); return true;
    case WM_SIZE: Place(*this); return true;
    case WM_COMMAND:
        if (button && reinterpret_cast<HWND>(lParam) == button && HIWORD(wParam) == BN_CLICKED) {
            OpenAddress(address);
            ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        }
        return false;
    case WM_DESTROY:
        done = true;
        result = 0;
        return true;
    }
    return false;
}

ScopedFont MakeFont(int height, std::uint8_t charset, const std::string& face)
{
    return ScopedFont(::CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, face.c_str()));
}

bool RunDialog(const InformDialogParams& p, const std::string& address)
{
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    // The dialog's class is registered only while a dialog runs.
    WNDCLASSA registered{};
    if (::GetClassInfoA(instance, kInformDialogClass, &registered)) {
        TraceLine(ProcessIdText(), " Inform dialog already open");
        return false;
    }
    InformDialog d;
    d.address = address;

    // Declared before the window, so that they outlive it.
    const ScopedLibrary richEdit = LoadSystemLibrary("RICHED32.DLL");
    const ScopedFont buttonFont = MakeFont(-ScaleByDpi(p.fontSize), p.charset, p.fontName);
    const ScopedFont textFont = MakeFont(kInformTextHeight, p.charset, InformTextFace(p.fontName));

    RegisterObjectClass<InformDialog>(kInformDialogClass, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const auto unregister = defer([instance] { ::UnregisterClassA(kInformDialogClass, instance); });

    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN), screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const InformSize size = InformWindowSize(p.width, p.height, screenWidth, screenHeight);
    ::CreateWindowExA(WS_EX_DLGMODALFRAME, kInformDialogClass, p.title.c_str(),
                      WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, (screenWidth - size.width) / 2,
                      (screenHeight - size.height) / 2, size.width, size.height, p.owner, nullptr, instance, &d);
    if (!d.window)
        return false;
    ScopedWindow window(d.window);

    DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY;
    if (p.rightToLeft)
        style |= ES_RIGHT;
    d.text = richEdit ? ::CreateWindowExA(p.rightToLeft ? WS_EX_RTLREADING : 0, "RICHEDIT", "", style, 0, 0, 0, 0,
                                          d.window, nullptr, instance, nullptr)
                      : nullptr;
    if (!d.text) {
        // Without its text the dialog would announce nothing: try again with the next check.
        TraceLine(ProcessIdText(), " Inform dialog has no rich-text box");
        return false;
    }
    ::SendMessageA(d.text, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    ::SendMessageA(d.text, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), FALSE);
    ::SendMessageA(d.text, EM_SETBKGNDCOLOR, 0, ::GetSysColor(COLOR_WINDOW));
    ::SendMessageA(d.text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p.body.c_str()));

    if (!address.empty()) {
        d.button = ::CreateWindowExA(0, "Button", p.buttonCaption.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, d.window,
                                     nullptr, instance, nullptr);
        ::SendMessageA(d.button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.get()), FALSE);
        ::SetActiveWindow(d.window);
        ::SetFocus(d.button);
        ::SendMessageA(d.button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
    Place(d);

    // A quit request (the agent's shutdown) ends the dialog and stays for the launcher's
    // own loop, which would otherwise never see it.
    PumpMessages(d.done, OnQuit::EndAndRepost);
    if (d.done)
        window.release(); // already destroyed
    return true;
}

} // namespace

bool ShowInformDialog(const InformDialogParams& params)
{
    const std::string address = TrimText(params.address);
    switch (InformShowFor(params.body, address)) {
    case InformShow::Dialog: return RunDialog(params, address);
    case InformShow::OpenAddress: return OpenAddress(address);
    case InformShow::Nothing:
        if (!address.empty())
            OpenAddress(address); // traces why it is not opened
        return false;
    }
    return false;
}
