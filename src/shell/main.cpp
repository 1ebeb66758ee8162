#include <windows.h>

#include "common/bind_proc.h"
#include "shell/launch.h"

namespace {

// Libraries are found without the current directory, which a launch does not choose
// (a document folder, a download folder). Looked up at run time: the first releases
// of Windows XP have no such function.
void RemoveCurrentDirectoryFromDllSearch()
{
    BOOL(WINAPI * setDllDirectory)(LPCSTR path) = nullptr;
    if (BindProc(GetModuleHandleA("kernel32.dll"), "SetDllDirectoryA", setDllDirectory))
        setDllDirectory("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    RemoveCurrentDirectoryFromDllSearch();
    return RunTornel(instance, commandLine);
}
