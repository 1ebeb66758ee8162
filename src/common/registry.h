// Reading a text value of the registry, the one way every folder does it.
#pragma once

#include <windows.h>

#include <cstddef>

// The text of a registry value of root\subkey (of root itself when subkey is null):
// REG_SZ or REG_EXPAND_SZ (left unexpanded), always terminated. The key is opened to
// query values only, all a standard user may be granted on the machine's keys. False,
// and out empty, when the key or value is missing, of another type, or does not fit
// size bytes with its terminator. *type receives the value's type when given.
bool ReadRegistryText(HKEY root, const char* subkey, const char* valueName, char* out, size_t size,
                      DWORD* type = nullptr);
