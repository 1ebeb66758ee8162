// The Add-application dialog of the Application page: a name and a program file,
// appended to "Tornel_Application" at once when both are given.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "common/registry.h"
#include "config/config.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "settings/pages.h"

namespace {

constexpr size_t kDialogTextSize = 512;

const ControlText kTexts[] = {
    {IDOK, IDS_DLG_BUTTON_OK},          {IDCANCEL, IDS_DLG_BUTTON_CANCEL}, {IDC_ADD_NAME_LABEL, IDS_AP_NAME},
    {IDC_ADD_PATH_LABEL, IDS_AP_FILE_NAME}, {IDC_ADD_BROWSE, IDS_BROWSE},
};

// Only a Japanese installation of the scanner software wants the system font here.
bool JapaneseInstallation()
{
    char language[257];
    ReadScannerLanguage(language);
    return strcmp(language, "Japanese") == 0;
}

void BrowseForProgram(HWND dialog)
{
    char path[MAX_PATH] = "";
    OPENFILENAMEA open = {};
    open.lStructSize = sizeof open;
    open.hwndOwner = dialog;
    open.hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    open.lpstrFilter = "Executable Files (*.exe)\0*.exe\0All Files (*.*)\0*.*\0";
    open.nFilterIndex = 1;
    open.lpstrFile = path;
    open.nMaxFile = sizeof path;
    open.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&open))
        SetDlgItemTextA(dialog, IDC_ADD_PATH, path);
}

// ---- Message handlers --------------------------------------------------------------

INT_PTR OnInitDialog(HWND dialog)
{
    if (JapaneseInstallation()) {
        HGDIOBJ font = GetStockObject(SYSTEM_FONT);
        for (int control : {IDC_ADD_NAME_LABEL, IDC_ADD_PATH_LABEL, IDC_ADD_BROWSE, IDOK, IDCANCEL})
            SendDlgItemMessageA(dialog, control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    char caption[kDialogTextSize];
    GetLocalizedText(IDS_DLG_ADD_APPLICATION, caption);
    SetWindowTextA(dialog, caption);
    SetControlTexts(dialog, kTexts);
    SetDlgItemTextA(dialog, IDC_ADD_NAME, "");
    SetDlgItemTextA(dialog, IDC_ADD_PATH, "");
    return TRUE;
}

// Both fields are needed; a missing one is said and the dialog stays open.
void OnOk(HWND dialog)
{
    char name[256];
    char path[260];
    GetDlgItemTextA(dialog, IDC_ADD_NAME, name, sizeof name);
    GetDlgItemTextA(dialog, IDC_ADD_PATH, path, sizeof path);
    if (!name[0]) {
        ShowLocalizedMessage(IDS_NO_AP_NAME, nullptr, nullptr, MB_OK, kPageTextSize);
        return;
    }
    if (!path[0]) {
        ShowLocalizedMessage(IDS_NO_AP_FILE_NAME, nullptr, nullptr, MB_OK, kPageTextSize);
        return;
    }
    WriteApplicationEntry(name, path, -1);
    EndDialog(dialog, 1);
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOk(dialog);
        return TRUE;
    case IDCANCEL:
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return TRUE;
    case IDC_ADD_BROWSE:
        BrowseForProgram(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK AddApplicationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR RunAddApplicationDialog(HWND page)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE));
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ADD_APPLICATION), page, AddApplicationProc, 0);
}
