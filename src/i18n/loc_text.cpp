#include "i18n/loc_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/strings.h"

// ---- Lines of the localization file -----------------------------------------------

void StripLineEnd(char* line)
{
    size_t length = strlen(line);
    if (length > 0 && line[length - 1] == '\n')
        line[--length] = '\0';
    if (length > 0 && line[length - 1] == '\r')
        line[--length] = '\0';
}

static const char* SkipSpaces(const char* p)
{
    while (*p == ' ')
        ++p;
    return p;
}

bool IsCommentLine(const char* line)
{
    const char* p = SkipSpaces(line);
    return p[0] == '/' && p[1] == '/';
}

// Backslash-n becomes LF, CR: the same length, so the expansion never grows the text.
static void ExpandNewlines(char* text)
{
    for (char* p = text; p[0] && p[1]; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            p[0] = '\n';
            p[1] = '\r';
            ++p;
        }
    }
}

bool ParseLocalizationLine(const char* line, char (&key)[kLocKeySize], char (&text)[kLocTextSize])
{
    key[0] = '\0';
    text[0] = '\0';
    if (line[0] == '\0' || IsCommentLine(line))
        return false;
    const char* start = SkipSpaces(line);
    const char* end = start;
    while (*end && *end != ' ')
        ++end;
    size_t keyLength = static_cast<size_t>(end - start);
    // No key is anywhere near this long: such a first word is not a key at all.
    if (keyLength == 0 || keyLength >= kLocKeySize)
        return false;
    memcpy(key, start, keyLength);
    key[keyLength] = '\0';
    CopyString(text, SkipSpaces(end));
    if (text[0] == '\0')
        return false;
    ExpandNewlines(text);
    return true;
}

// ---- Key table -----------------------------------------------------------------------

static int CompareRecords(const void* a, const void* b)
{
    return strcmp(static_cast<const KeyRecord*>(a)->key, static_cast<const KeyRecord*>(b)->key);
}

void SortKeyRecords(KeyRecord* records, int count)
{
    if (records && count > 1)
        qsort(records, static_cast<size_t>(count), sizeof(KeyRecord), CompareRecords);
}

int32_t FindKeyId(const KeyRecord* records, int count, const char* key)
{
    if (!records || count < 0 || !key || key[0] == '\0')
        return 0;
    int low = 0;
    int high = count;
    while (low <= high) {
        int mid = (low + high) / 2;
        int order = strncmp(key, records[mid].key, kKeyRecordKeySize);
        if (order < 0) {
            high = mid - 1;
        } else if (order > 0) {
            low = mid + 1;
        } else {
            // The terminator (all bits set) and zero-filled records carry no string id.
            int32_t id = static_cast<int32_t>(records[mid].id);
            return id > 0 ? id : 0;
        }
    }
    return 0;
}

// ---- Localized texts as formats -------------------------------------------------------

namespace {

enum class Conversion { String, Unsigned, Other };

// Reads the conversion at p (just behind a '%'); sets length to its characters.
Conversion ReadConversion(const char* p, size_t& length)
{
    if (p[0] == 's') {
        length = 1;
        return Conversion::String;
    }
    if (p[0] == 'l' && p[1] == 'u') {
        length = 2;
        return Conversion::Unsigned;
    }
    length = 0;
    return Conversion::Other;
}

// True when the text's conversions are exactly the expected ones, in order.
bool ConversionsAre(const char* text, const Conversion* expected, int expectedCount)
{
    int seen = 0;
    for (const char* p = text; *p; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        size_t length;
        Conversion conversion = ReadConversion(p + 1, length);
        if (conversion == Conversion::Other || seen >= expectedCount || conversion != expected[seen])
            return false;
        ++seen;
        p += length;
    }
    return seen == expectedCount;
}

// Appends characters to a bounded buffer; whatever does not fit is dropped.
class BoundedWriter {
public:
    BoundedWriter(char* out, size_t size) : out_(out), size_(size) { out_[0] = '\0'; }
    void Put(char c)
    {
        if (used_ + 1 < size_) {
            out_[used_++] = c;
            out_[used_] = '\0';
        }
    }
    void Put(const char* text)
    {
        for (; text && *text; ++text)
            Put(*text);
    }

private:
    char* out_;
    size_t size_;
    size_t used_ = 0;
};

void Substitute(BoundedWriter& writer, const char* text, const char* argument, unsigned long number)
{
    for (const char* p = text; *p; ++p) {
        if (*p != '%') {
            writer.Put(*p);
            continue;
        }
        if (p[1] == '%') {
            writer.Put('%');
            ++p;
            continue;
        }
        size_t length;
        if (ReadConversion(p + 1, length) == Conversion::String) {
            writer.Put(argument);
        } else {
            char digits[24];
            FormatString(digits, "%lu", number);
            writer.Put(digits);
        }
        p += length;
    }
}

}  // namespace

void FormatLocalizedText(char* out, size_t size, const char* text, const char* argument)
{
    if (size == 0)
        return;
    BoundedWriter writer(out, size);
    static const Conversion kExpected[] = {Conversion::String};
    if (ConversionsAre(text, kExpected, 1)) {
        Substitute(writer, text, argument, 0);
        return;
    }
    writer.Put(text);
    writer.Put(' ');
    writer.Put(argument);
}

void FormatLocalizedText(char* out, size_t size, const char* text, const char* argument, unsigned long number)
{
    if (size == 0)
        return;
    BoundedWriter writer(out, size);
    static const Conversion kExpected[] = {Conversion::String, Conversion::Unsigned};
    if (ConversionsAre(text, kExpected, 2)) {
        Substitute(writer, text, argument, number);
        return;
    }
    char digits[24];
    FormatString(digits, "%lu", number);
    writer.Put(text);
    writer.Put(' ');
    writer.Put(argument);
    writer.Put(' ');
    writer.Put(digits);
}
