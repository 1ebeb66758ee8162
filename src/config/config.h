// Configuration store: "kmconfig.ini" in the Windows directory, the per-button
// scan settings, and the discovery of applications, printers and mail clients.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <windows.h>

#include "config/profile_text.h"

constexpr int kButtonKindCount = 15;

// The ButtonKinds in use, as indexes of kButtonKindNames.
enum ButtonKindIndex {
    kKindCopy = 0,
    kKindMail = 1,
    kKindFax = 2,
    kKindToWeb = 3,
    kKindImage = 5,
    kKindMyFolder = 14,
};

// The configuration section of each ButtonKind, in 15-byte slots.
extern const char kButtonKindNames[kButtonKindCount][15];

// One entry per ButtonKind; the values are positions in the settings pages' lists.
struct ButtonSetting {
    int32_t Doc;   // document type
    int32_t Res;   // resolution
    int32_t Bri;   // brightness
    int32_t Org;   // original type: always 0
    int32_t Area;  // scan area
};

// The ButtonSettings table is loaded by the window thread at start-up and edited there
// by the Button manager; the scan job reads it on the dispatching thread while a job
// runs. The Button manager may be open while a job starts, so every side goes through
// these accessors, which copy whole entries under one lock: a job never sees one
// field of an edit without the others.
// One consistent copy of a kind's entry.
ButtonSetting ReadButtonSetting(int kind);
void WriteButtonSetting(int kind, const ButtonSetting& setting);
// The whole table at once: the Button manager keeps a copy to put back on Cancel.
void CopyButtonSettings(ButtonSetting (&out)[kButtonKindCount]);
void RestoreButtonSettings(const ButtonSetting (&saved)[kButtonKindCount]);

// The Windows family and version as the destinations test it.
enum OsTypeValue : int32_t {
    kOsWin16 = 1,    // unresolved or 16-bit Windows; also any unknown platform
    kOsWinNt = 2,    // NT family before Windows 2000
    kOsWin95 = 3,    // 9x family, minor version 0
    kOsWin98 = 4,    // 9x family, any later minor version (98, Me)
    kOsWin2000 = 5,  // NT family, major version 5 or later (2000, XP and later)
    kOsWinXp = 7,    // Windows XP where told apart from 2000
};

// The OCR languages the engine reads, as positions in the Application page's list.
constexpr int32_t kOcrTraditionalChinese = 4;
constexpr int32_t kOcrSimplifiedChinese = 5;

// The process-wide choices. Each is stored whole, so a reader on another thread never
// sees half of a discovery.
struct Selections {
    // An OsTypeValue. Written once by the window thread at start-up (ProbeOsType);
    // read by the application discovery and the e-mail function.
    std::atomic<int32_t> OsType{kOsWin16};
    // 1-based index of the default application in the application list, which
    // SelectDefaultApplication stores as DefaultID. Written and read by the window
    // thread (application discovery, the Application page); the destinations read
    // DefaultID.
    std::atomic<int32_t> DefaultAppIndex{1};
    // 1-based position of the chosen printer (PrinterName0 while listed, else the
    // system's default) among the spooler's printers, else their number; -1 before
    // discovery. Written by the window thread's discovery; read by the copy function
    // on the dispatching thread.
    std::atomic<int32_t> SelectedPrinterIndex{-1};
    // Bits of the mail systems found by the last discovery. Written by the window
    // thread at start-up and by the e-mail function (dispatching thread) when it finds
    // no chosen mail system; read by both and by the Mail page.
    std::atomic<uint32_t> InstalledMailSystems{0};
    // The bit of the chosen mail system. Written with InstalledMailSystems and by the
    // Mail page (window thread); read by the discoveries, which add to it.
    std::atomic<uint32_t> DefaultMailSystem{0};
    // 1-based position of DefaultMailSystem among the bits of InstalledMailSystems.
    // Written by the start-up discovery and the Mail page (window thread); read there.
    std::atomic<int32_t> DefaultMailPosition{0};
    // The OCR language, a position in the Application page's language list. Written
    // at start-up and by the Application page (window thread); read by OCR on the
    // dispatching thread.
    std::atomic<int32_t> OcrLanguage{0};
};
extern Selections g_selections;

