// The pattern every Button manager page follows: fonts and texts, tooltips, the
// scan-setting lists and the destination list, and the save of the scan settings.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "common/handles.h"
#include "common/strings.h"
#include "config/config.h"
#include "config/discovery.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan_tables.h"
#include "settings/pages.h"
#include "settings/settings.h"

namespace {

// The fixed entry of the "MGI PhotoSuite" destination kind.
constexpr char kMgiEntry[] = "MGI PhotoSuit LE";
// Room for a tooltip text in the request notification, terminator included.
constexpr size_t kTipTextField = 80;

// "Component" values: one destination kind each.
enum ComponentKind : int {
    kComponentApplications = 1,
    kComponentOcrDestinations = 2,
    kComponentXlsDestinations = 4,
    kComponentPrinter = 8,
    kComponentMailSystems = 16,
    kComponentFax = 32,
    kComponentToWeb = 64,
    kComponentMgi = 2048,
};

// The destination kinds that show a list of their own.
bool ListSourceOf(int component, PageList& source)
{
    source = static_cast<PageList>(component);
    return component == kComponentApplications || component == kComponentOcrDestinations ||
           component == kComponentXlsDestinations;
}

void AddLocalizedEntry(HWND page, int control, int textId)
{
    char text[512];
    GetLocalizedText(textId, text);
    AddListText(page, control, text);
}

void FillListSource(HWND page, int control, PageList source)
{
    int count = ReadDestinationCount(source);
    for (int n = 1; n <= count; ++n) {
        char name[512];
        ReadDestinationName(source, n, name);
        AddListText(page, control, name);
    }
}

void ShowCopyPrinter(HWND page, int control, int printerCount)
{
    char name[512];
    if (printerCount == 0)
        GetLocalizedText(IDS_MSG_NO_PRINTER, name);
    else
        ReadChosenPrinter(name);
    SetDlgItemTextA(page, control, name);
}

// The name the list shows: the default Simple MAPI program's is localized. The
// Button manager runs on the window thread only, which alone fills the buffer.
const char* MailSystemListName(const MailSystemInfo& system)
{
    static char defaultProgram[kPageTextSize];
    if (system.bit != kDefaultMapiClientBit)
        return system.displayName;
    GetLocalizedText(IDS_MAIL_DEFAULT_PROGRAM, defaultProgram);
    return defaultProgram;
}

// One entry per installed mail system, in bit order, as discovery counts them.
void FillMailSystems(HWND page, int control)
{
    for (const MailSystemInfo& system : kMailSystems) {
        if (g_selections.InstalledMailSystems & system.bit)
            AddListText(page, control, MailSystemListName(system));
    }
    SelectPosition(page, control, 0);
}

void AddFunText(HWND page, int control, int kind)
{
    char text[512];
    ReadFunText(kind, text);
    SelectPosition(page, control, AddListText(page, control, text));
}

void FillDocTypeList(int kind, HWND page, int control, int position)
{
    int mask = ReadFunctionInt(kind, "DocType", 0);
    const int kTypes[] = {IDS_DOC_COLOR_PHOTO, IDS_DOC_BW_PHOTO, IDS_DOC_BW_DOCUMENT};
    for (int bit = 0; bit < 3; ++bit) {
        if (mask & (1 << bit))
            AddLocalizedEntry(page, control, kTypes[bit]);
    }
    if (mask != 0)
        SelectPosition(page, control, position);
}

// The section's value switches the selection on; it does not filter the entries.
void FillResolutionList(int kind, HWND page, int control, int position)
{
    int value = ReadFunctionInt(kind, "Resolution", 0);
    EnableWindow(GetDlgItem(page, control), TRUE);
    for (int dpi : kResolutions) {
        char text[32];
        FormatString(text, "%d dpi", dpi);
        AddListText(page, control, text);
    }
    if (value != 0)
        SelectPosition(page, control, position);
}

void FillBrightnessList(int kind, HWND page, int control, int position)
{
    int value = ReadFunctionInt(kind, "Brightness", 0);
    EnableWindow(GetDlgItem(page, control), TRUE);
    for (int text : {IDS_BRIGHT_NORMAL, IDS_BRIGHT_DARKER, IDS_BRIGHT_LIGHTER, IDS_BRIGHT_AUTO})
        AddLocalizedEntry(page, control, text);
    if (value != 0)
        SelectPosition(page, control, position);
}

}  // namespace

// ---- Construction -----------------------------------------------------------------

void ApplyLanguageFont(HWND page, const int* controls, size_t count)
{
    if (!LanguageKeyExists())
        return;
    HGDIOBJ font = GetStockObject(SYSTEM_FONT);
    for (size_t i = 0; i < count; ++i)
        SendDlgItemMessageA(page, controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void SetControlTexts(HWND page, const ControlText* texts, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        char text[kPageTextSize];
        GetLocalizedText(texts[i].text, text);
        SetDlgItemTextA(page, texts[i].control, text);
    }
}

HWND CreatePageTooltips(HWND owner)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    HWND tooltips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                    instance, nullptr);
    if (!tooltips)
        return nullptr;
    SetWindowPos(tooltips, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(tooltips, TTM_ACTIVATE, TRUE, 0);
    return tooltips;
}

