// Run-time lookups of a library's functions. The pointer's type is written once, where
// it is declared; a missing module or export leaves it null, and the caller handles
// that instead of calling through it.
#pragma once

#include <windows.h>

template <class Fn>
bool BindProc(HMODULE module, const char* name, Fn& slot)
{
    FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    return proc != nullptr;
}
