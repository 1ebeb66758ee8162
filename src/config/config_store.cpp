#include <windows.h>

#include <cstring>
#include <string>

#include "common/handles.h"
#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"
#include "config/unsaved_settings.h"

Selections g_selections;

namespace {

// The read default that stands for "no such key" in "Tornel".
constexpr int kAbsentValue = 9999;

// The profile API with a bare name would search the Windows directory; the full
// path lets tests point that directory elsewhere and writes the same keys.
struct ProfilePath {
    char text[MAX_PATH];
    explicit ProfilePath(const char* fileName) { WindowsFilePath(text, fileName); }
};

}  // namespace

// ---- Profile helpers ---------------------------------------------------------------

int ReadIniInt(const char* fileName, const char* section, const char* key, int defaultValue)
{
    std::string kept;
    switch (FindKeptSetting(fileName, section, key, kept)) {
    case KeptSetting::Value:
        return ParseProfileInt(kept.data(), kept.size(), defaultValue);
    case KeptSetting::Deleted:
        return defaultValue;
    case KeptSetting::None:
        break;
    }
    ProfilePath path(fileName);
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, path.text));
}

unsigned ReadIniString(const char* fileName, const char* section, const char* key, const char* defaultValue,
                       char* out, size_t size)
{
    if (size == 0)
        return 0;
    std::string kept;
    switch (FindKeptSetting(fileName, section, key, kept)) {
    case KeptSetting::Value:
        CopyString(out, size, kept.c_str());
        return static_cast<unsigned>(strlen(out));
    case KeptSetting::Deleted:
        CopyString(out, size, defaultValue ? defaultValue : "");
        return static_cast<unsigned>(strlen(out));
    case KeptSetting::None:
        break;
    }
    ProfilePath path(fileName);
    return GetPrivateProfileStringA(section, key, defaultValue, out, static_cast<DWORD>(size), path.text);
}

bool WriteIniInt(const char* fileName, const char* section, const char* key, int value)
{
    char text[16];
    FormatString(text, "%d", value);
    return WriteIniString(fileName, section, key, text);
}

bool WriteIniString(const char* fileName, const char* section, const char* key, const char* value)
{
    ProfilePath path(fileName);
    bool written = WritePrivateProfileStringA(section, key, value, path.text) != FALSE;
    KeepWrite(fileName, section, key, value, written);
    return written;
}

bool DeleteIniKey(const char* fileName, const char* section, const char* key)
{
    return WriteIniString(fileName, section, key, nullptr);
}

bool DeleteIniSection(const char* fileName, const char* section)
{
    ProfilePath path(fileName);
    bool written = WritePrivateProfileStringA(section, nullptr, nullptr, path.text) != FALSE;
    KeepWrite(fileName, section, nullptr, nullptr, written);
    return written;
}

void WriteIniTrace(const char* fileName, const char* section, const char* key, const char* value)
{
    ProfilePath path(fileName);
    WritePrivateProfileStringA(section, key, value, path.text);
}

bool IndexedKey(char* out, size_t size, const char* key, int index)
{
    return FormatString(out, size, "%s%d", key, index);
}

unsigned ReadIniIndexedString(const char* fileName, const char* section, const char* key, int index,
                              const char* defaultValue, char* out, size_t size)
{
    char indexed[64];
    IndexedKey(indexed, key, index);
    return ReadIniString(fileName, section, indexed, defaultValue, out, size);
}

bool WriteIniIndexedString(const char* fileName, const char* section, const char* key, int index, const char* value)
{
    char indexed[64];
    IndexedKey(indexed, key, index);
    return WriteIniString(fileName, section, indexed, value);
}

// ---- ConfigStore -----------------------------------------------------------------

static void TornelKey(char (&out)[64], const char* key, int32_t index)
{
    if (index < 0)
        CopyString(out, key);
    else
        IndexedKey(out, key, index);
}

int32_t ReadTornelInt(const char* key, int32_t index)
{
    return ReadTornelInt(IniSection(kConfigFileName, kTornelSection), key, index);
}

int32_t ReadTornelInt(const IniSection& tornel, const char* key, int32_t index)
{
    char name[64];
    TornelKey(name, key, index);
    int value = tornel.ReadInt(name, kAbsentValue);
    return value == kAbsentValue ? -1 : value;
}

void WriteTornelInt(const char* key, int32_t index, int32_t value)
{
    char name[64];
    TornelKey(name, key, index);
    WriteIniInt(kConfigFileName, kTornelSection, name, value);
}

