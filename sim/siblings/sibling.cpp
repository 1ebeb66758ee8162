// Stand-ins for the maker's sibling programs that the tray menu starts: the scanning
// application, the copier and the scanner test program. Each is known to Tornel only
// by its window (and, for the scanning application, its mutex), so each shows a small
// window under those names that says what it stands for, and closes on WM_CLOSE.
// Like the real programs they ask the resident Tornel to give the scanner up while
// they run and to take it back when they end.
#include <windows.h>

#include "common/handles.h"
#include "shell/tray_messages.h"

namespace {

struct SiblingRole {
    const char* className;
    const char* title;
    const char* mutexName;  // held for the program's lifetime, or none
    const char* description;
};

constexpr SiblingRole kRoles[] = {
    {"UI_MAIN_WND", "Kelmio", "Kelmio application", "Stand-in for the scanning application (kelmio.exe)"},
    {"Copier", "Copier", nullptr, "Stand-in for the copier (replic32.exe)"},
    {"TornelStandInScannerTest", "TAVEN Scanner Test Program", nullptr,
     "Stand-in for the scanner test program (probe32.exe)"},
};
static_assert(SIBLING_ROLE >= 0 && SIBLING_ROLE < 3, "SIBLING_ROLE picks one of the roles");
constexpr const SiblingRole& kRole = kRoles[SIBLING_ROLE];

// Posted, never sent: the stand-in must not wait on a busy Tornel.
void TellTornel(UINT message)
{
    if (HWND tornel = FindWindowA(TORNEL_TRAY_WINDOW, TORNEL_TRAY_WINDOW))
        PostMessageA(tornel, message, 0, 0);
}

void OnPaint(HWND window)
{
    PaintDc paint(window);
    RECT area;
    GetClientRect(window, &area);
    SelectGuard font(paint.get(), GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(paint.get(), TRANSPARENT);
    DrawTextA(paint.get(), kRole.description, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void OnDestroy() { PostQuitMessage(0); }

LRESULT CALLBACK SiblingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool CreateMainWindow(HINSTANCE instance, int show)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SiblingWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kRole.className;
    if (!RegisterClassA(&wc))
        return false;
    HWND window = CreateWindowExA(0, kRole.className, kRole.title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  420, 120, nullptr, nullptr, instance, nullptr);
    if (!window)
        return false;
    ShowWindow(window, show);
    UpdateWindow(window);
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    UniqueHandle mutex;
    if (kRole.mutexName)
        mutex.reset(CreateMutexA(nullptr, TRUE, kRole.mutexName));
    if (!CreateMainWindow(instance, show))
        return 1;
    TellTornel(WM_TORNEL_RELEASE_SCANNER);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    if (mutex) {
        ReleaseMutex(mutex.get());
        mutex.reset();
    }
    TellTornel(WM_TORNEL_REACQUIRE_SCANNER);
    return 0;
}
