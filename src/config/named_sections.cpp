// The named accessors of the settings files' sections that the rest of the program
// reads and writes, so that only config knows where a setting lives.
#include <windows.h>

#include <cstring>

#include "common/handles.h"
#include "common/registry.h"
#include "common/strings.h"
#include "config/config.h"

namespace {

constexpr char kMailPageSection[] = "Mail";
constexpr char kOcrDestinationSection[] = "Tornel_OcrDestination";
constexpr char kXlsDestinationSection[] = "Tornel_XlsDestination";
constexpr char kFunSection[] = "Fun";
constexpr char kDebugSection[] = "Debug";
constexpr char kNotificationSection[] = "Notification";
constexpr char kKelmioSection[] = "Kelmio";
constexpr char kTrickOsSection[] = "TrickOS";
constexpr char kLookupRecordSection[] = "R710BTNS";
constexpr char kProgressSection[] = "Progress";
constexpr char kLanguageKey[] = "SOFTWARE\\KELMIO\\LANGUAGE";

bool ValidKind(int kind) { return kind >= 0 && kind < kButtonKindCount; }

struct ListKeys {
    const char* section;
    const char* countKey;
    const char* entryKey;
};

ListKeys KeysOf(PageList list)
{
    if (list == PageList::OcrDestinations)
        return {kOcrDestinationSection, "NumOcrDes", "OcrDesName"};
    if (list == PageList::XlsDestinations)
        return {kXlsDestinationSection, "NumXlsDes", "XlsDesName"};
    return {kApplicationSection, "NumAp", "ApName"};
}

void CopyProgressEntry(const char* section, const char* fromKey, const char* toKey)
{
    char value[512];
    ReadIniString(kButtonFileName, section, fromKey, "", value);
    // An absent entry is published as an empty value, not deleted.
    WriteIniString(kButtonFileName, kProgressSection, toKey, value);
}

}  // namespace

// ---- Function sections and the pages' lists -----------------------------------------

int ReadFunctionInt(int kind, const char* key, int defaultValue)
{
    return ValidKind(kind) ? ReadIniInt(kConfigFileName, kButtonKindNames[kind], key, defaultValue) : defaultValue;
}

void ReadFunText(int kind, char (&text)[512])
{
    ReadIniString(kConfigFileName, kFunSection, ValidKind(kind) ? kButtonKindNames[kind] : "", "", text);
}

int ReadDestinationCount(PageList list)
{
    const ListKeys keys = KeysOf(list);
    return ReadListCount(keys.section, keys.countKey, keys.entryKey, 0);
}

void ReadDestinationName(PageList list, int index, char* out, size_t size)
{
    const ListKeys keys = KeysOf(list);
    ReadIniIndexedString(kConfigFileName, keys.section, keys.entryKey, index, "", out, size);
}

// ---- Printers ------------------------------------------------------------------------

int ReadPrinterCount(int defaultValue)
{
    return ReadListCount(kPrinterSection, "NumPrinter", "PrinterName", defaultValue);
}

void ReadChosenPrinter(char* printer, size_t size)
{
    ReadIniIndexedString(kConfigFileName, kPrinterSection, "PrinterName", 0, "", printer, size);
}

void WriteChosenPrinter(const char* printer)
{
    WriteIniString(kConfigFileName, kPrinterSection, "PrinterName0", printer);
}

int FindPrinterEntry(const char* printer, int count)
{
    for (int n = 1; n <= count; ++n) {
        char name[256];
        ReadIniIndexedString(kConfigFileName, kPrinterSection, "PrinterName", n, "", name);
        if (strcmp(name, printer) == 0)
            return n;
    }
    return 0;
}

void ReadPrinterEntry(int index, char (&printer)[256], char (&driver)[256], char (&port)[256])
{
    ReadIniIndexedString(kConfigFileName, kPrinterSection, "PrinterName", index, "", printer);
    ReadIniIndexedString(kConfigFileName, kPrinterSection, "DriverName", index, "", driver);
    ReadIniIndexedString(kConfigFileName, kPrinterSection, "PortName", index, "", port);
}

void ReadListedPrinterPort(const char* printer, char (&port)[256])
{
    port[0] = '\0';
    const int count = ReadIniInt(kConfigFileName, kPrinterSection, "NumPrinter", 0);
    for (int n = 1; n <= count; ++n) {
        char name[256];
        ReadIniIndexedString(kConfigFileName, kPrinterSection, "PrinterName", n, "", name);
        if (!name[0])
            return;
        if (strcmp(name, printer) == 0) {
            ReadIniIndexedString(kConfigFileName, kPrinterSection, "PortName", n, "", port);
            return;
        }
    }
}

