// Settings the files refused, kept in memory until the program ends. Used by the
// profile helpers only; the rest of the program sees them through the usual reads.
#pragma once

#include <string>

enum class KeptSetting {
    None,     // nothing kept: the file has the say
    Value,    // the kept value applies
    Deleted,  // the key (or its whole section) was deleted
};

// What is kept for a key of a file; value receives the text when one applies.
KeptSetting FindKeptSetting(const char* fileName, const char* section, const char* key, std::string& value);
// True when something of the section is kept, so a whole-section read of the file
// would not show it.
bool HasKeptSettings(const char* fileName, const char* section);

// After a write attempt: a refused write is kept and reported; once a file refused
// one, every later write to it is kept as well, so the reads stay consistent with
// what the program wrote. A null key deletes the section, a null value the key.
void KeepWrite(const char* fileName, const char* section, const char* key, const char* value, bool written);
