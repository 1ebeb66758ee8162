// The scan progress dialog: while a job runs, its own thread shows the destination's
// three-frame animation, a preview of the lines scanned so far and an Abort button.
// The thread polls the button instead of running a message loop, closes the dialog
// when the engine reports the end, and carries out the user's abort.
#include <windows.h>

#include <array>
#include <cstdlib>

#include "common/handles.h"
#include "common/strings.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/preview.h"
#include "scan/scan.h"

namespace {

constexpr DWORD kFrameHoldMs = 100;
constexpr DWORD kPreviewPauseMs = 1000;
constexpr DWORD kAfterPreviewMs = 100;

// What the thread draws with. Progress thread only.
struct ProgressContext {
    HWND dialog = nullptr;
    HWND abortButton = nullptr;
    RECT abortRect = {};
    RECT frameBox = {};
    WindowDc dc;  // the dialog's, released at the end
    UniqueDc memory;
};

// Abort chosen by a command to the dialog or a click message to Abort that did not
// come from the mouse. Written by the dialog procedure and read
// by the thread that polls: both are the progress thread, which owns the dialog.
bool g_abortCommanded = false;

void GreyCloseItem(HWND dialog)
{
    HMENU systemMenu = GetSystemMenu(dialog, FALSE);
    if (systemMenu)
        EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
}

// Topmost, centred on the full-screen work area, size unchanged, hidden.
void PlaceDialog(HWND dialog)
{
    RECT window = {};
    GetWindowRect(dialog, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
    SetWindowPos(dialog, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_HIDEWINDOW);
    ShowWindow(dialog, SW_HIDE);
}

void UseSystemFontWhenLanguageSet(HWND abortButton)
{
    if (!LanguageKeyExists())
        return;
    SendMessageA(abortButton, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)), FALSE);
}

void ChildRect(HWND dialog, int controlId, RECT* rect)
{
    *rect = RECT{};
    HWND control = GetDlgItem(dialog, controlId);
    if (control && GetWindowRect(control, rect))
        RectScreenToClient(dialog, rect);
}

void PrepareDialog(ProgressContext& context)
{
    HWND dialog = context.dialog;
    context.abortButton = GetDlgItem(dialog, IDC_PROGRESS_ABORT);
    if (context.abortButton)
        UseSystemFontWhenLanguageSet(context.abortButton);
    GreyCloseItem(dialog);
    PlaceDialog(dialog);
    ChildRect(dialog, IDC_PROGRESS_ABORT, &context.abortRect);
    ChildRect(dialog, IDC_PROGRESS_FRAME_BOX, &context.frameBox);
    context.dc.Take(dialog);
    if (context.dc.get())
        context.memory.reset(CreateCompatibleDC(context.dc.get()));
    if (context.abortButton)
        EnableWindow(context.abortButton, FALSE);
}

bool IsDialogWindow(const ProgressContext& context, HWND window)
{
    return window == context.dialog || IsChild(context.dialog, window);
}

// The keyboard's abort: Escape anywhere in the dialog, Space or Enter on Abort. The
// other keys of the dialog's queue mean nothing here and are dropped.
bool AbortKeyed(const ProgressContext& context)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        if (msg.message != WM_KEYDOWN || !IsDialogWindow(context, msg.hwnd))
            continue;
        if (msg.wParam == VK_ESCAPE)
            return true;
        if ((msg.wParam == VK_SPACE || msg.wParam == VK_RETURN) && msg.hwnd == context.abortButton)
            return true;
    }
    return false;
}

// A click that reached Abort or the dialog as a message rather than from the mouse:
// posted ones are taken from the queue here, sent ones reach the dialog procedure
// while this thread looks.
bool AbortCommanded(const ProgressContext& context)
{
    MSG msg;
    while (PeekMessageA(&msg, context.abortButton, BM_CLICK, BM_CLICK, PM_REMOVE))
        g_abortCommanded = true;
    while (PeekMessageA(&msg, context.dialog, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        WORD command = LOWORD(msg.wParam);
        if (command == IDC_PROGRESS_ABORT || command == IDCANCEL)
            g_abortCommanded = true;
    }
    return g_abortCommanded;
}

// The user's act of pressing the scanner's button: the dialog takes the keyboard, so
// Escape or Space aborts without a mouse.
void TakeKeyboard(const ProgressContext& context)
{
    SetForegroundWindow(context.dialog);
    if (IsWindowEnabled(context.abortButton))
        SetFocus(context.abortButton);
}

// Enables Abort once the engine said the scan is under way, then looks for a click,
// a key or a command that aborts. While Abort is disabled nothing aborts, as a click
// on a disabled button does not reach it; keys pressed meanwhile wait in the queue.
bool AbortClicked(const ProgressContext& context)
{
    if (!context.abortButton)
        return false;
    if (g_scan.AbortRequestedUsable.exchange(false)) {
        EnableWindow(context.abortButton, TRUE);
        if (IsWindowVisible(context.dialog))
            TakeKeyboard(context);
    }
    if (CheckAbortClick(context.abortButton, WM_LBUTTONDOWN) != 0)
        return true;
    return IsWindowEnabled(context.abortButton) && (AbortKeyed(context) || AbortCommanded(context));
}

// False when the frames of this cycle cannot be drawn.
bool DrawFrame(const ProgressContext& context, int bitmapId)
{
    UniqueGdiObj frame(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId)));
    if (!frame || !context.dc.get() || !context.memory)
        return false;
    BITMAP info = {};
    GetObjectA(frame.get(), sizeof info, &info);
    SelectGuard select(context.memory.get(), frame.get());
    Sleep(kFrameHoldMs);
    BitBlt(context.dc.get(), context.frameBox.left, context.frameBox.top, info.bmWidth, info.bmHeight,
           context.memory.get(), 0, 0, SRCCOPY);
    return true;
}

