#include "agent/InformDialogWin.h"

#include <richedit.h>

#include "agent/FetchWin.h"
#include "agent/AgentRequest.h"
#include "agent/AgentTick.h"
#include "agent/OriginalFileWin.h"
#include "agent/InformDialog.h"
#include "payload/Token.h"
#include "util/FilesWin.h"
#include "util/Guard.h"
#include "util/KDebug.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"

namespace {

// One run of the dialog. The done flag belongs to the run, so a later announcement in
// the same agent run shows its dialog again.
struct InformDialog {
    std::string address;
    HWND window = nullptr;
    HWND text = nullptr;
    HWND button = nullptr;
    bool done = false;
};
InformDialog* g_running = nullptr;

InformDialog* DialogOf(HWND window)
{
    return reinterpret_cast<InformDialog*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

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

LRESULT DialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* dialog = static_cast<InformDialog*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        dialog->window = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    InformDialog* d = DialogOf(window);
    if (!d)
        return ::DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        Paint(*d);
        return 0;
    case WM_SIZE:
        Place(*d);
        return 0;
    case WM_COMMAND:
        if (d->button && reinterpret_cast<HWND>(lParam) == d->button && HIWORD(wParam) == BN_CLICKED) {
            OpenAddress(d->address);
            ::PostMessageA(window, WM_CLOSE, 0, 0);
        }
        break;
    case WM_DESTROY:
        d->done = true;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Guarded("InformDialogProc", [&] { result = DialogMessage(window, message, wParam, lParam); }))
        return result;
    return ::DefWindowProcA(window, message, wParam, lParam);
}

ScopedFont MakeFont(int height, std::uint8_t charset, const std::string& face)
{
    return ScopedFont(::CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, face.c_str()));
}

bool RunDialog(const InformDialogParams& p, const std::string& address)
{
    if (g_running) {
        TraceLine(ProcessIdText(), " Inform dialog already open");
        return false;
    }
    InformDialog d;
    d.address = address;
    g_running = &d;
    const auto notRunning = defer([] { g_running = nullptr; });

    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    // Declared before the window, so that they outlive it.
    const ScopedLibrary richEdit = LoadSystemLibrary("RICHED32.DLL");
    const ScopedFont buttonFont = MakeFont(-ScaleByDpi(p.fontSize), p.charset, p.fontName);
    const ScopedFont textFont = MakeFont(kInformTextHeight, p.charset, InformTextFace(p.fontName));

    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = DialogProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kInformDialogClass;
    ::RegisterClassA(&wc);
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

    while (!d.done) {
        MSG msg;
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            // A quit request (the agent's shutdown) ends the dialog and stays for the
            // launcher's own loop, which would otherwise never see it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    if (d.done)
        window.release();  // already destroyed
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
            OpenAddress(address);  // traces why it is not opened
        return false;
    }
    return false;
}

bool PerformAutoInform(HWND owner)
{
    WriteUpdateLog("PerformAutoInform() - START ");
    TraceLine(ProcessIdText(), " ==== PerformAutoInform-1 ====");
    bool result = false;
    const std::string base = ReadInfoText(Keys::DownloadURL_UPDATE);
    const std::string name = ReadInfoText(Keys::NameOfInformFile);
    if (!base.empty() && !name.empty()) {
        TraceLine(ProcessIdText(), " ==== PerformAutoInform-2 ====");
        Agent().state = 2;
        AgentNotify(NotifyFetch, 1);
        std::string error;
        const bool fetched = DownloadFileAU(base, name, FetchKind::Inform, error);
        AgentNotify(NotifyFetch, 2);
        if (fetched) {
            TraceLine(ProcessIdText(), " ==== PerformAutoInform-3 ====");
            const std::string file = FetchedFilePath(name);
            InformDialogParams p;
            p.owner = owner;
            p.title = AutoUpdateText("s34", "New Version");
            p.buttonCaption = AutoUpdateText("s35", "Download");
            p.charset = static_cast<std::uint8_t>(ReadInfoInt(Keys::CharSet));
            p.fontSize = static_cast<int>(ReadInfoInt(Keys::FontSize));
            p.fontName = ReadInfoText(Keys::FontName);
            p.height = ReadInfoInt(Keys::AutoInformH);
            p.width = ReadInfoInt(Keys::AutoInformW);
            p.address = ReadInfoText(Keys::DownloadURL_INFORM);
            p.body = SplitInformText(ReadFileRange(file, 0, 0)).body;
            result = ShowInformDialog(p);
            // Delivered once shown, whether or not the user pressed the button.
            if (result)
                WriteInfoInt(Keys::VersionOriginal, ReadInfoInt(Keys::VersionNew));
            TraceLine(ProcessIdText(), " ==== PerformAutoInform-4 ====");
        }
    }
    WriteUpdateLog(std::string("PerformAutoInform() - END ") + (result ? "TRUE" : "FALSE"));
    return result;
}
