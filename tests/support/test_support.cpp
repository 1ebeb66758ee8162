#include "test_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "common/message_box.h"
#include "i18n/i18n.h"

static void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = folder + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full + "\\");
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

TempFolder::TempFolder()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%stornel_test_%lu_%u\\", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void WriteTextFile(const std::string& path, const std::string& text)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return;
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

std::string ReadTextFile(const std::string& path)
{
    std::string text;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return text;
}

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
