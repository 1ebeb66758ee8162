#include "i18n_test_util.h"

#include "common/paths.h"
#include "i18n/i18n.h"

bool LocalizationFolder::FreeTables()
{
    FreeLocalization();
    return true;
}

LocalizationFolder::LocalizationFolder() = default;

LocalizationFolder::~LocalizationFolder() { FreeLocalization(); }

int LocalizationFolder::Load(const std::string& text, const std::string& name)
{
    WriteTextFile(File(name), text);
    return LoadLocalizationFile(File(name).c_str(), KeyIdList);
}

std::string ResourceBytes(int id, LPCSTR type)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found)
        return std::string();
    HGLOBAL loaded = LoadResource(module, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

MessageBoxWatcher::MessageBoxWatcher() { thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr); }

MessageBoxWatcher::~MessageBoxWatcher() { Finish(); }

bool MessageBoxWatcher::Finish()
{
    if (thread_) {
        WaitForSingleObject(thread_, 15000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return found_;
}

namespace {

struct Search {
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM lParam)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32];
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        GetClassNameA(window, className, sizeof className) && lstrcmpA(className, "#32770") == 0) {
        reinterpret_cast<Search*>(lParam)->box = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM lParam)
{
    char className[32];
    char text[1024];
    if (GetClassNameA(child, className, sizeof className) && lstrcmpiA(className, "Static") == 0 &&
        GetWindowTextA(child, text, sizeof text) > 0)
        *reinterpret_cast<std::string*>(lParam) += text;
    return TRUE;
}

}  // namespace

DWORD WINAPI MessageBoxWatcher::Run(void* self)
{
    auto* watcher = static_cast<MessageBoxWatcher*>(self);
    Search search;
    auto found = [&] {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        return search.box != nullptr;
    };
    if (!WaitUntil(found, 10000))
        return 0;
    char caption[256] = "";
    GetWindowTextA(search.box, caption, sizeof caption);
    watcher->caption_ = caption;
    EnumChildWindows(search.box, CollectText, reinterpret_cast<LPARAM>(&watcher->text_));
    PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    watcher->found_ = true;
    return 0;
}
