// The profile files' text as the profile API reads it. No Windows headers.
#pragma once

#include <cstddef>

// The integer the profile API reads from a value text: GetPrivateProfileIntA's
// parsing (quotes around the value dropped, at most 29 characters, leading blanks,
// a sign, 0x/0o/0b prefixes), or defaultValue for an empty value.
int ParseProfileInt(const char* value, size_t length, int defaultValue);

// In a section as GetPrivateProfileSectionA gives it ("key=value" strings, each ended
// by a NUL, then a NUL), the value text of the first line whose key equals key without
// regard to case, with the blanks around it removed; null when no line has the key.
const char* FindSectionValue(const char* lines, const char* key, size_t& length);

// The highest n from 1 to limit for which the section has a line whose key is key
// followed by the decimal n (no sign, no leading zero), without regard to case; 0 when
// there is none.
int HighestListIndex(const char* lines, const char* key, int limit);
