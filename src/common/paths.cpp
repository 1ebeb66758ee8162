#include "common/paths.h"

#include <windows.h>

#include "common/bind_proc.h"
#include "common/strings.h"

namespace {

// Written by SetWindowsDirectory on the main thread before other threads start,
// or once by the first reader; read by every thread afterwards.
char g_windowsDirectory[MAX_PATH];
bool g_windowsDirectoryKnown = false;

void ResolveWindowsDirectory()
{
    UINT length = GetWindowsDirectoryA(g_windowsDirectory, sizeof g_windowsDirectory);
    if (length == 0 || length >= sizeof g_windowsDirectory)
        CopyString(g_windowsDirectory, "C:\\WINDOWS");
    AppendBackslash(g_windowsDirectory);
    g_windowsDirectoryKnown = true;
}

}  // namespace

const char* WindowsDirectory()
{
    if (!g_windowsDirectoryKnown)
        ResolveWindowsDirectory();
    return g_windowsDirectory;
}

void SetWindowsDirectory(const char* folder)
{
    CopyString(g_windowsDirectory, folder);
    AppendBackslash(g_windowsDirectory);
    g_windowsDirectoryKnown = true;
}

bool WindowsFilePath(char* out, size_t size, const char* fileName)
{
    bool whole = CopyString(out, size, WindowsDirectory());
    return AppendString(out, size, fileName) && whole;
}

bool RunningUnderWow64()
{
    // Looked up: Windows before XP SP2 has no such call, and runs no 32-bit program
    // on a 64-bit system either.
    BOOL(WINAPI * isWow64)(HANDLE process, BOOL * wow64) = nullptr;
    BOOL wow64 = FALSE;
    return BindProc(GetModuleHandleA("kernel32.dll"), "IsWow64Process", isWow64) &&
           isWow64(GetCurrentProcess(), &wow64) && wow64;
}

bool NativeSystemPath(char* out, size_t size, const char* path)
{
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    const bool underSystem = length != 0 && length < sizeof system && _strnicmp(path, system, length) == 0 &&
                             path[length] == '\\';
    if (!underSystem || !RunningUnderWow64())
        return CopyString(out, size, path);
    char windows[MAX_PATH];
    UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    if (windowsLength == 0 || windowsLength >= sizeof windows)
        return CopyString(out, size, path);
    return FormatString(out, size, "%s%sSysnative%s", windows, windows[windowsLength - 1] == '\\' ? "" : "\\",
                        path + length);
}

// A character the code page lacks would reach the ANSI calls as "?".
static bool ToAnsiExactly(const wchar_t* text, char* out, size_t size)
{
    BOOL lossy = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, out, static_cast<int>(size), nullptr,
                                     &lossy);
    return length > 0 && !lossy;
}

bool AnsiPathOf(const wchar_t* path, char* out, size_t size)
{
    if (size == 0)
        return false;
    if (ToAnsiExactly(path, out, size))
        return true;
    out[0] = '\0';
    wchar_t shortPath[MAX_PATH];
    DWORD length = GetShortPathNameW(path, shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (ToAnsiExactly(shortPath, out, size))
        return true;
    out[0] = '\0';
    return false;
}
