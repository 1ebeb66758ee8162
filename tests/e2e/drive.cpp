// Drives Tornel's windows from outside for the end-to-end tests, the way a user's
// clicks would reach them: find windows, send and post messages, read texts.
//   drive find CLASS TITLE [TIMEOUT_MS] [--visible]   prints the window (hex); '-' = any
//   drive gone CLASS TITLE TIMEOUT_MS                  waits until no such window exists
//   drive send HWND MSG WPARAM LPARAM [TIMEOUT_MS]     SendMessageTimeout, prints the result
//   drive post HWND MSG WPARAM LPARAM
//   drive click DIALOG CONTROL_ID                      posts BN_CLICKED from the control
//   drive press DIALOG CONTROL_ID                      posts a left button press to the control itself
//   drive text HWND [CONTROL_ID]                       prints the window text
//   drive enabled DIALOG CONTROL_ID                    prints 1 or 0
//   drive list                                         prints every top-level window
//   drive count CLASS TITLE [--visible]                prints how many such top-level windows exist
//   drive keys HWND KEY...                             posts a key press (down, up) per KEY: home,
//                                                      end, up, down, right, return, escape or a number
//   drive icon HWND ID                                 exit 0 when the window's notification icon
//                                                      exists (NIM_MODIFY without changes succeeds)
//   drive icon-delete HWND ID                          removes the window's notification icon
//   drive register NAME                                prints the number of a registered message
//   drive page DIALOG CONTROL_ID                       prints the child dialog (page) holding the control
//   drive tab DIALOG CONTROL_ID INDEX                  selects a tab as a click would (TCM_SETCURFOCUS)
//   drive combo DIALOG CONTROL_ID                      prints the selected position, then one entry a line
//   drive select DIALOG CONTROL_ID INDEX               selects an entry and tells the dialog (CBN_SELCHANGE)
//   drive settext DIALOG CONTROL_ID TEXT               sets a control's text
//   drive visible DIALOG CONTROL_ID                    prints 1 or 0
// Numbers may be decimal or 0x-hex. Exit 0 on success, 1 when the window is not there
// or the call failed, 2 on a usage error.
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

unsigned long Number(const char* text) { return strtoul(text, nullptr, 0); }

HWND WindowArg(const char* text) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(Number(text))); }

const char* NameArg(const char* text) { return strcmp(text, "-") == 0 ? nullptr : text; }

HWND FindTopWindow(const char* className, const char* title, bool visibleOnly)
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, className, title)) != nullptr) {
        if (!visibleOnly || IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

int Find(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    DWORD timeout = argc > 4 && argv[4][0] != '-' ? Number(argv[4]) : 0;
    bool visible = strcmp(argv[argc - 1], "--visible") == 0;
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindTopWindow(NameArg(argv[2]), NameArg(argv[3]), visible);
        if (window) {
            printf("0x%lx\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)));
            return 0;
        }
        if (GetTickCount() - start >= timeout)
            return 1;
        Sleep(20);
    }
}

int Gone(int argc, char** argv)
{
    if (argc < 5)
        return 2;
    DWORD timeout = Number(argv[4]);
    DWORD start = GetTickCount();
    while (FindTopWindow(NameArg(argv[2]), NameArg(argv[3]), false)) {
        if (GetTickCount() - start >= timeout)
            return 1;
        Sleep(20);
    }
    return 0;
}

int Send(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    DWORD timeout = argc > 6 ? Number(argv[6]) : 5000;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(WindowArg(argv[2]), Number(argv[3]), Number(argv[4]), Number(argv[5]),
                             SMTO_ABORTIFHUNG, timeout, &result))
        return 1;
    printf("%lu\n", static_cast<unsigned long>(result));
    return 0;
}

int Post(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    return PostMessageA(WindowArg(argv[2]), Number(argv[3]), Number(argv[4]), Number(argv[5])) ? 0 : 1;
}

int Click(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    HWND dialog = WindowArg(argv[2]);
    int id = static_cast<int>(Number(argv[3]));
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return 1;
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control)) ? 0 : 1;
}

// What a mouse click delivers to the control's own window first.
int Press(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    HWND control = GetDlgItem(WindowArg(argv[2]), static_cast<int>(Number(argv[3])));
    if (!control)
        return 1;
    if (!PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)))
        return 1;
    return PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)) ? 0 : 1;
}

int Text(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    HWND window = WindowArg(argv[2]);
    if (argc > 3)
        window = GetDlgItem(window, static_cast<int>(Number(argv[3])));
    if (!window)
        return 1;
    char text[4096] = "";
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             5000, &result))
        return 1;
    printf("%s\n", text);
    return 0;
}

int Enabled(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    HWND control = GetDlgItem(WindowArg(argv[2]), static_cast<int>(Number(argv[3])));
    if (!control)
        return 1;
    printf("%d\n", IsWindowEnabled(control) ? 1 : 0);
    return 0;
}

int List(int, char**)
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, nullptr)) != nullptr) {
        char className[256] = "", title[256] = "";
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, title, sizeof title);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        printf("0x%lx pid %lu visible %d class \"%s\" title \"%s\"\n",
               static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)), process,
               IsWindowVisible(window) ? 1 : 0, className, title);
    }
    return 0;
}