void AddControlTool(HWND tooltips, HWND owner, int control, const char* text)
{
    HWND window = GetDlgItem(owner, control);
    if (!tooltips || !window)
        return;
    TTTOOLINFOA tool = {};
    tool.cbSize = kToolInfoSize;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = text ? const_cast<char*>(text) : LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void AddControlTools(HWND tooltips, HWND owner, const ControlText* tips, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        char text[kPageTextSize];
        GetLocalizedText(tips[i].text, text);
        AddControlTool(tooltips, owner, tips[i].control, text);
    }
}

bool IsTooltipTextRequest(LPARAM notification)
{
    UINT code = reinterpret_cast<const NMHDR*>(notification)->code;
    return code == TTN_GETDISPINFOA || code == TTN_GETDISPINFOW;
}

void SupplyControlText(LPARAM notification, HWND control)
{
    char text[kPageTextSize] = "";
    GetWindowTextA(control, text, sizeof text);
    char cut[kTipTextField];
    CopyString(cut, text);
    if (reinterpret_cast<const NMHDR*>(notification)->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(notification);
        if (MultiByteToWideChar(CP_ACP, 0, cut, -1, info->szText, kTipTextField) == 0)
            info->szText[0] = L'\0';
        info->lpszText = info->szText;
        return;
    }
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(notification);
    CopyString(info->szText, kTipTextField, cut);
    info->lpszText = info->szText;
}

// ---- Lists --------------------------------------------------------------------------

int SelectedPosition(HWND page, int control)
{
    LRESULT position = SendDlgItemMessageA(page, control, CB_GETCURSEL, 0, 0);
    return position == CB_ERR ? -1 : static_cast<int>(position);
}

void SelectPosition(HWND page, int control, int position)
{
    SendDlgItemMessageA(page, control, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

int AddListText(HWND page, int control, const char* text)
{
    return static_cast<int>(SendDlgItemMessageA(page, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

void ListText(HWND page, int control, int position, char* out, size_t size)
{
    out[0] = '\0';
    // Entries are at most 511 characters; the caller's buffer may be smaller.
    char whole[1024] = "";
    LRESULT length = SendDlgItemMessageA(page, control, CB_GETLBTEXTLEN, static_cast<WPARAM>(position), 0);
    if (position < 0 || length == CB_ERR || static_cast<size_t>(length) >= sizeof whole)
        return;
    SendDlgItemMessageA(page, control, CB_GETLBTEXT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(whole));
    CopyString(out, size, whole);
}

void SelectedText(HWND page, int control, char* out, size_t size)
{
    ListText(page, control, SelectedPosition(page, control), out, size);
}

void FillScanSettingLists(HWND page, const PageKind& pageKind)
{
    ButtonSetting setting = ReadButtonSetting(pageKind.kind);
    FillDocTypeList(pageKind.kind, page, pageKind.lists.doc, setting.Doc);
    FillResolutionList(pageKind.kind, page, pageKind.lists.res, setting.Res);
    FillBrightnessList(pageKind.kind, page, pageKind.lists.bri, setting.Bri);
    for (int text : {IDS_AREA_A4, IDS_AREA_B5, IDS_AREA_LETTER})
        AddLocalizedEntry(page, pageKind.lists.area, text);
    // The area chosen before, else the one the start-up loaded (A4 unless the user
    // chose another).
    setting.Area = ReadPageArea(pageKind.kind, setting.Area);
    WriteButtonSetting(pageKind.kind, setting);
    SelectPosition(page, pageKind.lists.area, setting.Area);
}

void StoreScanSettings(HWND page, const PageKind& pageKind)
{
    ButtonSetting setting = ReadButtonSetting(pageKind.kind);
    setting.Doc = SelectedPosition(page, pageKind.lists.doc);
    setting.Res = SelectedPosition(page, pageKind.lists.res);
    setting.Bri = SelectedPosition(page, pageKind.lists.bri);
    setting.Area = SelectedPosition(page, pageKind.lists.area);
    WriteButtonSetting(pageKind.kind, setting);
    WritePageArea(pageKind.kind, setting.Area);
}

void FillDestinationList(int kind, HWND page, int control, int currentValue)
{
    int component = ReadFunctionInt(kind, "Component", 0);
    EnableWindow(GetDlgItem(page, control), TRUE);
    PageList source;
    if (ListSourceOf(component, source)) {
        FillListSource(page, control, source);
        if (component == kComponentApplications)
            SelectPosition(page, control, g_selections.DefaultAppIndex - 1);
        return;
    }
    switch (component) {
    case kComponentPrinter:
        ShowCopyPrinter(page, control, currentValue);
        break;
    case kComponentMailSystems:
        FillMailSystems(page, control);
        break;
    case kComponentFax:
        AddFunText(page, control, kKindFax);
        break;
    case kComponentToWeb:
        AddFunText(page, control, kKindToWeb);
        break;
    case kComponentMgi:
        SelectPosition(page, control, AddListText(page, control, kMgiEntry));
        break;
    default:
        // Web link, the scanning application, and values of several bits: nothing.
        break;
    }
}

// ---- Mail systems -------------------------------------------------------------------

bool MapMailSystemName(const char* text, char* out, size_t size)
{
    for (const MailSystemInfo& system : kMailSystems) {
        const char* mapped = nullptr;
        const char* listName = MailSystemListName(system);
        if (strcmp(text, listName) == 0)
            mapped = system.identifier;
        else if (strcmp(text, system.identifier) == 0)
            mapped = listName;
        if (mapped) {
            CopyString(out, size, mapped);
            return true;
        }
    }
    return false;
}
