// The printers the copy function can print to: the spooler's list, written to
// "Tornel_Printer" at every start, with the system's default printer as the choice.
#include <windows.h>

#include "common/handles.h"
#include "common/strings.h"
#include "config/discovery.h"
#include "config/config.h"

int32_t SelectedPrinterIndex = -1;

namespace {

constexpr char kPrinterSection[] = "Tornel_Printer";
constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;

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

void WriteIndexedKey(const char* key, int32_t index, const char* value)
{
    char name[64];
    FormatString(name, "%s%d", key, static_cast<int>(index));
    WriteIniString(kConfigFileName, kPrinterSection, name, value);
}

// Replaces the whole section, so printers that were removed from the system do not
// linger in the list; an empty spooler list leaves NumPrinter=0.
void WritePrinterList(const PRINTER_INFO_2A* printers, DWORD count, const char* defaultName,
                      int32_t* selectedPrinterIndex)
{
    DeleteIniSection(kConfigFileName, kPrinterSection);
    WriteIniInt(kConfigFileName, kPrinterSection, "NumPrinter", static_cast<int>(count));
    for (DWORD i = 0; i < count; ++i) {
        const char* name = printers[i].pPrinterName ? printers[i].pPrinterName : "";
        const int32_t number = static_cast<int32_t>(i + 1);
        if (defaultName[0] && lstrcmpA(name, defaultName) == 0) {
            *selectedPrinterIndex = number;
            WriteIniString(kConfigFileName, kPrinterSection, "PrinterName0", name);
        }
        WriteIndexedKey("PrinterName", number, name);
        WriteIndexedKey("DriverName", number, "");
        WriteIndexedKey("PortName", number, "");
    }
}

}  // namespace

int DiscoverPrinters(int32_t* selectedPrinterIndex)
{
    char defaultName[1024];
    ReadDefaultPrinterName(defaultName);
    if (defaultName[0])
        *selectedPrinterIndex = 0;

    // Asked without a buffer, the spooler fails on purpose and names the size it needs.
    DWORD needed = 0;
    DWORD returned = 0;
    EnumPrintersA(kEnumFlags, nullptr, 2, nullptr, 0, &needed, &returned);
    // An empty list needs no bytes; one byte keeps the allocation a real block.
    UniqueGlobal buffer(GlobalAlloc(GPTR, needed ? needed : 1));
    if (!buffer)
        return 0;

    returned = 0;
    BOOL listed = EnumPrintersA(kEnumFlags, nullptr, 2, static_cast<BYTE*>(buffer.get()), needed, &needed,
                                &returned);
    *selectedPrinterIndex = static_cast<int32_t>(returned);
    if (!listed)
        return 0;

    WritePrinterList(static_cast<const PRINTER_INFO_2A*>(buffer.get()), returned, defaultName,
                     selectedPrinterIndex);
    return listed;
}
