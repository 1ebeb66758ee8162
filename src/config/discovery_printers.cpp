// The printers the copy function can print to: the spooler's list, written to
// "Tornel_Printer" at every start, with the user's printer, else the system's default,
// as the choice.
#include <windows.h>

#include <cstring>
#include <vector>

#include "common/bind_proc.h"
#include "common/handles.h"
#include "common/strings.h"
#include "config/discovery.h"
#include "config/config.h"


namespace {

constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
// Names only: level 4 lists local and connected printers without asking each of them.
constexpr DWORD kEnumLevel = 4;

using EnumPrintersProc = BOOL(WINAPI*)(DWORD flags, LPSTR name, DWORD level, LPBYTE printers, DWORD size,
                                       LPDWORD needed, LPDWORD returned);

// The spooler's library by full path from the system directory. It is loaded for the
// discovery only: an idle Tornel does not keep it, nor the printing libraries it brings
// in, and the copy's printer driver loads it again when a page is printed.
UniqueModule LoadSpoolerLibrary()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return UniqueModule();
    AppendBackslash(path);
    if (!AppendString(path, "winspool.drv"))
        return UniqueModule();
    return UniqueModule(LoadLibraryA(path));
}

// The default printer's name from win.ini "windows"/"device" ("name,driver,port");
// empty when the system has no default printer.
void ReadDefaultPrinterName(char (&name)[1024])
{
    GetProfileStringA("windows", "device", "", name, sizeof name);
    for (char* p = name; *p; ++p) {
        if (*p == ',') {
            *p = '\0';
            break;
        }
    }
}

// One "key=value" line of a section's text, NUL-terminated.
void AddLine(std::vector<char>& lines, const char* key, int32_t index, const char* value)
{
    char name[64];
    if (index >= 0)
        FormatString(name, "%s%d", key, static_cast<int>(index));
    else
        CopyString(name, key);
    lines.insert(lines.end(), name, name + strlen(name));
    lines.push_back('=');
    lines.insert(lines.end(), value, value + strlen(value));
    lines.push_back('\0');
}

const char* PrinterName(const PRINTER_INFO_4A& printer) { return printer.pPrinterName ? printer.pPrinterName : ""; }

// The 1-based position of a printer in the spooler's list, or 0.
int32_t FindPrinter(const PRINTER_INFO_4A* printers, DWORD count, const char* name)
{
    for (DWORD i = 0; name[0] && i < count; ++i) {
        if (lstrcmpA(PrinterName(printers[i]), name) == 0)
            return static_cast<int32_t>(i + 1);
    }
    return 0;
}

// Replaces the whole section, so printers that were removed from the system do not
// linger in the list; an empty spooler list leaves NumPrinter=0. The printer the user
// chose on the Copy page stays the choice while the spooler still lists it; the
// system's default printer takes its place only when it is gone or was never set.
void WritePrinterList(const PRINTER_INFO_4A* printers, DWORD count, const char* defaultName,
                      int32_t* selectedPrinterIndex)
{
    char chosen[256];
    ReadIniString(kConfigFileName, kPrinterSection, "PrinterName0", "", chosen);
    int32_t selected = FindPrinter(printers, count, chosen);
    if (selected == 0)
        selected = FindPrinter(printers, count, defaultName);

    std::vector<char> lines;
    char number[16];
    FormatString(number, "%d", static_cast<int>(count));
    AddLine(lines, "NumPrinter", -1, number);
    if (selected) {
        *selectedPrinterIndex = selected;
        AddLine(lines, "PrinterName0", -1, PrinterName(printers[selected - 1]));
    }
    for (DWORD i = 0; i < count; ++i) {
        const int32_t index = static_cast<int32_t>(i + 1);
        AddLine(lines, "PrinterName", index, PrinterName(printers[i]));
        AddLine(lines, "DriverName", index, "");
        AddLine(lines, "PortName", index, "");
    }
    lines.push_back('\0');
    // A failed write leaves the list the file had; the copy function reads what it finds.
    WriteIniSectionUnlessSame(kConfigFileName, kPrinterSection, lines);
}

}  // namespace

bool SystemHasDefaultPrinter()
{
    char device[256];
    GetProfileStringA("windows", "device", " ", device, sizeof device);
    return device[0] && strcmp(device, " ") != 0;
}

int DiscoverPrinters(int32_t* selectedPrinterIndex)
{
    char defaultName[1024];
    ReadDefaultPrinterName(defaultName);
    if (defaultName[0])
        *selectedPrinterIndex = 0;

    UniqueModule spooler = LoadSpoolerLibrary();
    EnumPrintersProc enumPrinters = nullptr;
    if (!BindProc(spooler.get(), "EnumPrintersA", enumPrinters)) {
        *selectedPrinterIndex = 0;
        return 0;
    }
    // Asked without a buffer, the spooler fails on purpose and names the size it needs.
    DWORD needed = 0;
    DWORD returned = 0;
    enumPrinters(kEnumFlags, nullptr, kEnumLevel, nullptr, 0, &needed, &returned);
    // An empty list needs no bytes; one byte keeps the allocation a real block.
    UniqueGlobal buffer(GlobalAlloc(GPTR, needed ? needed : 1));
    if (!buffer)
        return 0;

    returned = 0;
    BOOL listed = enumPrinters(kEnumFlags, nullptr, kEnumLevel, static_cast<BYTE*>(buffer.get()), needed, &needed,
                               &returned);
    *selectedPrinterIndex = static_cast<int32_t>(returned);
    if (!listed)
        return 0;

    WritePrinterList(static_cast<const PRINTER_INFO_4A*>(buffer.get()), returned, defaultName,
                     selectedPrinterIndex);
    return listed;
}
