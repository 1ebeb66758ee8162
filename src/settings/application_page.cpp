// The Application page: the application that receives a scanned image, the scan's
// settings, and for word processors and spreadsheets (whose pages go through OCR)
// the OCR language in place of the document type, at a fixed 300 dpi.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "common/message_box.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan_tables.h"
#include "settings/pages.h"
#include "settings/settings.h"

namespace {

// The resolution list's position of 300 dpi, which OCR reads at.
constexpr int kOcrResolution = 2;

const PageKind kImageKind = {kKindImage, {IDC_APP_DOC, IDC_APP_RES, IDC_APP_BRI, IDC_APP_AREA}};

const int kFontControls[] = {IDC_APP_DEST_LABEL, IDC_APP_DOC_LABEL, IDC_APP_RES_LABEL, IDC_APP_BRI_LABEL,
                             IDC_APP_AREA_LABEL, IDC_APP_ADD,       IDC_APP_REMOVE,    IDC_APP_DOC,
                             IDC_APP_RES,        IDC_APP_BRI,       IDC_APP_AREA};
const ControlText kTexts[] = {
    {IDC_APP_DEST_LABEL, IDS_DLG_SCAN_DEST},  {IDC_APP_DOC_LABEL, IDS_DLG_DOC_TYPE},
    {IDC_APP_RES_LABEL, IDS_DLG_RESOLUTION},  {IDC_APP_BRI_LABEL, IDS_DLG_BRIGHTNESS},
    {IDC_APP_AREA_LABEL, IDS_DLG_SCAN_AREA},  {IDC_APP_ADD, IDS_DLG_ADD},
    {IDC_APP_REMOVE, IDS_DLG_REMOVE},
};
const ControlText kTips[] = {
    {IDC_APP_LIST, IDS_TIP_AP_DESTINATION}, {IDC_APP_DOC, IDS_TIP_DOCUMENT}, {IDC_APP_RES, IDS_TIP_RESOLUTION},
    {IDC_APP_BRI, IDS_TIP_BRIGHTNESS},      {IDC_APP_AREA, IDS_TIP_SCAN_AREA}, {IDC_APP_ADD, IDS_TIP_ADD_AP},
    {IDC_APP_REMOVE, IDS_TIP_REMOVE_AP},
};

// Names of the applications the program installs with; the user cannot remove them.
const char* const kProtectedNames[] = {"Imaging", "Windows Paint", "MGI PhotoSuite III SE"};

bool IsProtectedName(const char* name)
{
    for (const char* protectedName : kProtectedNames) {
        if (strcmp(name, protectedName) == 0)
            return true;
    }
    return false;
}

void ShowControl(HWND page, int control, bool shown)
{
    ShowWindow(GetDlgItem(page, control), shown ? SW_SHOW : SW_HIDE);
}

// One rule for both layouts, the one scan to application uses to send a page to OCR:
// the selected application's name. chosen is true when the user picked it, which
// also resets the document type for OCR.
void ApplyLayout(HWND page, bool chosen)
{
    char name[kPageTextSize];
    SelectedText(page, IDC_APP_LIST, name, sizeof name);
    bool ocr = IsOcrApplication(name);
    ShowControl(page, IDC_APP_DOC, !ocr);
    ShowControl(page, IDC_APP_LANGUAGE, ocr);
    EnableWindow(GetDlgItem(page, IDC_APP_DOC), !ocr);
    EnableWindow(GetDlgItem(page, IDC_APP_RES), !ocr);
    SetDlgItemLocalizedText(page, IDC_APP_DOC_LABEL, ocr ? IDS_DLG_LANGUAGE : IDS_DLG_DOC_TYPE);
    if (!ocr)
        return;
    ButtonSetting setting = ReadButtonSetting(kKindImage);
    setting.Res = kOcrResolution;
    if (chosen)
        setting.Doc = 0;
    WriteButtonSetting(kKindImage, setting);
    SelectPosition(page, IDC_APP_RES, kOcrResolution);
}

// The stored language, else the one the localization's country suggests.
void FillLanguageList(HWND page)
{
    ShowControl(page, IDC_APP_LANGUAGE, false);
    for (int text = IDS_DLG_ENGLISH; text <= IDS_DLG_SIMPLIFIED_CHINESE; ++text) {
        char language[kPageTextSize];
        GetLocalizedText(text, language);
        AddListText(page, IDC_APP_LANGUAGE, language);
    }
    char country[kPageTextSize];
    GetLocalizedText(IDS_COUNTRY, country);
    LoadOcrLanguage(country);
    SelectPosition(page, IDC_APP_LANGUAGE, g_selections.OcrLanguage.load());
}

void AddApplication(HWND page)
{
    if (RunAddApplicationDialog(page) != 1)
        return;
    char name[kPageTextSize];
    ReadDestinationName(PageList::Applications, ReadDestinationCount(PageList::Applications), name);
    SelectPosition(page, IDC_APP_LIST, AddListText(page, IDC_APP_LIST, name));
    ApplyLayout(page, true);
}

// Removed at once, as the list shows it; the default stays on its application.
void RemoveApplication(HWND page)
{
    int position = SelectedPosition(page, IDC_APP_LIST);
    if (position < 0)
        return;
    char name[kPageTextSize];
    SelectedText(page, IDC_APP_LIST, name, sizeof name);
    if (IsProtectedName(name)) {
        char message[kPageTextSize];
        GetLocalizedText(IDS_DLG_ERROR_REMOVE, message);
        ShowMessageOwnedBy(page, message, "Error");
        return;
    }
    SendDlgItemMessageA(page, IDC_APP_LIST, CB_DELETESTRING, static_cast<WPARAM>(position), 0);
    RemoveApplicationEntry(position + 1);
    SelectPosition(page, IDC_APP_LIST, g_selections.DefaultAppIndex - 1);
    ApplyLayout(page, false);
}

// ---- Message handlers --------------------------------------------------------------

INT_PTR OnInitDialog(HWND page)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    ApplyLanguageFont(page, kFontControls);
    SetControlTexts(page, kTexts);
    AddControlTools(CreatePageTooltips(page), page, kTips);
    FillDestinationList(kKindImage, page, IDC_APP_LIST, 0);
    FillScanSettingLists(page, kImageKind);
    FillLanguageList(page);
    ApplyLayout(page, false);
    return TRUE;
}

INT_PTR OnCommand(HWND page, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_APP_LIST:
        if (HIWORD(wParam) == CBN_SELCHANGE)
            ApplyLayout(page, true);
        break;
    case IDC_APP_ADD:
        if (HIWORD(wParam) == BN_CLICKED)
            AddApplication(page);
        break;
    case IDC_APP_REMOVE:
        if (HIWORD(wParam) == BN_CLICKED)
            RemoveApplication(page);
        break;
    default:
        break;
    }
    return TRUE;
}

INT_PTR OnSavePage(HWND page)
{
    // With nothing selected the default stays what it was.
    int position = SelectedPosition(page, IDC_APP_LIST);
    if (position >= 0) {
        g_selections.DefaultAppIndex = position + 1;
        SelectDefaultApplication(position + 1);
    }
    StoreScanSettings(page, kImageKind);
    g_selections.OcrLanguage = SelectedPosition(page, IDC_APP_LANGUAGE);
    SaveApplicationChoices(g_selections.DefaultAppIndex, g_selections.OcrLanguage);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK ApplicationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_COMMAND:
        return OnCommand(page, wParam);
    case WM_SAVEPAGE:
        return OnSavePage(page);
    default:
        return FALSE;
    }
}
