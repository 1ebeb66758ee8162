#include "test_support.h"

#include <windows.h>

#include <cstdlib>
#include <mutex>

#include "common/message_box.h"
#include "i18n/i18n.h"

std::string BuildBinFolder()
{
    const char* unixPath = getenv("TORNEL_BIN");
    if (!unixPath || !*unixPath)
        return std::string();
    std::string path = "Z:";
    for (const char* p = unixPath; *p; ++p)
        path += (*p == '/') ? '\\' : *p;
    if (path.back() != '\\')
        path += '\\';
    return path;
}

namespace {

std::mutex g_shownLock;
std::vector<std::string> g_shown;

int WINAPI RecordMessage(HWND, const char* text, const char*, UINT)
{
    std::lock_guard<std::mutex> hold(g_shownLock);
    g_shown.push_back(text ? text : "");
    return IDOK;
}

}  // namespace

ShownMessages::ShownMessages()
{
    TempFolder folder;
    std::string texts;
    for (const uint32_t* id = KeyIdList; *id != kKeyIdListEnd; ++id) {
        char key[64];
        if (LoadStringA(GetModuleHandleA(nullptr), *id, key, sizeof key) > 0)
            texts += std::string(key) + " " + key + "\n";
    }
    WriteTextFile(folder.File("keys.loc"), texts);
    LoadLocalizationFile(folder.File("keys.loc").c_str(), KeyIdList);
    Take();
    SetMessageBoxForTests(RecordMessage);
}

ShownMessages::~ShownMessages()
{
    SetMessageBoxForTests(nullptr);
    FreeLocalization();
}

std::vector<std::string> ShownMessages::Take()
{
    std::lock_guard<std::mutex> hold(g_shownLock);
    std::vector<std::string> taken;
    taken.swap(g_shown);
    return taken;
}