void DrawPreview(const ProgressContext& context)
{
    const uint8_t* preview = g_preview.Bits.load();
    if (!preview || !context.dc.get())
        return;
    RECT box;
    ChildRect(context.dialog, IDC_PROGRESS_PREVIEW_BOX, &box);
    DrawPreviewImage(context.dc.get(), &box, preview);
}

// This thread never asks its queue for WM_PAINT, so what needs painting (the frame
// and controls once shown, Abort after its text changed) is painted here and now.
void PaintPending(HWND window) { RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

void ShowDialog(const ProgressContext& context)
{
    bool first = !IsWindowVisible(context.dialog);
    ShowWindow(context.dialog, SW_SHOWNORMAL);
    if (first)
        TakeKeyboard(context);
    PaintPending(context.dialog);
}

// One cycle of the animation; false when the user aborted.
bool RunCycle(const ProgressContext& context, const ProgressLook& look)
{
    for (int frame = 0; frame < 3; ++frame) {
        if (AbortClicked(context))
            return false;
        if (context.dialog)
            ShowDialog(context);
        if (!DrawFrame(context, look.frames[frame]))
            break;
        if (context.abortButton) {
            char text[260];
            GetLocalizedText(IDS_ABORT, text);
            SetWindowTextA(context.abortButton, text);
            PaintPending(context.abortButton);
        }
        if (AbortClicked(context))
            return false;
    }
    Sleep(kPreviewPauseMs);
    DrawPreview(context);
    Sleep(kAfterPreviewMs);
    return !AbortClicked(context);
}

void EndDialogWindow(ProgressContext& context, bool closeFirst)
{
    if (!context.dialog)
        return;
    g_scan.ProgressDialog = nullptr;
    context.memory.reset();
    context.dc.reset();
    if (closeFirst)
        SendMessageA(context.dialog, WM_CLOSE, 0, 0);
    DestroyWindow(context.dialog);
    context.dialog = nullptr;
}

void FinishNormally(ProgressContext& context)
{
    ClosePreview();
    EndDialogWindow(context, true);
}

// The destination is released by the engine's end notification that follows the stop.
void FinishAborted(ProgressContext& context)
{
    g_scan.JobAborted = 1;
    EngineStopScan();
    ClosePreview();
    EndDialogWindow(context, false);
}

INT_PTR OnInitDialog(HWND dialog)
{
    g_scan.JobAborted = 0;
    g_abortCommanded = false;
    char title[260] = "";
    int titleId = ProgressLookForDestination().titleId;
    if (titleId)
        GetLocalizedText(titleId, title);
    SetWindowTextA(dialog, title);
    return TRUE;
}

INT_PTR OnClose(HWND dialog)
{
    EndDialog(dialog, 0);
    return TRUE;
}

// Abort clicked by a message sent to the button, or a command sent to the dialog; the
// polling thread carries it out. Before the engine's start nothing aborts.
INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    WORD command = LOWORD(wParam);
    HWND abortButton = GetDlgItem(dialog, IDC_PROGRESS_ABORT);
    if ((command == IDC_PROGRESS_ABORT || command == IDCANCEL) && abortButton && IsWindowEnabled(abortButton))
        g_abortCommanded = true;
    return TRUE;
}

