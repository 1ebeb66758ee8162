// The shell's folder browser for the Folder page. Apart from the page because the
// shell's header declares names the scan header uses too.
#include <windows.h>
#include <shlobj.h>

#include "common/paths.h"
#include "common/strings.h"
#include "settings/pages.h"

namespace {

// Opens the browser on the folder it was asked to start from.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM startFolder)
{
    if (message == BFFM_INITIALIZED && startFolder)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, startFolder);
    return 0;
}

}  // namespace

bool BrowseForFolder(HWND page, const char* startFolder, char (&path)[MAX_PATH], char (&unnamable)[MAX_PATH])
{
    unnamable[0] = '\0';
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
    CoTaskMemFree(chosen);
    // An empty path is refused by the caller, which shows the browser again.
    if (path[0])
        AppendBackslash(path);
    return true;
}

