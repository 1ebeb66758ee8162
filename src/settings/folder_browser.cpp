// The shell's folder browser for the Folder page. Apart from the page because the
// shell's header declares names the scan header uses too.
#include <windows.h>
#include <shlobj.h>

#include "common/bind_proc.h"
#include "common/handles.h"
#include "common/paths.h"
#include "common/strings.h"
#include "settings/pages.h"

namespace {

// COM is needed only while the browser is open: the COM library, and the RPC runtime
// it brings along, are loaded for it rather than at every start of the program.
struct ComApi {
    HRESULT(WINAPI* initialize)(LPVOID, DWORD);
    void(WINAPI* uninitialize)();
    void(WINAPI* freeMemory)(LPVOID);
};

bool BindCom(HMODULE module, ComApi& api)
{
    return BindProc(module, "CoInitializeEx", api.initialize) && BindProc(module, "CoUninitialize", api.uninitialize) &&
           BindProc(module, "CoTaskMemFree", api.freeMemory);
}

// Opens the browser on the folder it was asked to start from.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM startFolder)
{
    if (message == BFFM_INITIALIZED && startFolder)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, startFolder);
    return 0;
}

// The browser itself, on a thread with COM; the chosen item list is freed with api.
bool BrowseWithCom(const ComApi& api, HWND page, const char* startFolder, char (&path)[MAX_PATH],
                   char (&unnamable)[MAX_PATH])
{
    BROWSEINFOA browse = {};
    browse.hwndOwner = page;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = path;
    browse.lpszTitle = "Folder Browser";
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    browse.lpfn = BrowseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(startFolder);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    path[0] = '\0';
    if (!chosen)
        return false;
    // Read wide: a name outside the ANSI code page would come back with "?" in it.
    wchar_t widePath[MAX_PATH];
    if (SHGetPathFromIDListW(chosen, widePath) && !AnsiPathOf(widePath, path) &&
        !WideCharToMultiByte(CP_ACP, 0, widePath, -1, unnamable, MAX_PATH, nullptr, nullptr))
        CopyString(unnamable, "?");
    api.freeMemory(chosen);
    // An empty path is refused by the caller, which shows the browser again.
    if (path[0])
        AppendBackslash(path);
    return true;
}

}  // namespace

bool BrowseForFolder(HWND page, const char* startFolder, char (&path)[MAX_PATH], char (&unnamable)[MAX_PATH])
{
    path[0] = '\0';
    unnamable[0] = '\0';
    // A known DLL: Windows loads it from the system directory whatever the search path.
    UniqueModule ole(LoadLibraryA("ole32.dll"));
    ComApi api = {};
    if (!BindCom(ole.get(), api))
        return false;
    // A thread that has COM already keeps it.
    HRESULT com = api.initialize(nullptr, COINIT_APARTMENTTHREADED);
    bool chosen = BrowseWithCom(api, page, startFolder, path, unnamable);
    if (SUCCEEDED(com))
        api.uninitialize();
    return chosen;
}
