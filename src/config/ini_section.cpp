#include <windows.h>

#include <cstring>
#include <string>

#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"
#include "config/unsaved_settings.h"

namespace {

// The largest section read whole; a larger one is read key by key.
constexpr size_t kMaxSectionChars = 1 << 20;

}  // namespace

IniSection::IniSection(const char* fileName, const char* section) : fileName_(fileName), section_(section)
{
    // What the file refused is only in memory: such a section is read key by key.
    if (HasKeptSettings(fileName, section))
        return;
    char path[MAX_PATH];
    WindowsFilePath(path, fileName);
    for (size_t size = 4096; size <= kMaxSectionChars; size *= 4) {
        lines_.assign(size, '\0');
        DWORD length = GetPrivateProfileSectionA(section, lines_.data(), static_cast<DWORD>(size), path);
        // A section that did not fit comes back cut, its length the buffer size less two.
        if (length + 2 < size) {
            whole_ = true;
            lines_.resize(length + 2);
            return;
        }
    }
    lines_.clear();
}

const char* IniSection::FindValue(const char* key, size_t& length) const
{
    return FindSectionValue(lines_.data(), key, length);
}

int IniSection::ReadInt(const char* key, int defaultValue) const
{
    if (!whole_)
        return ReadIniInt(fileName_, section_, key, defaultValue);
    size_t length = 0;
    const char* value = FindValue(key, length);
    return value ? ParseProfileInt(value, length, defaultValue) : defaultValue;
}

bool WriteIniSectionUnlessSame(const char* fileName, const char* section, const std::vector<char>& lines)
{
    char path[MAX_PATH];
    WindowsFilePath(path, fileName);
    // Room for one character more than the lines: a longer section comes back cut to
    // that room (its length the size less two), so it never equals them.
    std::vector<char> current(lines.size() + 2, '\0');
    DWORD length = GetPrivateProfileSectionA(section, current.data(), static_cast<DWORD>(current.size()), path);
    current.resize(length + 1);
    // A section kept in memory may differ from the file that matches the lines.
    const bool kept = HasKeptSettings(fileName, section);
    if (!kept && (length == 0 ? lines.size() <= 1 : current == lines))
        return true;
    const bool written = WritePrivateProfileSectionA(section, lines.data(), path) != FALSE;
    if (written && !kept)
        return true;
    // The section as written replaces what memory kept of it, line by line.
    KeepWrite(fileName, section, nullptr, nullptr, written);
    for (const char* line = lines.data(); *line; line += strlen(line) + 1) {
        const char* equals = strchr(line, '=');
        if (equals)
            KeepWrite(fileName, section, std::string(line, equals).c_str(), equals + 1, written);
    }
    return written;
}

unsigned IniSection::ReadString(const char* key, const char* defaultValue, char* out, size_t size) const
{
    if (size == 0)
        return 0;
    if (!whole_)
        return ReadIniString(fileName_, section_, key, defaultValue, out, size);
    size_t length = 0;
    const char* value = FindValue(key, length);
    if (!value) {
        // The profile API gives the default without its trailing blanks.
        CopyString(out, size, defaultValue ? defaultValue : "");
        size_t end = strlen(out);
        while (end > 0 && out[end - 1] == ' ')
            out[--end] = '\0';
        return static_cast<unsigned>(end);
    }
    if (length >= 2 && (value[0] == '"' || value[0] == '\'') && value[length - 1] == value[0]) {
        ++value;
        length -= 2;
    }
    if (length > size - 1)
        length = size - 1;
    memcpy(out, value, length);
    out[length] = '\0';
    return static_cast<unsigned>(length);
}

bool IniSection::Contains(const char* key) const
{
    if (whole_) {
        size_t length = 0;
        return FindValue(key, length) != nullptr;
    }
    // No stored value can be a lone control character.
    char value[2];
    ReadIniString(fileName_, section_, key, "\x01", value);
    return strcmp(value, "\x01") != 0;
}

int IniSection::HighestIndex(const char* key, int limit) const
{
    if (whole_)
        return HighestListIndex(lines_.data(), key, limit);
    char indexed[64];
    for (int index = limit; index >= 1; --index) {
        if (IndexedKey(indexed, key, index) && Contains(indexed))
            return index;
    }
    return 0;
}
