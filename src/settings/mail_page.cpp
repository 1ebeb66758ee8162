// The Mail page: which installed mail system gets the scanned page, and the mail
// scan's settings. The choice is stored as a position and as the identifier.
#include <windows.h>

#include <cstring>

#include "config/config.h"
#include "config/discovery.h"
#include "resource.h"
#include "scan/scan_tables.h"
#include "settings/pages.h"
#include "settings/settings.h"

namespace {

const PageKind kMailKind = {kKindMail, {IDC_MAIL_DOC, IDC_MAIL_RES, IDC_MAIL_BRI, IDC_MAIL_AREA}};

const int kFontControls[] = {IDC_MAIL_DEST_LABEL, IDC_MAIL_DOC_LABEL, IDC_MAIL_RES_LABEL,
                             IDC_MAIL_BRI_LABEL,  IDC_MAIL_AREA_LABEL, IDC_MAIL_DOC,
                             IDC_MAIL_RES,        IDC_MAIL_BRI,       IDC_MAIL_AREA};
const ControlText kTexts[] = {
    {IDC_MAIL_DEST_LABEL, IDS_DLG_MAIL_TO},    {IDC_MAIL_DOC_LABEL, IDS_DLG_DOC_TYPE},
    {IDC_MAIL_RES_LABEL, IDS_DLG_RESOLUTION},  {IDC_MAIL_BRI_LABEL, IDS_DLG_BRIGHTNESS},
    {IDC_MAIL_AREA_LABEL, IDS_DLG_SCAN_AREA},
};
const ControlText kTips[] = {
    {IDC_MAIL_LIST, IDS_TIP_MAIL_DESTINATION}, {IDC_MAIL_DOC, IDS_TIP_DOCUMENT},
    {IDC_MAIL_RES, IDS_TIP_RESOLUTION},        {IDC_MAIL_BRI, IDS_TIP_BRIGHTNESS},
    {IDC_MAIL_AREA, IDS_TIP_SCAN_AREA},
};

// The list position of a display name, or -1.
int FindEntry(HWND page, const char* displayName)
{
    LRESULT count = SendDlgItemMessageA(page, IDC_MAIL_LIST, CB_GETCOUNT, 0, 0);
    for (int position = 0; position < count; ++position) {
        char text[kPageTextSize];
        ListText(page, IDC_MAIL_LIST, position, text, sizeof text);
        if (strcmp(text, displayName) == 0)
            return position;
    }
    return -1;
}

// The stored identifier names the chosen system wherever the installed systems put
// it in the list; only without one does the stored position decide.
void SelectStoredMailSystem(HWND page)
{
    char identifier[kPageTextSize];
    ReadChosenMailSystem(identifier);
    int position;
    char displayName[kPageTextSize];
    if (identifier[0])
        position = MapMailSystemName(identifier, displayName) ? FindEntry(page, displayName) : -1;
    else
        position = ReadMailPagePosition() - 1;
    SelectPosition(page, IDC_MAIL_LIST, position);
    g_selections.DefaultMailPosition = SelectedPosition(page, IDC_MAIL_LIST) + 1;
}

// ---- Message handlers --------------------------------------------------------------

INT_PTR OnInitDialog(HWND page)
{
    ApplyLanguageFont(page, kFontControls);
    SetControlTexts(page, kTexts);
    FillDestinationList(kKindMail, page, IDC_MAIL_LIST, g_selections.DefaultMailPosition);
    SelectStoredMailSystem(page);
    FillScanSettingLists(page, kMailKind);
    AddControlTools(CreatePageTooltips(page), page, kTips);
    return TRUE;
}

INT_PTR OnSavePage(HWND page)
{
    g_selections.DefaultMailPosition = SelectedPosition(page, IDC_MAIL_LIST) + 1;
    WriteMailPagePosition(g_selections.DefaultMailPosition);
    char displayName[kPageTextSize];
    SelectedText(page, IDC_MAIL_LIST, displayName, sizeof displayName);
    char identifier[kPageTextSize];
    if (MapMailSystemName(displayName, identifier)) {
        WriteChosenMailSystem(identifier);
        uint32_t chosen = 0;
        MailSystemBit(&chosen, identifier);
        g_selections.DefaultMailSystem = chosen;
    }
    StoreScanSettings(page, kMailKind);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK MailPageProc(HWND page, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_SAVEPAGE:
        return OnSavePage(page);
    default:
        return FALSE;
    }
}
