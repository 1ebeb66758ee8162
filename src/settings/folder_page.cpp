// The Folder page: the folder that scans to a folder go to, chosen from the list of
// "MyFolder" or added with the folder browser, and that scan's settings.
#include <windows.h>
#include <objbase.h>

#include <cstring>

#include "common/strings.h"
#include "config/config.h"
#include "resource.h"
#include "scan/scan.h"
#include "settings/pages.h"
#include "settings/settings.h"

namespace {

const PageKind kFolderKind = {kKindMyFolder, {IDC_FOLDER_DOC, IDC_FOLDER_RES, IDC_FOLDER_BRI, IDC_FOLDER_AREA}};

const int kFontControls[] = {IDC_FOLDER_DEST_LABEL, IDC_FOLDER_DOC_LABEL, IDC_FOLDER_RES_LABEL,
                             IDC_FOLDER_BRI_LABEL,  IDC_FOLDER_AREA_LABEL, IDC_FOLDER_DOC,
                             IDC_FOLDER_RES,        IDC_FOLDER_BRI,       IDC_FOLDER_AREA,
                             IDC_FOLDER_ADD};
const ControlText kTexts[] = {
    {IDC_FOLDER_DEST_LABEL, IDS_DLG_SCAN_DEST}, {IDC_FOLDER_DOC_LABEL, IDS_DLG_DOC_TYPE},
    {IDC_FOLDER_RES_LABEL, IDS_DLG_RESOLUTION}, {IDC_FOLDER_BRI_LABEL, IDS_DLG_BRIGHTNESS},
    {IDC_FOLDER_AREA_LABEL, IDS_DLG_SCAN_AREA}, {IDC_FOLDER_ADD, IDS_DLG_CHANGE},
};
const ControlText kTips[] = {
    {IDC_FOLDER_DOC, IDS_TIP_DOCUMENT},     {IDC_FOLDER_RES, IDS_TIP_RESOLUTION},
    {IDC_FOLDER_BRI, IDS_TIP_BRIGHTNESS},   {IDC_FOLDER_AREA, IDS_TIP_SCAN_AREA},
    {IDC_FOLDER_ADD, IDS_TIP_ADD_FOLDER},
};

// The folders in order, the default one selected. The count and the default count as
// 16-bit numbers.
void FillFolderList(HWND page, int control)
{
    int count = ReadFolderCount(0) & 0xFFFF;
    for (int n = 1; n <= count; ++n) {
        char folder[512];
        ReadFolderEntry(n, "C:\\", folder);
        // An empty entry stands for the My Pictures of whoever runs the program.
        if (!folder[0]) {
            DefaultScanFolder(folder, sizeof folder);
            AppendBackslash(folder);
        }
        AddListText(page, control, folder);
    }
    SelectPosition(page, control, ChosenFolderNumber() - 1);
}

// A choice without a file-system path, or inside the network neighbourhood, holds no
// folder a scan can be written to.
bool RefusedFolder(const char* path)
{
    if (!path[0] || strcmp(path, "\\") == 0)
        return true;
    char netHood[MAX_PATH];
    return GetShellFolder("NetHood", netHood, sizeof netHood) && netHood[0] && strstr(path, netHood);
}

// The browser starts on the folder selected in the list; the shell takes it without
// its closing backslash (a drive root keeps it).
void StartFolder(HWND page, char (&start)[MAX_PATH])
{
    SelectedText(page, IDC_FOLDER_LIST, start, sizeof start);
    size_t length = strlen(start);
    if (length > 3 && start[length - 1] == '\\')
        start[length - 1] = '\0';
}

void AddFolder(HWND page)
{
    char start[MAX_PATH];
    StartFolder(page, start);
    char path[MAX_PATH];
    bool chosen;
    do {
        char unnamable[MAX_PATH];
        chosen = BrowseForFolder(page, start[0] ? start : nullptr, path, unnamable);
        if (unnamable[0])
            ShowInvalidFolder(unnamable);
    } while (chosen && RefusedFolder(path));
    if (!chosen)
        return;
    AddChosenFolder(path);
    SelectPosition(page, IDC_FOLDER_LIST, AddListText(page, IDC_FOLDER_LIST, path));
}

// ---- Message handlers --------------------------------------------------------------

INT_PTR OnInitDialog(HWND page)
{
    ApplyLanguageFont(page, kFontControls);
    SetControlTexts(page, kTexts);
    uint16_t defaultFolder = 0;
    EnsureFolderList(&defaultFolder);
    FillFolderList(page, IDC_FOLDER_LIST);
    FillScanSettingLists(page, kFolderKind);
    HWND tooltips = CreatePageTooltips(page);
    AddControlTool(tooltips, page, IDC_FOLDER_LIST, nullptr);
    AddControlTools(tooltips, page, kTips);
    return TRUE;
}

INT_PTR OnNotify(HWND page, LPARAM notification)
{
    HWND list = GetDlgItem(page, IDC_FOLDER_LIST);
    if (IsTooltipTextRequest(notification) &&
        reinterpret_cast<const NMHDR*>(notification)->idFrom == reinterpret_cast<UINT_PTR>(list)) {
        SupplyControlText(notification, list);
        return TRUE;
    }
    return FALSE;
}

INT_PTR OnCommand(HWND page, WPARAM wParam)
{
    if (LOWORD(wParam) == IDC_FOLDER_ADD && HIWORD(wParam) == BN_CLICKED)
        AddFolder(page);
    return TRUE;
}

INT_PTR OnSavePage(HWND page)
{
    // A list with nothing selected keeps the default it had: 0 would file into My Pictures.
    const int position = SelectedPosition(page, IDC_FOLDER_LIST);
    if (position >= 0)
        WriteChosenFolderNumber(position + 1);
    StoreScanSettings(page, kFolderKind);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_NOTIFY:
        return OnNotify(page, lParam);
    case WM_COMMAND:
        return OnCommand(page, wParam);
    case WM_SAVEPAGE:
        return OnSavePage(page);
    default:
        return FALSE;
    }
}
