#include "common/paths.h"

#include <windows.h>

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