// Sets OcrLanguage from "Language", or when the file has none from the country of
// the localization ("Chinese", "SChinese").
void LoadOcrLanguage(const char* country);
// Stores the Application page's choices: the default application and the language.
void SaveApplicationChoices(int32_t defaultAppIndex, int32_t language);

// ---- Files in the Windows directory ----------------------------------------------

constexpr const char* kConfigFileName = "kmconfig.ini";
constexpr const char* kButtonFileName = "Button.InI";
constexpr const char* kKelmioFileName = "kelmio32.ini";
constexpr const char* kDriverFileName = "TAVENDRV.INI";
// Written after every text lookup, for the maker's tools.
constexpr const char* kLookupRecordFileName = "R710Debug.ini";

// ---- Profile helpers ---------------------------------------------------------------
// Every call takes the bare file name of a profile file in the Windows directory and
// hands the profile API its full path, so tests can move the Windows directory.

int ReadIniInt(const char* fileName, const char* section, const char* key, int defaultValue);
// Copies at most size-1 characters; returns the number copied.
unsigned ReadIniString(const char* fileName, const char* section, const char* key, const char* defaultValue,
                       char* out, size_t size);
template <size_t N>
unsigned ReadIniString(const char* fileName, const char* section, const char* key, const char* defaultValue,
                       char (&out)[N])
{
    return ReadIniString(fileName, section, key, defaultValue, out, N);
}
// Writes the value as signed decimal text.
bool WriteIniInt(const char* fileName, const char* section, const char* key, int value);
// A null value deletes the key.
bool WriteIniString(const char* fileName, const char* section, const char* key, const char* value);
bool DeleteIniKey(const char* fileName, const char* section, const char* key);
bool DeleteIniSection(const char* fileName, const char* section);
// A trace for the maker's tools: nobody reads it back, and a refusal is silent.
void WriteIniTrace(const char* fileName, const char* section, const char* key, const char* value);

// A write the file refuses (a standard user without rights on it, a full disk) is
// kept in memory and every later read gets it from there until the program ends;
// the file stays as it was. The first refusal is reported once per run by posting
// message to window (also when it came before this call).
void ReportUnsavedSettingsTo(HWND window, UINT message);
// The full path of the first file that refused a write; false when none did.
bool GetUnsavedSettingsFile(char* out, size_t size);
template <size_t N>
bool GetUnsavedSettingsFile(char (&out)[N])
{
    return GetUnsavedSettingsFile(out, N);
}

// Lists are a count key and numbered keys "%s%d" (ApName3, Folder1); index 0 is the
// current choice. The key is cut to the buffer when it would not fit.
bool IndexedKey(char* out, size_t size, const char* key, int index);
template <size_t N>
bool IndexedKey(char (&out)[N], const char* key, int index)
{
    return IndexedKey(out, N, key, index);
}
unsigned ReadIniIndexedString(const char* fileName, const char* section, const char* key, int index,
                              const char* defaultValue, char* out, size_t size);
template <size_t N>
unsigned ReadIniIndexedString(const char* fileName, const char* section, const char* key, int index,
                              const char* defaultValue, char (&out)[N])
{
    return ReadIniIndexedString(fileName, section, key, index, defaultValue, out, N);
}
bool WriteIniIndexedString(const char* fileName, const char* section, const char* key, int index, const char* value);

// A whole section read with one profile call, for start-up code that reads many keys
// of one section: every single-key call opens and checks the file again. A lookup
// gives what ReadIniInt gives for that key. A section too large to read falls back to
// one ReadIniInt per lookup.
class IniSection {
public:
    IniSection(const char* fileName, const char* section);
    int ReadInt(const char* key, int defaultValue) const;
    // True when the section has a line with the key, whatever its value.
    bool Contains(const char* key) const;
    // What ReadIniString gives for the key: the value without the blanks around it
    // and without one pair of matching quotes around it, cut to size-1 characters.
    unsigned ReadString(const char* key, const char* defaultValue, char* out, size_t size) const;
    template <size_t N>
    unsigned ReadString(const char* key, const char* defaultValue, char (&out)[N]) const
    {
        return ReadString(key, defaultValue, out, N);
    }
    // The highest index 1..limit of a numbered key present (key1, key2, ...), else 0.
    int HighestIndex(const char* key, int limit) const;

private:
    // The value text of the first line whose key equals key without regard to case,
    // with the blanks around it removed; null when no line has the key.
    const char* FindValue(const char* key, size_t& length) const;

