// The "/Name:value" switches the Still Image service puts on a launched program's
// command line. No Windows headers, so the decoder can be built natively for fuzzing.
#include "shell/launch_switches.h"

#include <cwchar>

namespace {

// Switch names compare without regard to the case of ASCII letters; the text may end
// before length characters.
bool SameName(const wchar_t* text, const wchar_t* name, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        wchar_t x = text[i] >= L'A' && text[i] <= L'Z' ? static_cast<wchar_t>(text[i] - L'A' + L'a') : text[i];
        wchar_t y = name[i] >= L'A' && name[i] <= L'Z' ? static_cast<wchar_t>(name[i] - L'A' + L'a') : name[i];
        if (x != y || x == L'\0')
            return false;
    }
    return true;
}

}  // namespace

bool FindLaunchSwitch(const wchar_t* commandLine, const wchar_t* name, wchar_t* value, size_t size)
{
    if (size == 0)
        return false;
    value[0] = L'\0';
    size_t nameLength = wcslen(name);
    const wchar_t* p = commandLine;
    while (*p) {
        while (*p == L' ' || *p == L'\t')
            ++p;
        // A token: quoted parts may hold blanks.
        const wchar_t* tokenStart = p;
        bool quoted = false;
        while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
            if (*p == L'"')
                quoted = !quoted;
            ++p;
        }
        const wchar_t* t = tokenStart;
        if (*t == L'"')
            ++t;
        if ((*t == L'/' || *t == L'-') && SameName(t + 1, name, nameLength) && t[1 + nameLength] == L':') {
            const wchar_t* v = t + 2 + nameLength;
            size_t length = 0;
            for (; v < p && length + 1 < size; ++v) {
                if (*v != L'"')
                    value[length++] = *v;
            }
            value[length] = L'\0';
            return length > 0;
        }
    }
    return false;
}
