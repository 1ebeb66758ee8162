// Bounded string helpers. The buffer sizes of the system are behaviour (a text
// longer than its buffer is cut), so every copy and format names its destination
// size, and the array overloads take that size from the array itself.
// Every result is NUL-terminated, also when it was cut.
#pragma once

#include <cstdarg>
#include <cstddef>

// Copies at most size-1 bytes of src; returns false when src was cut.
bool CopyString(char* dst, size_t size, const char* src);
// Appends src behind what dst holds; returns false when the result was cut.
bool AppendString(char* dst, size_t size, const char* src);
// printf-style formatting for formats written in this program only; a text from a
// file is never a format (see FormatWithText). Returns false when the result was cut.
bool FormatString(char* dst, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool FormatStringV(char* dst, size_t size, const char* format, va_list args);

template <size_t N>
bool CopyString(char (&dst)[N], const char* src)
{
    return CopyString(dst, N, src);
}

template <size_t N>
bool AppendString(char (&dst)[N], const char* src)
{
    return AppendString(dst, N, src);
}

template <size_t N>
__attribute__((format(printf, 2, 3))) bool FormatString(char (&dst)[N], const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool whole = FormatStringV(dst, N, format, args);
    va_end(args);
    return whole;
}

// Appends a backslash unless the text is empty or already ends with one.
bool AppendBackslash(char* dst, size_t size);
template <size_t N>
bool AppendBackslash(char (&dst)[N])
{
    return AppendBackslash(dst, N);
}

// Lower-cases A-Z in place, leaving every other byte as it is.
void LowerAscii(char* text);

// True when text ends with suffix, compared without regard to ASCII case.
bool EndsWithNoCase(const char* text, const char* suffix);

// Removes one pair of surrounding double quotes in place: a trailing quote, then a
// leading one; a quote inside the name stays.
void StripOuterQuotes(char* text);
