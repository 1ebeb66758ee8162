// Output file names and target folders. Every scan goes to a new file named by the
// day in English and a serial that no image or document file of that day in the
// folder uses yet; images go to the default scan folder of [MyFolder], OCR
// documents to the user's documents folder.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/handles.h"
#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A folder entry's read default when the key is absent: no stored path is a lone
// control character.
constexpr char kAbsentFolder[] = "\x01";

// The extensions whose files occupy a serial, in 32-byte slots ended by an empty one.
const char kSerialExtensions[][32] = {"bmp", "jpg", "tif", "pcx", "psd", "tga", "rtf", "xls", ""};

// Where GetShellFolder reads; tests point it at a scratch key. Written by tests
// before any job runs; read by the dispatching thread.
HKEY g_shellFoldersRoot = HKEY_CURRENT_USER;
char g_shellFoldersKey[260] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

enum class ShellFolder {
    Missing,    // no such value
    Named,      // the buffer holds a path the ANSI calls can use
    Unnamable,  // the folder's name needs characters the ANSI code page lacks and it
                // has no short form; the buffer holds its name with "?" for them, to show
};

// The value read wide: a folder whose name the ANSI code page cannot hold is named by
// its short (8.3) form, which exists only for a folder that exists.
ShellFolder ReadShellFolder(const char* valueName, char* buffer, DWORD size)
{
    if (size == 0)
        return ShellFolder::Missing;
    buffer[0] = '\0';
    UniqueHkey key;
    if (RegOpenKeyExA(g_shellFoldersRoot, g_shellFoldersKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return ShellFolder::Missing;
    wchar_t name[64];
    if (!MultiByteToWideChar(CP_ACP, 0, valueName, -1, name, 64))
        return ShellFolder::Missing;
    wchar_t folder[MAX_PATH + 1];
    // The value need not carry its terminator; one character is kept for it.
    DWORD bytes = sizeof folder - sizeof folder[0];
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &bytes) !=
        ERROR_SUCCESS)
        return ShellFolder::Missing;
    folder[bytes / sizeof folder[0]] = L'\0';
    if (AnsiPathOf(folder, buffer, size))
        return ShellFolder::Named;
    // A folder not made yet has no short form: it is made first, one level, as a scan
    // would make it.
    if (CreateDirectoryW(folder, nullptr) && AnsiPathOf(folder, buffer, size))
        return ShellFolder::Named;
    if (!WideCharToMultiByte(CP_ACP, 0, folder, -1, buffer, static_cast<int>(size), nullptr, nullptr))
        buffer[0] = '\0';
    buffer[size - 1] = '\0';
    return ShellFolder::Unnamable;
}

}  // namespace

// The default scan folder is the running user's: "My Pictures", else "Personal" +
// "\My Pictures\", else "\My Pictures\" in the root of the current drive.
bool DefaultScanFolder(char* folder, size_t size)
{
    folder[0] = '\0';
    DWORD bytes = static_cast<DWORD>(size);
    ShellFolder pictures = ReadShellFolder("My Pictures", folder, bytes);
    if (pictures != ShellFolder::Missing)
        return pictures == ShellFolder::Named;
    ShellFolder documents = ReadShellFolder("Personal", folder, bytes);
    if (documents == ShellFolder::Unnamable)
        return false;
    if (documents == ShellFolder::Missing)
        folder[0] = '\0';
    // Also an empty text gets its backslash: the folder then lies in the drive's root.
    if (folder[0])
        AppendBackslash(folder, size);
    else
        CopyString(folder, size, "\\");
    AppendString(folder, size, "My Pictures\\");
    return true;
}

void ShowInvalidFolder(const char* folder)
{
    ShowLocalizedMessage(IDS_MSG_INVALID_FOLDER, "The folder %s cannot be used for scans. Please choose another one.",
                         folder, MB_OK | MB_ICONEXCLAMATION);
}

namespace {

bool IsDocumentExtension(const char* extension)
{
    return _stricmp(extension, "rtf") == 0 || _stricmp(extension, "xls") == 0;
}

void RemoveOneTrailingBackslash(char* text)
{
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '\\')
        text[length - 1] = '\0';
}

bool IsSerialExtension(const char* extension)
{
    for (int i = 0; kSerialExtensions[i][0]; ++i) {
        if (_stricmp(extension, kSerialExtensions[i]) == 0)
            return true;
    }
    return false;
}

// The serial that a name behind the day's prefix stands for, as the names the
// lookups form: three digits below 1000, the plain number from 1000 on, then a dot
// and one of the eight extensions. 0 for any other name.
long long SerialOfName(const char* rest)
{
    const char* p = rest;
    while (*p >= '0' && *p <= '9')
        ++p;
    size_t digits = static_cast<size_t>(p - rest);
    if (*p != '.' || digits < 3 || digits > 12)
        return 0;
    if (digits > 3 && rest[0] == '0')
        return 0;
    if (!IsSerialExtension(p + 1))
        return 0;
    long long serial = 0;
    for (const char* d = rest; d < p; ++d)
        serial = serial * 10 + (*d - '0');
    if (digits == 3 && serial >= 1000)
        return 0;
    return serial;
}