COLORREF PreviewPixel(const uint8_t* row, int bitCount, int column)
{
    if (bitCount == 24) {
        const uint8_t* p = row + 3 * column;
        return RGB(p[0], p[1], p[2]);
    }
    if (bitCount == 8)
        return RGB(row[column], row[column], row[column]);
    bool set = (row[column / 8] >> (7 - column % 8)) & 1;
    return set ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

// The flag of each Destination, in the order of its values.
std::array<std::atomic<int>*, 4> DestinationFlags()
{
    return {&g_scan.ActiveApplication, &g_scan.ActivePrinter, &g_scan.ActiveMail, &g_scan.ActiveFolder};
}

bool RowIsEmpty(const uint8_t* row, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        if (row[i])
            return false;
    }
    return true;
}

}  // namespace

void ClearActiveDestinations()
{
    for (std::atomic<int>* flag : DestinationFlags())
        *flag = 0;
}

void SetActiveDestination(Destination destination) { *DestinationFlags()[static_cast<int>(destination)] = 1; }

ProgressLook ProgressLookForDestination()
{
    ProgressLook look = {{0, 0, 0}, 0};
    if (g_scan.ActiveApplication.load())
        look = {{IDB_APPLICATION_1, IDB_APPLICATION_2, IDB_APPLICATION_3}, IDS_DLG_SCAN_TO_APPLICATION};
    if (g_scan.ActivePrinter.load())
        look = {{IDB_PRINTER_1, IDB_PRINTER_2, IDB_PRINTER_3}, IDS_DLG_SCAN_TO_PRINTER};
    if (g_scan.ActiveMail.load())
        look = {{IDB_MAIL_1, IDB_MAIL_2, IDB_MAIL_3}, IDS_DLG_SCAN_TO_MAIL};
    if (g_scan.ActiveFolder.load())
        look = {{IDB_FOLDER_1, IDB_FOLDER_2, IDB_FOLDER_3}, IDS_DLG_SCAN_TO_FOLDER};
    return look;
}

DWORD WINAPI ScanProgressThread(LPVOID)
{
    ProgressLook look = ProgressLookForDestination();
    ProgressContext context;
    context.dialog = LocalizedCreateDialog(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SCAN_PROGRESS), nullptr,
                                           ProgressDialogProc);
    g_scan.ProgressDialog = context.dialog;
    if (context.dialog)
        PrepareDialog(context);

    bool aborted = false;
    while (!aborted && JobScanning())
        aborted = !RunCycle(context, look);
    if (aborted)
        FinishAborted(context);
    else
        FinishNormally(context);
    RestoreJobPriorityClass();
    return 0;
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    case WM_CLOSE:
        return OnClose(dialog);
    default:
        return FALSE;
    }
}

int CheckAbortClick(HWND button, UINT message)
{
    MSG msg;
    if (!PeekMessageA(&msg, button, message, message, PM_REMOVE))
        return 0;
    if (msg.hwnd != button)
        return 0;
    if (message == WM_LBUTTONDOWN)
        return 1;
    if ((message == WM_KEYDOWN || message == WM_KEYUP) && msg.wParam == VK_ESCAPE)
        return 1;
    return 0;
}

void RectScreenToClient(HWND window, RECT* rect)
{
    POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    ScreenToClient(window, &corners[0]);
    ScreenToClient(window, &corners[1]);
    *rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

int DrawPreviewImage(HDC dc, const RECT* target, const void* preview)
{
    const auto* header = static_cast<const BITMAPINFOHEADER*>(preview);
    const uint8_t* rows = static_cast<const uint8_t*>(preview) + sizeof(BITMAPINFOHEADER);
    int width = header->biWidth;
    int height = header->biHeight;
    int bitCount = header->biBitCount;
    int rowBytes = bitCount == 1 ? (width + 7) / 8 : bitCount == 8 ? width : 3 * width;
    int targetWidth = target->right - target->left;
    int targetHeight = target->bottom - target->top;
    if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0 ||
        (bitCount != 1 && bitCount != 8 && bitCount != 24))
        return 1;

    float widthScale = static_cast<float>(width) / static_cast<float>(targetWidth);
    float heightScale = static_cast<float>(height) / static_cast<float>(targetHeight);
    float scale = widthScale > heightScale ? widthScale : heightScale;
    int filledBytes = bitCount * width / 8;
    for (int y = 0; y < targetHeight; ++y) {
        int sourceRow = static_cast<int>(static_cast<float>(y) * scale);
        if (sourceRow >= height)
            break;
        const uint8_t* row = rows + static_cast<size_t>(sourceRow) * static_cast<size_t>(rowBytes);
        if (RowIsEmpty(row, filledBytes))
            continue;  // not scanned yet
        for (int x = 0; x < targetWidth; ++x) {
            int column = static_cast<int>(static_cast<float>(x) * scale);
            if (column >= width)
                break;
            SetPixel(dc, target->left + x, target->top + y, PreviewPixel(row, bitCount, column));
        }
    }
    return 1;
}