    const char* fileName_;
    const char* section_;
    std::vector<char> lines_;  // "key=value" strings, each ended by a NUL, then a NUL
    bool whole_ = false;
};



// The lines of a whole section as GetPrivateProfileSection gives them ("key=value",
// each NUL-terminated, then a NUL). Unless the file holds exactly these lines already,
// they replace the section's keys in one write. False when that write failed.
bool WriteIniSectionUnlessSame(const char* fileName, const char* section, const std::vector<char>& lines);

// ---- ConfigStore: "kmconfig.ini" -------------------------------------------------

// No list of the file holds more entries than this.
constexpr int kMaxListEntries = 1000;

// A list's count as far as the file can hold it: a count above the highest numbered
// name key present (nameKey1, nameKey2, ...) or above kMaxListEntries, or a negative
// count while entries are present, is garbled and reads as that highest key. Any other
// count, and the default for an absent count key, is read as it is. The file keeps
// what it has: a garbled count never makes entries go.
int ReadListCount(const char* section, const char* countKey, const char* nameKey, int defaultValue);

// The sections of the settings files that more than one file of config reads. The
// section names of the files live in config only: the rest of the program asks the
// accessors below.
constexpr const char* kTornelSection = "Tornel";
constexpr const char* kApplicationSection = "Tornel_Application";
constexpr const char* kMyFolderSection = "MyFolder";
constexpr const char* kPrinterSection = "Tornel_Printer";
constexpr const char* kEmailSystemSection = "EmailSystem";

// Section "Tornel": the key as given for a negative index, else key and index.
// -1 when the key is absent (the read's default 9999 counts as absent).
int32_t ReadTornelInt(const char* key, int32_t index);
// The same from the "Tornel" section read beforehand.
int32_t ReadTornelInt(const IniSection& tornel, const char* key, int32_t index);
void WriteTornelInt(const char* key, int32_t index, int32_t value);

// Fills ButtonSettings from "Tornel", falling back to each function section's
// DefDoc, DefRes and DefBri; the scan area from the function page's "DefaultArea",
// else "Tornel"; Org starts at 0.
void LoadButtonSettings();
// Writes Doc, Res, Bri, Org and Area of every kind, index by index, then ScanToPoint 0.
// A Doc, Res, Bri or Area key whose text already loads as the value is left alone, so
// a value this program could not read (garbled, negative) stays as the file has it.
void SaveButtonSettings();

// "Tornel_Application": a negative index appends (NumAp grows by one); index 0 writes
// only ApName0; every call rewrites DefaultID from DefaultAppIndex. file may be null.
void WriteApplicationEntry(const char* name, const char* file, int32_t index);

// Removes the entries 1..count whose file key names no existing file, moving the
// later entries down; index 0 is never touched.
void CompactFileList(const char* section, const char* countKey, const char* nameKey, const char* fileKey);

// The first index 1..count whose name key equals text (case-sensitive), else -1.
void FindEntryByName(const char* section, const char* nameKey, int32_t count, const char* text, int32_t* index);

// True when FindFirstFile finds the path (wildcards match). Blanks around it do not
// count, and a path that begins with a double quote is tested without it; trailing
// blanks and a closing quote are removed from path. Every stored path is tested so.
bool FileExists(char* path);
// The same for a text the caller cannot have changed (copied first, up to 1023 characters).
bool FileExists(const char* path);

// Copies ApName<index> into ApName0 and rewrites DefaultID from DefaultAppIndex,
// which the caller sets to index beforehand.
void SelectDefaultApplication(int32_t index);

// Removes entry index (1..NumAp) of "Tornel_Application": the later entries move
// down one place, the former last keys are deleted and NumAp shrinks by one.
// DefaultAppIndex keeps naming the same entry (entry 1 when the default itself was
// removed), and ApName0 and DefaultID follow it. False for an index outside the list.
bool RemoveApplicationEntry(int32_t index);

// ---- Named sections: what the rest of the program reads and writes ----------------

// A key of the function section of a ButtonKind ("DocType", "Component", ...).
int ReadFunctionInt(int kind, const char* key, int defaultValue);
// The scan area a kind's settings page chose ("DefaultArea" of its page's section);
// defaultValue for a kind without a page or without a choice.
int ReadPageArea(int kind, int defaultValue);
void WritePageArea(int kind, int area);
// The text a destination list shows for the Fax and ToWeb kinds: their entry of "Fun".
void ReadFunText(int kind, char (&text)[512]);

