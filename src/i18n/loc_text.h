// The pure parts of localization: the localization file's line syntax, the key
// table's order and search, and localized texts used as formats. No Windows
// headers, so the parsers can be built natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>

// Ends KeyIdList and marks the record behind the last key of KeyTable.
constexpr uint32_t kKeyIdListEnd = 0xFFFFFFFFu;

// Sizes of the localization file's buffers; a longer line goes on as the next line.
constexpr size_t kLocLineSize = 1024;
constexpr size_t kLocKeySize = 256;
constexpr size_t kLocTextSize = 1024;
constexpr size_t kKeyRecordKeySize = 40;

// One id of the string table and its key (at most 39 characters).
struct KeyRecord {
    uint32_t id;
    char key[kKeyRecordKeySize];
};

// Removes one trailing LF and then one trailing CR.
void StripLineEnd(char* line);
// True when the first characters after leading spaces are "//".
bool IsCommentLine(const char* line);
// Splits a line into key (up to the first space after leading spaces) and text (the
// rest after the spaces that follow the key) and turns every backslash-n into LF, CR.
// False for a line to ignore: empty, a comment, no key or no text, or a first word
// that does not fit the key buffer. The text is cut to kLocTextSize - 1 characters.
bool ParseLocalizationLine(const char* line, char (&key)[kLocKeySize], char (&text)[kLocTextSize]);

// Sorts the first count records by key (strcmp).
void SortKeyRecords(KeyRecord* records, int count);
// Binary search of records 0 to count inclusive (the table's terminator record sits
// at count) for key. The id found, or 0 when no record with a usable id matches:
// the terminator and any empty record never match.
int32_t FindKeyId(const KeyRecord* records, int count, const char* key);

// A text used as a format substitutes only the conversions the caller expects: a
// single "%s", or "%s" followed by "%lu"; "%%" gives a percent sign. A text with any
// other, missing or extra conversion is shown as it is, the argument(s) appended
// after a space. The result is cut to size - 1 characters.
void FormatLocalizedText(char* out, size_t size, const char* text, const char* argument);
void FormatLocalizedText(char* out, size_t size, const char* text, const char* argument, unsigned long number);
template <size_t N>
void FormatLocalizedText(char (&out)[N], const char* text, const char* argument)
{
    FormatLocalizedText(out, N, text, argument);
}
template <size_t N>
void FormatLocalizedText(char (&out)[N], const char* text, const char* argument, unsigned long number)
{
    FormatLocalizedText(out, N, text, argument, number);
}
