// The profile files' text as the profile API reads it: a section's "key=value"
// lines and the integers in values. No Windows headers, so the readers can be built
// natively for fuzzing.
#include "config/profile_text.h"

#include <cstdint>
#include <cstring>

namespace {

// GetPrivateProfileIntA reads the value into a buffer of 30 characters.
constexpr size_t kIntTextChars = 29;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void TrimBlanks(const char*& begin, const char*& end)
{
    while (begin < end && IsBlank(*begin))
        ++begin;
    while (end > begin && IsBlank(end[-1]))
        --end;
}

// Digit value of c in any base up to 36, or 36 when it is no digit.
unsigned DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned>(c - 'A' + 10);
    return 36;
}

// The number at the start of text as the system's string-to-integer conversion reads
// it with base 0: leading blanks (any character up to the space), one sign, an optional
// 0b, 0o or 0x, then digits up to the first character that is none. Overflow wraps.
int ParseInteger(const char* text, const char* end)
{
    while (text < end && static_cast<unsigned char>(*text) <= ' ')
        ++text;
    bool negative = false;
    if (text < end && (*text == '-' || *text == '+'))
        negative = *text++ == '-';
    unsigned base = 10;
    if (end - text >= 2 && text[0] == '0') {
        switch (text[1]) {
        case 'b': base = 2; break;
        case 'o': base = 8; break;
        case 'x': base = 16; break;
        default: break;
        }
        if (base != 10)
            text += 2;
    }
    uint32_t total = 0;
    for (; text < end; ++text) {
        unsigned digit = DigitValue(*text);
        if (digit >= base)
            break;
        total = total * base + digit;
    }
    return static_cast<int>(negative ? 0u - total : total);
}

// Key names compare without regard to the case of ASCII letters.
bool SameKey(const char* a, const char* b, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// One line of a section: its key name with the blanks around it trimmed, the first
// '=' (nullptr when the line has none) and the line's end.
struct SectionLine {
    const char* nameBegin;
    const char* nameEnd;
    const char* equals;
    const char* lineEnd;
};

SectionLine SplitSectionLine(const char* line)
{
    SectionLine parts{};
    parts.lineEnd = line + strlen(line);
    parts.equals = static_cast<const char*>(memchr(line, '=', static_cast<size_t>(parts.lineEnd - line)));
    parts.nameBegin = line;
    parts.nameEnd = parts.equals ? parts.equals : parts.lineEnd;
    TrimBlanks(parts.nameBegin, parts.nameEnd);
    return parts;
}

}  // namespace

int ParseProfileInt(const char* value, size_t length, int defaultValue)
{
    const char* begin = value;
    const char* end = value + length;
    // A value enclosed in matching quotes loses them; a value cut to the buffer keeps
    // its closing quote only when the cut removed it anyway.
    bool quoted = length >= 2 && (*begin == '"' || *begin == '\'') && end[-1] == *begin;
    if (quoted)
        ++begin;
    size_t kept = static_cast<size_t>(end - begin);
    size_t copied = kept < kIntTextChars ? kept : kIntTextChars;
    if (quoted && kept <= kIntTextChars + 1 && copied > 0)
        --copied;
    if (copied == 0)
        return defaultValue;
    return ParseInteger(begin, begin + copied);
}

const char* FindSectionValue(const char* lines, const char* key, size_t& length)
{
    size_t keyLength = strlen(key);
    for (const char* line = lines; *line; line += strlen(line) + 1) {
        SectionLine parts = SplitSectionLine(line);
        if (static_cast<size_t>(parts.nameEnd - parts.nameBegin) != keyLength ||
            !SameKey(parts.nameBegin, key, keyLength))
            continue;
        if (!parts.equals) {
            length = 0;
            return parts.lineEnd;
        }
        const char* valueBegin = parts.equals + 1;
        const char* valueEnd = parts.lineEnd;
        TrimBlanks(valueBegin, valueEnd);
        length = static_cast<size_t>(valueEnd - valueBegin);
        return valueBegin;
    }
    return nullptr;
}

int HighestListIndex(const char* lines, const char* key, int limit)
{
    size_t keyLength = strlen(key);
    int highest = 0;
    for (const char* line = lines; *line; line += strlen(line) + 1) {
        SectionLine parts = SplitSectionLine(line);
        if (static_cast<size_t>(parts.nameEnd - parts.nameBegin) <= keyLength ||
            !SameKey(parts.nameBegin, key, keyLength))
            continue;
        const char* digits = parts.nameBegin + keyLength;
        if (*digits == '0')
            continue;
        long long index = 0;
        const char* p = digits;
        for (; p < parts.nameEnd && *p >= '0' && *p <= '9' && index <= limit; ++p)
            index = index * 10 + (*p - '0');
        if (p == parts.nameEnd && index <= limit && index > highest)
            highest = static_cast<int>(index);
    }
    return highest;
}
