// A settings section as the profile API hands it over, fed with arbitrary bytes: the
// key lookup and the integer reading of every value.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "config/profile_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The lines as the profile API ends them: each by a NUL, then one more.
    std::vector<char> lines(data, data + size);
    for (char& c : lines) {
        if (c == '\n')
            c = '\0';
    }
    lines.push_back('\0');
    lines.push_back('\0');
    for (const char* key : {"Doc5", "res14", "ScanToPoint", "", "="}) {
        size_t length = 0;
        const char* value = FindSectionValue(lines.data(), key, length);
        if (value && (value < lines.data() || value + length > lines.data() + lines.size()))
            __builtin_trap();
        if (value)
            ParseProfileInt(value, length, 9999);
    }
    for (const char* key : {"ApName", "folder", ""}) {
        int highest = HighestListIndex(lines.data(), key, 1000);
        if (highest < 0 || highest > 1000)
            __builtin_trap();
    }
    ParseProfileInt(reinterpret_cast<const char*>(data), size, -1);
    return 0;
}