void FormatCandidate(char* out, size_t size, const char* folderAndPrefix, int serial, const char* extension)
{
    FormatString(out, size, "%s%03d.%s", folderAndPrefix, serial, extension);
}

}  // namespace

void SetShellFoldersKeyForTests(HKEY root, const char* subkey)
{
    g_shellFoldersRoot = subkey ? root : HKEY_CURRENT_USER;
    CopyString(g_shellFoldersKey, subkey ? subkey : kShellFoldersKey);
}

int GetShellFolder(const char* valueName, char* buffer, DWORD size)
{
    return ReadShellFolder(valueName, buffer, size) == ShellFolder::Named ? 1 : 0;
}

void FormatDatePrefix(const SYSTEMTIME& date, char* out, size_t size)
{
    char text[512] = "";
    const LCID kEnglishNeutral = 9;
    if (GetDateFormatA(kEnglishNeutral, 0, &date, "MMM_dd_", text, sizeof text) > 0) {
        CopyString(out, size, text);
        return;
    }
    // The same picture by hand, should the system lack the neutral English locale.
    static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = (date.wMonth >= 1 && date.wMonth <= 12) ? date.wMonth - 1 : 0;
    FormatString(out, size, "%s_%02u_", kMonths[month], static_cast<unsigned>(date.wDay));
}

int NextFreeSerialByLookups(const char* folderAndPrefix)
{
    for (int serial = 1;; ++serial) {
        bool taken = false;
        for (int i = 0; kSerialExtensions[i][0] && !taken; ++i) {
            char candidate[MAX_PATH];
            FormatCandidate(candidate, sizeof candidate, folderAndPrefix, serial, kSerialExtensions[i]);
            taken = FileExists(candidate);
        }
        if (!taken)
            return serial;
    }
}

int NextFreeSerial(const char* folderAndPrefix)
{
    char pattern[MAX_PATH];
    if (!FormatString(pattern, "%s*", folderAndPrefix))
        return NextFreeSerialByLookups(folderAndPrefix);
    const char* prefix = strrchr(folderAndPrefix, '\\');
    prefix = prefix ? prefix + 1 : folderAndPrefix;
    size_t prefixLength = strlen(prefix);

    // Serials above the number of names seen cannot hold the first free one.
    std::vector<long long> seen;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA(pattern, &data));
    if (find) {
        do {
            if (_strnicmp(data.cFileName, prefix, prefixLength) != 0)
                continue;
            long long serial = SerialOfName(data.cFileName + prefixLength);
            if (serial > 0)
                seen.push_back(serial);
        } while (FindNextFileA(find.get(), &data));
    }
    std::vector<bool> taken(seen.size() + 2, false);
    for (long long serial : seen) {
        if (serial < static_cast<long long>(taken.size()))
            taken[static_cast<size_t>(serial)] = true;
    }
    int serial = 1;
    while (taken[static_cast<size_t>(serial)])
        ++serial;
    return serial;
}

void MakeOutputFileName(char* out, size_t size, const char* extension)
{
    const int number = ChosenFolderNumber();
    char folder[260];
    ReadFolderEntry(number, kAbsentFolder, folder);
    if (strcmp(folder, kAbsentFolder) == 0) {
        // Listed from now on, as the running user's My Pictures.
        WriteFolderEntry(number, "");
        folder[0] = '\0';
    }
    // A document goes to the documents folder, whatever the scan folder is.
    char documents[260];
    bool toDocuments = IsDocumentExtension(extension) && GetShellFolder("Personal", documents, sizeof documents);
    if (folder[0]) {
        RemoveOneTrailingBackslash(folder);
    } else if (!toDocuments) {
        if (!DefaultScanFolder(folder, sizeof folder)) {
            ShowInvalidFolder(folder);
            if (size > 0)
                out[0] = '\0';
            return;
        }
        AppendBackslash(folder);
    }
    if (toDocuments)
        CopyString(folder, documents);
    AppendBackslash(folder);
    // A folder that cannot be made still names the file; the scan then reports it.
    CreateDirectoryA(folder, nullptr);

    char shortFolder[512];
    DWORD length = GetShortPathNameA(folder, shortFolder, sizeof shortFolder);
    if (length == 0 || length >= sizeof shortFolder)
        CopyString(shortFolder, folder);

    SYSTEMTIME today;
    GetLocalTime(&today);
    char prefix[512];
    FormatDatePrefix(today, prefix, sizeof prefix);
    char folderAndPrefix[MAX_PATH];
    CopyString(folderAndPrefix, shortFolder);
    AppendString(folderAndPrefix, prefix);
    FormatCandidate(out, size, folderAndPrefix, NextFreeSerial(folderAndPrefix), extension);
}
