#include "common/strings.h"

#include <cstdio>
#include <cstring>

bool CopyString(char* dst, size_t size, const char* src)
{
    if (size == 0)
        return false;
    if (!src)
        src = "";
    size_t length = strlen(src);
    bool whole = length < size;
    if (!whole)
        length = size - 1;
    memcpy(dst, src, length);
    dst[length] = '\0';
    return whole;
}

bool AppendString(char* dst, size_t size, const char* src)
{
    if (size == 0)
        return false;
    size_t used = strnlen(dst, size);
    if (used >= size) {
        dst[size - 1] = '\0';
        return false;
    }
    return CopyString(dst + used, size - used, src);
}

bool FormatStringV(char* dst, size_t size, const char* format, va_list args)
{
    if (size == 0)
        return false;
    int written = vsnprintf(dst, size, format, args);
    if (written < 0) {
        dst[0] = '\0';
        return false;
    }
    return static_cast<size_t>(written) < size;
}

bool FormatString(char* dst, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool whole = FormatStringV(dst, size, format, args);
    va_end(args);
    return whole;
}

bool AppendBackslash(char* dst, size_t size)
{
    size_t length = strnlen(dst, size);
    if (length == 0 || dst[length - 1] == '\\')
        return true;
    return AppendString(dst, size, "\\");
}

void LowerAscii(char* text)
{
    for (; *text; ++text) {
        if (*text >= 'A' && *text <= 'Z')
            *text = static_cast<char>(*text - 'A' + 'a');
    }
}

bool EndsWithNoCase(const char* text, const char* suffix)
{
    size_t textLength = strlen(text);
    size_t suffixLength = strlen(suffix);
    if (suffixLength > textLength)
        return false;
    const char* tail = text + textLength - suffixLength;
    for (size_t i = 0; i < suffixLength; ++i) {
        char a = tail[i], b = suffix[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

void StripOuterQuotes(char* text)
{
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '"')
        text[--length] = '\0';
    if (length > 0 && text[0] == '"')
        memmove(text, text + 1, length);
}