// ---- Mail ------------------------------------------------------------------------------

void ReadChosenMailSystem(char (&identifier)[260])
{
    ReadIniString(kConfigFileName, kEmailSystemSection, "Default", "", identifier);
}

void WriteChosenMailSystem(const char* identifier)
{
    WriteIniString(kConfigFileName, kEmailSystemSection, "Default", identifier);
}

int ReadMailPagePosition() { return ReadIniInt(kConfigFileName, kMailPageSection, "DefaultMailSystem", 1); }

void WriteMailPagePosition(int position)
{
    WriteIniInt(kConfigFileName, kMailPageSection, "DefaultMailSystem", position);
}

// ---- Folders ---------------------------------------------------------------------------

int EnsureFolderList(uint16_t* defaultFolder)
{
    *defaultFolder = static_cast<uint16_t>(ReadIniInt(kConfigFileName, kMyFolderSection, "Num", 0));
    if (*defaultFolder != 0) {
        *defaultFolder = static_cast<uint16_t>(ReadIniInt(kConfigFileName, kMyFolderSection, "Default", 0));
        return 1;
    }
    // The file is shared by every user of the machine: the seeded entry is left empty,
    // which names the My Pictures of whoever runs the program.
    if (ReadIniInt(kConfigFileName, kMyFolderSection, "Num", 0) == 0)
        WriteIniString(kConfigFileName, kMyFolderSection, "Num", "1");
    WriteIniString(kConfigFileName, kMyFolderSection, "Folder1", "");
    WriteIniString(kConfigFileName, kMyFolderSection, "Default", "1");
    *defaultFolder = 1;
    return 1;
}

int ReadFolderCount(int defaultValue) { return ReadListCount(kMyFolderSection, "Num", "Folder", defaultValue); }

int ChosenFolderNumber() { return ReadIniInt(kConfigFileName, kMyFolderSection, "Default", 1) & 0xFFFF; }

void WriteChosenFolderNumber(int number) { WriteIniInt(kConfigFileName, kMyFolderSection, "Default", number); }

unsigned ReadFolderEntry(int number, const char* defaultValue, char* out, size_t size)
{
    return ReadIniIndexedString(kConfigFileName, kMyFolderSection, "Folder", number, defaultValue, out, size);
}

void WriteFolderEntry(int number, const char* folder)
{
    WriteIniIndexedString(kConfigFileName, kMyFolderSection, "Folder", number, folder);
}

void AddChosenFolder(const char* folder)
{
    int number = ReadFolderCount(1) + 1;
    WriteIniInt(kConfigFileName, kMyFolderSection, "Num", number);
    WriteChosenFolderNumber(number);
    WriteFolderEntry(number, folder);
}

// ---- Button.InI ------------------------------------------------------------------------

int ReadButtonFunction(int buttonNumber, const char* section)
{
    char key[16];
    FormatString(key, "%d", buttonNumber);
    return ReadIniInt(kButtonFileName, section, key, 0);
}

void PublishProgressPictures(int kind)
{
    if (!ValidKind(kind))
        return;
    CopyProgressEntry(kButtonKindNames[kind], "Progress1", "ScanTo_Image1");
    CopyProgressEntry(kButtonKindNames[kind], "Progress2", "ScanTo_Image2");
}

// ---- Switches and facts ----------------------------------------------------------------

bool BalloonsSwitchedOn() { return ReadIniInt(kConfigFileName, kNotificationSection, "Balloons", 1) != 0; }

bool DeleteOcrImageWanted() { return ReadIniInt(kConfigFileName, kDebugSection, "DeleteOcrImage", 1) == 1; }

unsigned ReadKelmioUserPath(const char* defaultValue, char* out, size_t size)
{
    return ReadIniString(kKelmioFileName, kKelmioSection, "UserPath", defaultValue, out, size);
}

void ReadOsTypeOverride(char (&text)[255]) { ReadIniString(kDriverFileName, kTrickOsSection, "OSTYPE", "", text); }

void WriteLookupRecord() { WriteIniTrace(kLookupRecordFileName, kLookupRecordSection, "Test", "8"); }

bool LanguageKeyExists()
{
    UniqueHkey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLanguageKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void ReadScannerLanguage(char (&language)[257])
{
    DWORD type = 0;
    if (!ReadRegistryText(HKEY_LOCAL_MACHINE, kLanguageKey, "Default", language, sizeof language, &type) ||
        type != REG_SZ)
        language[0] = '\0';
}
