// Holds one hidden window for the whole test session, so Wine's desktop process
// stays up between test programs instead of starting again inside each of them.
#include <windows.h>

static LRESULT CALLBACK KeeperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = KeeperProc;
    wc.hInstance = instance;
    wc.lpszClassName = "TornelTestKeeper";
    if (!RegisterClassA(&wc))
        return 1;
    if (!CreateWindowExA(0, wc.lpszClassName, "Tornel test keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                         instance, nullptr))
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
