#include <windows.h>

#include <cstring>

#include "common/paths.h"
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
