// The localization file's lines, its key table and its texts used as formats, fed
// with arbitrary bytes: the file a user's machine has may be anything.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "i18n/loc_text.h"

namespace {

constexpr int kMaxRecords = 64;

// Splits the input as the file reader does: lines end at LF, and a line longer than
// the reader's buffer goes on as the next one.
size_t NextLine(const uint8_t* data, size_t size, char (&line)[kLocLineSize])
{
    size_t length = 0;
    while (length < size && length + 1 < sizeof line) {
        line[length] = static_cast<char>(data[length]);
        if (data[length++] == '\n')
            break;
    }
    line[length] = '\0';
    return length;
}

void FormatBoth(const char* text)
{
    char small[16];
    char large[kLocTextSize + 64];
    FormatLocalizedText(small, text, "C:\\Scans\\Dec_08_001.bmp");
    FormatLocalizedText(large, text, "%s%n%d", 4294967295ul);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KeyRecord records[kMaxRecords + 1] = {};
    int count = 0;
    char line[kLocLineSize];
    while (size > 0) {
        size_t used = NextLine(data, size, line);
        data += used;
        size -= used;
        StripLineEnd(line);
        if (IsCommentLine(line))
            continue;
        char key[kLocKeySize];
        char text[kLocTextSize];
        if (!ParseLocalizationLine(line, key, text))
            continue;
        FormatBoth(text);
        if (count < kMaxRecords && strlen(key) < kKeyRecordKeySize) {
            records[count].id = 11100u + static_cast<uint32_t>(count);
            memcpy(records[count].key, key, strlen(key) + 1);
            ++count;
        }
    }
    records[count].id = kKeyIdListEnd;
    SortKeyRecords(records, count);
    for (int i = 0; i < count; ++i) {
        if (FindKeyId(records, count, records[i].key) == 0)
            __builtin_trap();  // every key put in must be found again
    }
    return 0;
}