int Count(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    bool visibleOnly = argc > 4 && strcmp(argv[4], "--visible") == 0;
    int count = 0;
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, NameArg(argv[2]), NameArg(argv[3]))) != nullptr) {
        if (!visibleOnly || IsWindowVisible(window))
            ++count;
    }
    printf("%d\n", count);
    return 0;
}

UINT KeyArg(const char* text)
{
    const struct {
        const char* name;
        UINT key;
    } kKeys[] = {
        {"home", VK_HOME}, {"end", VK_END}, {"up", VK_UP}, {"down", VK_DOWN}, {"right", VK_RIGHT},
        {"return", VK_RETURN}, {"escape", VK_ESCAPE},
    };
    for (const auto& key : kKeys) {
        if (strcmp(text, key.name) == 0)
            return key.key;
    }
    return static_cast<UINT>(Number(text));
}

// A menu's modal loop takes its keys from the queue of the thread that shows it,
// so keys posted to the menu window reach it as the user's would.
int Keys(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    HWND window = WindowArg(argv[2]);
    for (int i = 3; i < argc; ++i) {
        UINT key = KeyArg(argv[i]);
        if (!PostMessageA(window, WM_KEYDOWN, key, 1))
            return 1;
        // The key that closes a menu may take its window with it before the release.
        PostMessageA(window, WM_KEYUP, key, 0xC0000001);
        Sleep(50);
    }
    return 0;
}

NOTIFYICONDATAA IconOf(char** argv)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof data;
    data.hWnd = WindowArg(argv[2]);
    data.uID = static_cast<UINT>(Number(argv[3]));
    return data;
}

// The shell's tray answers a change of an icon it does not know with failure.
int Icon(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    NOTIFYICONDATAA data = IconOf(argv);
    return Shell_NotifyIconA(NIM_MODIFY, &data) ? 0 : 1;
}

int IconDelete(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    NOTIFYICONDATAA data = IconOf(argv);
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
}

int Register(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    UINT message = RegisterWindowMessageA(argv[2]);
    if (message == 0)
        return 1;
    printf("%u\n", message);
    return 0;
}

HWND DialogItem(char** argv) { return GetDlgItem(WindowArg(argv[2]), static_cast<int>(Number(argv[3]))); }

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindControl(HWND window, LPARAM search)
{
    auto* wanted = reinterpret_cast<ControlSearch*>(search);
    if (GetDlgCtrlID(window) != wanted->id || !IsWindowVisible(GetParent(window)))
        return TRUE;
    wanted->found = window;
    return FALSE;
}

// The pages are child dialogs; the one asked for is the visible parent of the control.
int Page(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    ControlSearch search = {static_cast<int>(Number(argv[3])), nullptr};
    EnumChildWindows(WindowArg(argv[2]), FindControl, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        return 1;
    printf("0x%lx\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(GetParent(search.found))));
    return 0;
}

int Tab(int argc, char** argv)
{
    if (argc < 5)
        return 2;
    HWND tabs = DialogItem(argv);
    if (!tabs)
        return 1;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(tabs, TCM_SETCURFOCUS, Number(argv[4]), 0, SMTO_ABORTIFHUNG, 5000, &result) ? 0 : 1;
}

int Combo(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    HWND combo = DialogItem(argv);
    if (!combo)
        return 1;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    printf("%ld\n", static_cast<long>(SendMessageA(combo, CB_GETCURSEL, 0, 0)));
    // Wine hands an ANSI caller the entries of another process's list in UTF-16;
    // asked in UTF-16 they arrive whole.
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[1024] = L"";
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        char text[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        printf("%s\n", text);
    }
    return 0;
}

int Select(int argc, char** argv)
{
    if (argc < 5)
        return 2;
    HWND dialog = WindowArg(argv[2]);
    int id = static_cast<int>(Number(argv[3]));
    HWND combo = GetDlgItem(dialog, id);
    if (!combo)
        return 1;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(atoi(argv[4])), 0);
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo),
                               SMTO_ABORTIFHUNG, 5000, &result)
               ? 0
               : 1;
}

int SetText(int argc, char** argv)
{
    if (argc < 5)
        return 2;
    HWND control = DialogItem(argv);
    return control && SetWindowTextA(control, argv[4]) ? 0 : 1;
}

int Visible(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    HWND control = DialogItem(argv);
    if (!control)
        return 1;
    printf("%d\n", IsWindowVisible(control) ? 1 : 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: drive find|gone|send|post|click|press|text|enabled|list|count|keys|icon|icon-delete|register|page|tab|combo|select|settext|visible ...\n");
        return 2;
    }
    const struct {
        const char* name;
        int (*run)(int, char**);
    } kCommands[] = {
        {"find", Find}, {"gone", Gone}, {"send", Send}, {"post", Post},
        {"click", Click}, {"press", Press}, {"text", Text}, {"enabled", Enabled}, {"list", List},
        {"count", Count}, {"keys", Keys}, {"icon", Icon}, {"icon-delete", IconDelete},
        {"register", Register}, {"page", Page}, {"tab", Tab}, {"combo", Combo}, {"select", Select},
        {"settext", SetText}, {"visible", Visible}
    };
    for (const auto& command : kCommands) {
        if (strcmp(argv[1], command.name) == 0) {
            int status = command.run(argc, argv);
            if (status == 2)
                fprintf(stderr, "drive %s: missing arguments\n", argv[1]);
            return status;
        }
    }
    fprintf(stderr, "drive: unknown command %s\n", argv[1]);
    return 2;
}
