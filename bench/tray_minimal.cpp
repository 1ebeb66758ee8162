// The baseline for the tray figures: a minimal program built the same way as Tornel
// (same compiler, flags and static runtime) whose hidden window adds one notification
// icon in WM_CREATE (the same window class and styles), with the same 488-byte data and flags, and then runs its message
// loop. It removes the icon on WM_DESTROY.
#include <windows.h>
#include <shellapi.h>

#include "common/strings.h"

namespace {

constexpr char kName[] = "Tornel Bench Tray";
constexpr UINT kCallbackMessage = WM_USER + 10;

NOTIFYICONDATAA IconData(HWND window, UINT flags)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = 488;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = flags;
    return data;
}

LRESULT OnCreate(HWND window)
{
    NOTIFYICONDATAA data = IconData(window, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO);
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = static_cast<HICON>(LoadImageA(nullptr, MAKEINTRESOURCEA(32512), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    CopyString(data.szTip, kName);
    CopyString(data.szInfoTitle, kName);
    CopyString(data.szInfo, "The baseline of the tray figures.");
    // Like Tornel, a program without its icon has nothing to offer: end it.
    return Shell_NotifyIconA(NIM_ADD, &data) ? 0 : -1;
}

LRESULT OnDestroy(HWND window)
{
    NOTIFYICONDATAA data = IconData(window, 0);
    Shell_NotifyIconA(NIM_DELETE, &data);
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK TrayMinimalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        return OnDestroy(window);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = TrayMinimalProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kName;
    if (!RegisterClassA(&wc))
        return 1;
    // The same styles as Tornel's hidden window.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kName, kName, WS_POPUP, 100, 100, 100, 100, nullptr,
                                  nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, SW_HIDE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
