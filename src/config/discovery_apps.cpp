// Application discovery: the image editors and office applications the image
// function can open, looked up in the registry at every start and kept in
// "Tornel_Application" together with the entries the user added.
#include <windows.h>

#include <cstring>
#include <vector>

#include "common/handles.h"
#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"

namespace {

// The default application of a first run, when its program is installed.
constexpr char kPreferredDefault[] = "MGI PhotoSuite III SE";
constexpr char kPaintName[] = "Windows Paint";
constexpr size_t kValueSize = 260;
// The OsType values of the NT family on which WordPad's registered path is rebuilt.
constexpr int32_t kOsTypeWin2000 = 5;
constexpr int32_t kOsTypeNtLater = 7;

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

void RemoveQuotes(char* text)
{
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '"')
        text[--length] = '\0';
    if (length > 0 && text[0] == '"')
        memmove(text, text + 1, length);
}

// Windows registers WordPad as "%ProgramFiles%\Windows NT\Accessories\WORDPAD.EXE",
// quotes included: a quote, the 14-character reference, the rest, a closing quote.
bool HasProgramFilesForm(const char* value)
{
    const size_t length = strlen(value);
    return length >= 16 && value[0] == '"' && _strnicmp(value + 1, "%ProgramFiles%", 14) == 0 &&
           value[length - 1] == '"';
}

// On the NT family the registered form is rebuilt on the drive of the Windows
// directory; any other value has its references expanded and its quotes removed.
bool WordPadPath(const char* value, char (&path)[kValueSize])
{
    if (!HasProgramFilesForm(value)) {
        if (!ExpandReferences(value, path))
            return false;
        RemoveQuotes(path);
        return true;
    }
    CopyString(path, 4, WindowsDirectory());  // the drive root, such as C:\ .
    bool whole = AppendString(path, "Program Files") && AppendString(path, value + 15);
    if (!whole)
        return false;
    path[strlen(path) - 1] = '\0';  // the closing quote
    return true;
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
        if (osType == kOsTypeWin2000 || osType == kOsTypeNtLater)
            return WordPadPath(value, path);
        return CopyString(path, value);
    }
    return false;
}

// ---- Looking the applications up ------------------------------------------------------

// Every profile write rewrites the whole file: an entry that already names this
// program is left as it is (DefaultID, which a write would also refresh, is written
// at the end of every discovery).
void WriteEntryUnlessListed(const char* name, const char* path, int32_t index)
{
    if (index >= 1) {
        char listed[kValueSize];
        ReadIniIndexedString(kConfigFileName, kApplicationSection, "ApFileName", index, "", listed);
        if (strcmp(listed, path) == 0)
            return;
    }
    WriteApplicationEntry(name, path, index);
}

// Adds the application, or refreshes the entry of its name among the first count
// entries, when its key, value and program file exist. True when its key opened.
bool ExamineApplication(HKEY root, const KnownApplication& application, int32_t osType, int32_t count)
{
    UniqueHkey key;
    if (RegOpenKeyExA(root, application.subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    int32_t index = -1;
    FindEntryByName(kApplicationSection, "ApName", count, application.entryName, &index);
    char value[kValueSize];
    char path[kValueSize];
    if (ReadRegistryText(key.get(), nullptr, application.valueName, value, sizeof value) &&
        FormProgramPath(application, value, osType, path) && FileExists(path))
        WriteEntryUnlessListed(application.entryName, path, index);
    return true;
}

// Paint through its ProgID first; its App Paths entry only when that names nothing.
void ExaminePaint(HKEY root, int32_t osType, int32_t count)
{
    char server[kValueSize];
    if (FindServerByProgIdUnder(root, "Paint.Picture", server, sizeof server)) {
        int32_t index = -1;
        FindEntryByName(kApplicationSection, "ApName", count, kPaintName, &index);
        WriteEntryUnlessListed(kPaintName, server, index);
        return;
    }
    ExamineApplication(root, kPaintByAppPath, osType, count);
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

// The first run names the preferred default when its key was found. Without it the
// keys stay as they are, so a choice already in ApName0 is kept.
void ChooseDefaultApplication(bool preferredFound, int32_t* defaultAppIndex)
{
    char marker[256];
    ReadIniString(kConfigFileName, kApplicationSection, "Default", "", marker);
    if (!marker[0] && preferredFound) {
        WriteIniString(kConfigFileName, kApplicationSection, "Default", kPreferredDefault);
        WriteIniIndexedString(kConfigFileName, kApplicationSection, "ApName", 0, kPreferredDefault);
    }
    char name[256];
    ReadIniIndexedString(kConfigFileName, kApplicationSection, "ApName", 0, " ", name);
    int32_t index = -1;
    if (name[0]) {
        int32_t count = ReadListCount(kApplicationSection, "NumAp", "ApName", 0);
        FindEntryByName(kApplicationSection, "ApName", count, name, &index);
    }
    *defaultAppIndex = index >= 1 ? index : 1;
    SelectDefaultApplication(*defaultAppIndex);
}

}  // namespace

bool ReadRegistryText(HKEY root, const char* subkey, const char* valueName, char* out, size_t size, DWORD* type)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    UniqueHkey key;
    if (subkey && RegOpenKeyExA(root, subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    DWORD valueType = 0;
    DWORD bytes = static_cast<DWORD>(size);
    if (RegQueryValueExA(key ? key.get() : root, valueName, nullptr, &valueType, reinterpret_cast<BYTE*>(out),
                         &bytes) != ERROR_SUCCESS ||
        (valueType != REG_SZ && valueType != REG_EXPAND_SZ)) {
        out[0] = '\0';
        return false;
    }
    // A value stored without its terminator needs one more byte than it has.
    if (bytes == size && out[size - 1] != '\0') {
        out[0] = '\0';
        return false;
    }
    out[bytes < size ? bytes : size - 1] = '\0';
    if (type)
        *type = valueType;
    return true;
}

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
    return FileExists(buffer) ? 1 : 0;
}

int FindServerByProgId(const char* progId, char* buffer, size_t size)
{
    return FindServerByProgIdUnder(HKEY_LOCAL_MACHINE, progId, buffer, size);
}

void DiscoverApplicationsUnder(HKEY root, int32_t osType, int32_t* defaultAppIndex)
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
    ExamineApplication(root, kImaging, osType, count);
    ExaminePaint(root, osType, count);
    bool preferredFound = ExamineApplication(root, kPhotoSuite, osType, count);
    for (const KnownApplication& application : kLaterApplications)
        ExamineApplication(root, application, osType, count);
    ChooseDefaultApplication(preferredFound, defaultAppIndex);
}

void DiscoverApplications(int32_t osType, int32_t* defaultAppIndex)
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
