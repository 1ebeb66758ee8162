// The Still Image launch switches of a command line. No Windows headers.
#pragma once

#include <cstddef>

// Finds a "/Name:value" switch as the Still Image service puts it on a launched
// program's command line; a quoted value loses its quotes. False when absent or
// empty. The value is cut to size-1 characters.
bool FindLaunchSwitch(const wchar_t* commandLine, const wchar_t* name, wchar_t* value, size_t size);