int ReadListCount(const char* section, const char* countKey, const char* nameKey, int defaultValue)
{
    const IniSection list(kConfigFileName, section);
    int count = list.ReadInt(countKey, defaultValue);
    if (count == 0 || (count == defaultValue && !list.Contains(countKey)))
        return count;
    int limit = count > 0 && count < kMaxListEntries ? count : kMaxListEntries;
    int present = list.HighestIndex(nameKey, limit);
    if (count < 0)
        return present > 0 ? present : count;
    return count > present ? present : count;
}


void WriteApplicationEntry(const char* name, const char* file, int32_t index)
{
    int count = ReadListCount(kApplicationSection, "NumAp", "ApName", 0);
    if (index < 0) {
        index = count + 1;
        WriteIniInt(kConfigFileName, kApplicationSection, "NumAp", index);
    }
    WriteIniIndexedString(kConfigFileName, kApplicationSection, "ApName", index, name);
    // Writing no value would delete the key; an entry without a file keeps an empty one.
    if (index != 0)
        WriteIniIndexedString(kConfigFileName, kApplicationSection, "ApFileName", index, file ? file : "");
    WriteIniInt(kConfigFileName, kApplicationSection, "DefaultID", g_selections.DefaultAppIndex);
}

// Moves the entries after index one place down and drops the last one.
static void RemoveListEntry(const char* section, const char* nameKey, const char* fileKey, int index, int count)
{
    char text[512];
    for (int j = index + 1; j <= count; ++j) {
        ReadIniIndexedString(kConfigFileName, section, nameKey, j, "", text);
        WriteIniIndexedString(kConfigFileName, section, nameKey, j - 1, text);
        ReadIniIndexedString(kConfigFileName, section, fileKey, j, "", text);
        WriteIniIndexedString(kConfigFileName, section, fileKey, j - 1, text);
    }
    WriteIniIndexedString(kConfigFileName, section, nameKey, count, nullptr);
    WriteIniIndexedString(kConfigFileName, section, fileKey, count, nullptr);
}

void CompactFileList(const char* section, const char* countKey, const char* nameKey, const char* fileKey)
{
    const int startCount = ReadListCount(section, countKey, nameKey, 0);
    if (startCount <= 0)
        return;
    int count = startCount;
    for (int index = startCount; index >= 1; --index) {
        char file[512];
        ReadIniIndexedString(kConfigFileName, section, fileKey, index, "", file);
        if (FileExists(file))
            continue;
        RemoveListEntry(section, nameKey, fileKey, index, count);
        --count;
    }
    if (count != startCount)
        WriteIniInt(kConfigFileName, section, countKey, count);
}

void FindEntryByName(const char* section, const char* nameKey, int32_t count, const char* text, int32_t* index)
{
    *index = -1;
    for (int i = 1; i <= count; ++i) {
        char name[512];
        ReadIniIndexedString(kConfigFileName, section, nameKey, i, " ", name);
        if (lstrcmpA(name, text) == 0) {
            *index = i;
            return;
        }
    }
}

// Blanks go first: a command cut behind its quoted program ("C:\x.exe" /mail) ends
// with one, and the closing quote must be found behind it.
bool FileExists(char* path)
{
    size_t length = strlen(path);
    while (length > 0 && (path[length - 1] == ' ' || path[length - 1] == '\t'))
        path[--length] = '\0';
    const char* tested = path + strspn(path, " \t");
    if (tested[0] == '"') {
        ++tested;
        if (length > static_cast<size_t>(tested - path) && path[length - 1] == '"')
            path[length - 1] = '\0';
    }
    if (!*tested)
        return false;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA(tested, &data));
    return static_cast<bool>(find);
}

bool FileExists(const char* path)
{
    char copy[1024];
    CopyString(copy, path);
    return FileExists(copy);
}

void SelectDefaultApplication(int32_t index)
{
    char name[1024];
    ReadIniIndexedString(kConfigFileName, kApplicationSection, "ApName", index, " ", name);
    WriteApplicationEntry(name, nullptr, 0);
}

bool RemoveApplicationEntry(int32_t index)
{
    int count = ReadListCount(kApplicationSection, "NumAp", "ApName", 0);
    if (index < 1 || index > count)
        return false;
    RemoveListEntry(kApplicationSection, "ApName", "ApFileName", index, count);
    WriteIniInt(kConfigFileName, kApplicationSection, "NumAp", count - 1);
    if (index < g_selections.DefaultAppIndex)
        --g_selections.DefaultAppIndex;
    else if (index == g_selections.DefaultAppIndex)
        g_selections.DefaultAppIndex = 1;
    // With no entry left, the default names none.
    if (count > 1)
        SelectDefaultApplication(g_selections.DefaultAppIndex);
    else
        WriteApplicationEntry("", nullptr, 0);
    return true;
}
