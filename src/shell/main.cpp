#include <windows.h>

#include "shell/launch.h"

namespace {

// Libraries are found without the current directory, which a launch does not choose
// (a document folder, a download folder). Looked up at run time: the first releases
// of Windows XP have no such function.
void RemoveCurrentDirectoryFromDllSearch()
{
    using SetDllDirectoryProc = BOOL(WINAPI*)(LPCSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDllDirectory =
        kernel ? reinterpret_cast<SetDllDirectoryProc>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")))
               : nullptr;
    if (setDllDirectory)
        setDllDirectory("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    RemoveCurrentDirectoryFromDllSearch();
    return RunTornel(instance, commandLine);
}
