#include "recognise.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "common/handles.h"
#include "common/strings.h"

namespace {

constexpr char kTesseract[] = "Z:\\usr\\bin\\tesseract";
constexpr char kShell[] = "Z:\\bin\\sh";
// A page takes Tesseract a few seconds; past this it is given up.
constexpr DWORD kRecognitionLimitMs = 120000;
constexpr DWORD kCheckMs = 100;

using UnixPathFunction = char*(CDECL*)(const wchar_t*);

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool IsTiff(const char* path)
{
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    unsigned char magic[4] = {};
    DWORD read = 0;
    if (!file || !ReadFile(file.get(), magic, sizeof magic, &read, nullptr) || read != sizeof magic)
        return false;
    return memcmp(magic, "II*\0", 4) == 0 || memcmp(magic, "MM\0*", 4) == 0;
}

std::string ReadWholeFile(const std::string& path)
{
    std::string content;
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!file)
        return content;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), block, sizeof block, &read, nullptr) && read > 0)
        content.append(block, read);
    return content;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// Tesseract's text: lines ended by LF, the page ended by a form feed.
std::vector<std::wstring> SplitLines(const std::string& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\f' || line.back() == ' '))
            line.pop_back();
        lines.push_back(FromUtf8(line));
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

// A name for the recognition's files in the temporary folder, unique to this run.
std::string TemporaryBase()
{
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return {};
    char name[64];
    FormatString(name, "ocrpage_%lu_%lu", GetCurrentProcessId(), GetTickCount());
    return std::string(folder) + name;
}

// Waits for the shell's status file; the status, or -1 when it never came.
int WaitForStatus(const std::string& statusPath)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kRecognitionLimitMs) {
        std::string status = ReadWholeFile(statusPath);
        if (!status.empty() && status.back() == '\n')
            return atoi(status.c_str());
        Sleep(kCheckMs);
    }
    return -1;
}

}  // namespace

std::string UnixPath(const char* windowsPath)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
    if (!proc)
        return {};
    auto convert = reinterpret_cast<UnixPathFunction>(reinterpret_cast<void*>(proc));
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath, -1, wide, MAX_PATH))
        return {};
    char* unixPath = convert(wide);
    if (!unixPath)
        return {};
    std::string result(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

RecognisedPage RecognisePage(const char* imagePath)
{
    RecognisedPage page;
    if (!Exists(kTesseract) || !Exists(kShell)) {
        page.outcome = Recognition::NoEngine;
        return page;
    }
    const std::string base = TemporaryBase();
    const std::string unixImage = UnixPath(imagePath);
    const std::string unixBase = base.empty() ? std::string() : UnixPath(base.c_str());
    if (unixBase.empty()) {
        page.outcome = Recognition::NoEngine;  // not inside Wine
        return page;
    }
    // The paths go to the shell in single quotes; one that holds a quote is not read.
    if (!IsTiff(imagePath) || unixImage.empty() || unixImage.find_first_of("'\"") != std::string::npos ||
        unixBase.find_first_of("'\"") != std::string::npos)
        return page;

    std::string command = std::string(kShell) + " -c \"/usr/bin/tesseract '" + unixImage + "' '" + unixBase +
                          "' -l eng >/dev/null 2>&1; echo $? >'" + unixBase + ".status'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        page.outcome = Recognition::NoEngine;
        return page;
    }
    // The handle of a Unix process cannot be waited on: the status file says when it ended.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const int status = WaitForStatus(base + ".status");
    const std::string text = ReadWholeFile(base + ".txt");
    DeleteFileA((base + ".status").c_str());
    DeleteFileA((base + ".txt").c_str());
    if (status == 0) {
        page.outcome = Recognition::Done;
        page.lines = SplitLines(text);
    }
    return page;
}

std::vector<std::wstring> DocumentText(const RecognisedPage& page)
{
    switch (page.outcome) {
    case Recognition::Done:
        if (!page.lines.empty())
            return page.lines;
        return {L"No text was found on the page."};
    case Recognition::NoEngine:
        return {L"No OCR engine is installed: the page could not be recognised."};
    case Recognition::Failed:
        break;
    }
    return {L"The page could not be recognised."};
}