// The destination lists of the settings pages, each a section of its own, by the
// "Component" value of a function section that shows it.
enum class PageList { Applications = 1, OcrDestinations = 2, XlsDestinations = 4 };
int ReadDestinationCount(PageList list);
// The name of entry index (empty when absent); entry 0 is the current choice.
void ReadDestinationName(PageList list, int index, char* out, size_t size);
template <size_t N>
void ReadDestinationName(PageList list, int index, char (&out)[N])
{
    ReadDestinationName(list, index, out, N);
}

// "Tornel_Printer": the printers discovery listed (1..count) and PrinterName0, the
// printer the Copy page chose. The count is read as ReadListCount reads it.
int ReadPrinterCount(int defaultValue);
void ReadChosenPrinter(char* printer, size_t size);
template <size_t N>
void ReadChosenPrinter(char (&printer)[N])
{
    ReadChosenPrinter(printer, N);
}
void WriteChosenPrinter(const char* printer);
// The first entry 1..count named printer, else 0.
int FindPrinterEntry(const char* printer, int count);
void ReadPrinterEntry(int index, char (&printer)[256], char (&driver)[256], char (&port)[256]);
// The port of a listed printer, empty when the list does not hold it. The numbered
// names end at the first missing one, whatever the count says.
void ReadListedPrinterPort(const char* printer, char (&port)[256]);

// "EmailSystem": the chosen mail system's identifier, and where the Mail page lists it.
void ReadChosenMailSystem(char (&identifier)[260]);
void WriteChosenMailSystem(const char* identifier);
// The 1-based list position the Mail page stored ("DefaultMailSystem" of "Mail").
int ReadMailPagePosition();
void WriteMailPagePosition(int position);

// "MyFolder": the folders scans go to, Folder1..Num, and "Default", the chosen one.
// Seeds the list when it is empty and gives the number of the default folder in
// *defaultFolder. Returns 1.
int EnsureFolderList(uint16_t* defaultFolder);
// The number of folders as ReadListCount reads it.
int ReadFolderCount(int defaultValue);
// "Default" as a 16-bit number (1 when absent).
int ChosenFolderNumber();
void WriteChosenFolderNumber(int number);
unsigned ReadFolderEntry(int number, const char* defaultValue, char* out, size_t size);
template <size_t N>
unsigned ReadFolderEntry(int number, const char* defaultValue, char (&out)[N])
{
    return ReadFolderEntry(number, defaultValue, out, N);
}
void WriteFolderEntry(int number, const char* folder);
// Appends a folder to the list and makes it the chosen one.
void AddChosenFolder(const char* folder);

// "Button.InI": the function code of a button in a section of the buttons' table,
// and the progress pictures a kind publishes for the maker's other programs.
constexpr const char* kButtonTableSection = "Main";
int ReadButtonFunction(int buttonNumber, const char* section = kButtonTableSection);
void PublishProgressPictures(int kind);

// Smaller switches and facts of the other files.
// "Balloons" of "Notification": false when the user switched the balloons off.
bool BalloonsSwitchedOn();
// "DeleteOcrImage" of "Debug": the OCR image goes once the document is made.
bool DeleteOcrImageWanted();
// "UserPath" of "Kelmio" in "kelmio32.ini": the folder of the maker's programs.
unsigned ReadKelmioUserPath(const char* defaultValue, char* out, size_t size);
template <size_t N>
unsigned ReadKelmioUserPath(const char* defaultValue, char (&out)[N])
{
    return ReadKelmioUserPath(defaultValue, out, N);
}
// The driver installation's forced Windows type ("TrickOS"/"OSTYPE" in "TAVENDRV.INI").
void ReadOsTypeOverride(char (&text)[255]);
// The record of a text lookup for the maker's tools.
void WriteLookupRecord();
// The scanner software's language key (HKEY_LOCAL_MACHINE): whether it exists, and
// its "Default" value (empty when absent).
bool LanguageKeyExists();
void ReadScannerLanguage(char (&language)[257]);

// The discovery of printers and mail clients that refreshes the file at start-up.
#include "config/discovery.h"
// The application list, the default application and the OCR engine's job file.
#include "config/applications.h"
