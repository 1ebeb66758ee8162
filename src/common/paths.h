// Where the system's files live. The configuration files, the localization file
// and the scan engine sit in the Windows directory; it is resolved once and every
// profile call gets a full path, so tests can point the whole program elsewhere.
#pragma once

#include <cstddef>

// The Windows directory, ending with a backslash.
const char* WindowsDirectory();
// Points WindowsDirectory elsewhere (tests); a backslash is appended when missing.
// Call before any other thread uses the paths.
void SetWindowsDirectory(const char* folder);
// The Windows directory followed by a file name; false when the result was cut.
bool WindowsFilePath(char* out, size_t size, const char* fileName);
template <size_t N>
bool WindowsFilePath(char (&out)[N], const char* fileName)
{
    return WindowsFilePath(out, N, fileName);
}

// True when this 32-bit process runs on 64-bit Windows (WoW64), where the system
// folder it names is the 32-bit one.
bool RunningUnderWow64();
// The path under which this process reaches the file a program path names: under
// WoW64 a path in the system folder goes through "%windir%\Sysnative" to the real
// one; any other path stays as it is. False when the result was cut.
bool NativeSystemPath(char* out, size_t size, const char* path);
template <size_t N>
bool NativeSystemPath(char (&out)[N], const char* path)
{
    return NativeSystemPath(out, N, path);
}

// A folder or file path as the ANSI calls can name it: the path itself when the ANSI
// code page holds every character, else its short (8.3) form, which exists only for
// a path that exists. False when neither fits (8.3 names turned off, or out too small).
bool AnsiPathOf(const wchar_t* path, char* out, size_t size);
template <size_t N>
bool AnsiPathOf(const wchar_t* path, char (&out)[N])
{
    return AnsiPathOf(path, out, N);
}
