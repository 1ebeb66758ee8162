// Application discovery: the image editors and office applications the image
// function can open, looked up in the registry at every start and kept in
// "Tornel_Application" together with the entries the user added.
#include <windows.h>

#include <cstring>
#include <vector>

#include "common/handles.h"
#include "common/paths.h"
#include "common/registry.h"
#include "common/strings.h"
#include "config/config.h"

namespace {

// The default application of a first run, when its program is installed.
constexpr char kPreferredDefault[] = "MGI PhotoSuite III SE";
constexpr char kPaintName[] = "Windows Paint";
constexpr size_t kValueSize = 260;

enum class PathRule {
    AsRead,             // the value is the program's path
    ExpandEnvironment,  // the value with its environment references expanded
    AppendFile,         // the value is a folder; the program's file name follows
    WordPad,            // as read; rebuilt on the NT family
};

struct KnownApplication {
    const char* subkey;
    const char* entryName;
    const char* valueName;  // null: the key's default value
    PathRule rule;
    const char* fileName;   // AppendFile only
};

const KnownApplication kImaging = {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\APP Paths\\Kodakimg.exe",
                                   "Imaging", nullptr, PathRule::AsRead, nullptr};
// Looked at only when Paint's ProgID names no program.
const KnownApplication kPaintByAppPath = {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\APP Paths\\pbrush.exe",
                                          kPaintName, nullptr, PathRule::ExpandEnvironment, nullptr};
const KnownApplication kPhotoSuite = {"SOFTWARE\\MGI\\PhotoSuiteIII", kPreferredDefault, "Path2App",
                                      PathRule::AppendFile, "photoSuite.exe"};
const KnownApplication kLaterApplications[] = {
    {"SOFTWARE\\Microsoft\\office\\9.0\\Word\\InstallRoot", "Microsoft Word 2000", "Path", PathRule::AppendFile,
     "winword.exe"},
    {"SOFTWARE\\Microsoft\\office\\8.0", "Microsoft Word 97", "BinDirPath", PathRule::AppendFile, "winword.exe"},
    {"SOFTWARE\\Microsoft\\office\\9.0\\Excel\\InstallRoot", "Microsoft Excel 2000", "Path", PathRule::AppendFile,
     "excel.exe"},
    {"SOFTWARE\\Microsoft\\office\\8.0\\Excel\\InstallRoot", "Microsoft Excel 97", "Path", PathRule::AppendFile,
     "excel.exe"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\APP Paths\\WORDPAD.EXE", "Windows WordPad", nullptr,
     PathRule::WordPad, nullptr},
};

// ---- Forming a program's path ---------------------------------------------------------

bool ExpandReferences(const char* value, char (&path)[kValueSize])
{
    DWORD length = ExpandEnvironmentStringsA(value, path, sizeof path);
    return length != 0 && length <= sizeof path;
}

// On the NT family Windows registers WordPad as
// "%ProgramFiles%\Windows NT\Accessories\WORDPAD.EXE", quotes included: the reference
// is expanded (the program folder has another name in other languages, and another
// place for a 32-bit program on 64-bit Windows) and the quotes removed.
bool WordPadPath(const char* value, char (&path)[kValueSize])
{
    if (!ExpandReferences(value, path))
        return false;
    StripOuterQuotes(path);
    return true;
}

// Whether the program a path names exists, looked for where a start would find it.
bool ProgramExists(const char* path)
{
    char native[kValueSize];
    return NativeSystemPath(native, path) && FileExists(native);
}

bool FormProgramPath(const KnownApplication& application, const char* value, int32_t osType,
                     char (&path)[kValueSize])
{
    switch (application.rule) {
    case PathRule::AsRead:
        return CopyString(path, value);
    case PathRule::ExpandEnvironment:
        return ExpandReferences(value, path);
    case PathRule::AppendFile:
        return CopyString(path, value) && AppendBackslash(path) && AppendString(path, application.fileName);
    case PathRule::WordPad:
        if (osType == kOsWin2000 || osType == kOsWinXp)
            return WordPadPath(value, path);
        return CopyString(path, value);
    }
    return false;
}

// ---- Looking the applications up ------------------------------------------------------

// The list as it was when the lookups began, read with one profile call: every
// single-key read opens and checks the file again. The entries the lookups refresh
// or append are not read back from it.
struct ListSnapshot {
    IniSection section;
    int32_t count;  // the entries searched by name
};

// What FindEntryByName gives, from the snapshot.
int32_t FindListedName(const IniSection& list, int32_t count, const char* text)
{
    for (int32_t i = 1; i <= count; ++i) {
        char key[64];
        char name[512];
        IndexedKey(key, "ApName", i);
        list.ReadString(key, " ", name);
        if (lstrcmpA(name, text) == 0)
            return i;
    }
    return -1;
}

// Every profile write rewrites the whole file: an entry that already names this
// program is left as it is (DefaultID, which a write would also refresh, is checked
// at the end of every discovery).
void WriteEntryUnlessListed(const ListSnapshot& list, const char* name, const char* path)
{
    int32_t index = FindListedName(list.section, list.count, name);
    if (index >= 1) {
        char key[64];
        char listed[kValueSize];
        IndexedKey(key, "ApFileName", index);
        list.section.ReadString(key, "", listed);
        if (strcmp(listed, path) == 0)
            return;
    }
    WriteApplicationEntry(name, path, index);
}

// Adds the application, or refreshes the entry of its name among the entries the
// snapshot searches, when its key, value and program file exist. True when its key
// opened.
bool ExamineApplication(HKEY root, const KnownApplication& application, int32_t osType, const ListSnapshot& list)
{
    UniqueHkey key;
    if (RegOpenKeyExA(root, application.subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    char value[kValueSize];
    char path[kValueSize];
    if (ReadRegistryText(key.get(), nullptr, application.valueName, value, sizeof value) &&
        FormProgramPath(application, value, osType, path) && ProgramExists(path))
        WriteEntryUnlessListed(list, application.entryName, path);
    return true;
}

// Paint through its ProgID first; its App Paths entry only when that names nothing.
void ExaminePaint(HKEY root, int32_t osType, const ListSnapshot& list)
{
    char server[kValueSize];
    if (FindServerByProgIdUnder(root, "Paint.Picture", server, sizeof server)) {
        WriteEntryUnlessListed(list, kPaintName, server);
        return;
    }
    ExamineApplication(root, kPaintByAppPath, osType, list);
}

// ---- The list itself ----------------------------------------------------------------

// NumAp, DefaultID, the first-run marker and the numbered ApName/ApFileName keys.
bool IsListKey(const char* name)
{
    for (const char* fixed : {"NumAp", "DefaultID", "Default"}) {
        if (lstrcmpiA(name, fixed) == 0)
            return true;
    }
    for (const char* prefix : {"ApFileName", "ApName"}) {
        const size_t length = strlen(prefix);
        if (_strnicmp(name, prefix, length) != 0 || !name[length])
            continue;
        const char* digit = name + length;
        while (*digit >= '0' && *digit <= '9')
            ++digit;
        if (!*digit)
            return true;
    }
    return false;
}

// The key names of the application section, each NUL-terminated, then a NUL.
std::vector<char> ApplicationKeyNames()
{
    char path[MAX_PATH];
    WindowsFilePath(path, kConfigFileName);
    std::vector<char> names(4096);
    for (;;) {
        DWORD length = GetPrivateProfileStringA(kApplicationSection, nullptr, "", names.data(),
                                                static_cast<DWORD>(names.size()), path);
        if (length + 2 < names.size())
            return names;
        names.resize(names.size() * 2);
    }
}

// A list without entries starts afresh. Only the list's own keys go: the OCR
// language that the Application page keeps in this section stays.
void StartEmptyList()
{
    std::vector<char> names = ApplicationKeyNames();
    for (const char* name = names.data(); *name; name += strlen(name) + 1) {
        if (IsListKey(name))
            DeleteIniKey(kConfigFileName, kApplicationSection, name);
    }
    WriteIniString(kConfigFileName, kApplicationSection, "NumAp", "");
    WriteApplicationEntry("", nullptr, 0);
}

// True when ApName0 already holds the name of entry index and DefaultID the index,
// which is what SelectDefaultApplication would write.
bool DefaultAlreadyRecorded(const IniSection& list, int32_t index)
{
    char key[64];
    char name[1024];
    char chosen[1024];
    IndexedKey(key, "ApName", index);
    list.ReadString(key, " ", name);
    list.ReadString("ApName0", " ", chosen);
    return list.Contains("ApName0") && strcmp(name, chosen) == 0 && list.ReadInt("DefaultID", -1) == index;
}

// The first run names the preferred default when its key was found. Without it the
// keys stay as they are, so a choice already in ApName0 is kept. The list is read
// again: the lookups may have refreshed or appended entries.
void ChooseDefaultApplication(bool preferredFound, std::atomic<int32_t>* defaultAppIndex)
{
    IniSection list(kConfigFileName, kApplicationSection);
    char marker[256];
    list.ReadString("Default", "", marker);
    if (!marker[0] && preferredFound) {
        WriteIniString(kConfigFileName, kApplicationSection, "Default", kPreferredDefault);
        WriteIniIndexedString(kConfigFileName, kApplicationSection, "ApName", 0, kPreferredDefault);
        list = IniSection(kConfigFileName, kApplicationSection);
    }
    char name[256];
    list.ReadString("ApName0", " ", name);
    int32_t index = name[0] ? FindListedName(list, ReadListCount(kApplicationSection, "NumAp", "ApName", 0), name) : -1;
    *defaultAppIndex = index >= 1 ? index : 1;
    if (!DefaultAlreadyRecorded(list, *defaultAppIndex))
        SelectDefaultApplication(*defaultAppIndex);
}

}  // namespace

int FindServerByProgIdUnder(HKEY root, const char* progId, char* buffer, size_t size)
{
    char subkey[kValueSize];
    char classId[256];
    if (!FormatString(subkey, "SOFTWARE\\Classes\\%s\\Clsid", progId) ||
        !ReadRegistryText(root, subkey, nullptr, classId, sizeof classId) ||
        !FormatString(subkey, "SOFTWARE\\Classes\\CLSID\\%s\\LocalServer32", classId))
        return 0;
    DWORD type = 0;
    if (!ReadRegistryText(root, subkey, nullptr, buffer, size, &type))
        return 0;
    if (type == REG_EXPAND_SZ) {
        char expanded[kValueSize];
        if (!ExpandReferences(buffer, expanded) || !CopyString(buffer, size, expanded))
            return 0;
    }
    // The server's command line may carry switches after the program.
    size_t length = strlen(buffer);
    while (length >= 4 && _strnicmp(buffer + length - 4, ".exe", 4) != 0)
        --length;
    if (length < 4)
        return 0;
    buffer[length] = '\0';
    return ProgramExists(buffer) ? 1 : 0;
}

void DiscoverApplicationsUnder(HKEY root, int32_t osType, std::atomic<int32_t>* defaultAppIndex)
{
    int32_t count = ReadListCount(kApplicationSection, "NumAp", "ApName", 0);
    if (count <= 0) {
        StartEmptyList();
        count = 0;
    } else {
        CompactFileList(kApplicationSection, "NumAp", "ApName", "ApFileName");
        count = ReadListCount(kApplicationSection, "NumAp", "ApName", 0);
    }
    // Entries appended below are not searched: count stays what the file held.
    const ListSnapshot list{IniSection(kConfigFileName, kApplicationSection), count};
    ExamineApplication(root, kImaging, osType, list);
    ExaminePaint(root, osType, list);
    bool preferredFound = ExamineApplication(root, kPhotoSuite, osType, list);
    for (const KnownApplication& application : kLaterApplications)
        ExamineApplication(root, application, osType, list);
    ChooseDefaultApplication(preferredFound, defaultAppIndex);
}

void DiscoverApplications(int32_t osType, std::atomic<int32_t>* defaultAppIndex)
{
    DiscoverApplicationsUnder(HKEY_LOCAL_MACHINE, osType, defaultAppIndex);
}

void ReadDefaultApplication(DefaultApplication* application)
{
    int32_t index = ReadIniInt(kConfigFileName, kApplicationSection, "DefaultID", 1);
    application->index = index >= 1 ? index : 1;
    ReadIniIndexedString(kConfigFileName, kApplicationSection, "ApName", application->index, "", application->name);
    ReadIniIndexedString(kConfigFileName, kApplicationSection, "ApFileName", application->index, "",
                         application->file);
}
