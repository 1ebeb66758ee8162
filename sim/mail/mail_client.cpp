// A mail client's Simple MAPI library, as the system's MAPI forwards MAPISendMail to
// it when it is the default client (registered under HKLM "Software\Clients\Mail\<client>",
// value DLLPath). It has no window: the message it would show for
// composing is saved as an unsent draft (MIME, attachments in base64, "X-Unsent: 1")
// in the folder "Outbox" beside the library, and every call is recorded in
// "mapi_calls.log" beside it: which library got it, which client was the default at
// that moment (the machine's and the user's), when it came (the performance counter), the flags, each attachment
// and where the draft went.
#include <windows.h>
#include <mapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/handles.h"
#include "common/strings.h"

namespace {

HMODULE g_self = nullptr;

std::string OwnFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(g_self, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return std::string();
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string OwnPath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(g_self, path, sizeof path);
    return length && length < sizeof path ? std::string(path, length) : std::string();
}

// The default mail client as the machine's key (or the user's) names it right now.
std::string DefaultClient(HKEY root = HKEY_LOCAL_MACHINE)
{
    UniqueHkey key;
    if (RegOpenKeyExA(root, "Software\\Clients\\Mail", 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return "<no key>";
    char value[256];
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return "<absent>";
    value[size] = '\0';
    return value;
}

bool WriteAll(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

const char* ContentTypeOf(const char* name)
{
    if (EndsWithNoCase(name, ".bmp"))
        return "image/bmp";
    if (EndsWithNoCase(name, ".tif") || EndsWithNoCase(name, ".tiff"))
        return "image/tiff";
    return "application/octet-stream";
}

const char* FileNameOf(const MapiFileDesc& file)
{
    if (file.lpszFileName && file.lpszFileName[0])
        return file.lpszFileName;
    const char* name = file.lpszPathName ? file.lpszPathName : "";
    for (const char* p = name; *p; ++p) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    return name;
}

// Streams a file as base64 lines of 76 characters.
bool WriteBase64(HANDLE out, const char* path)
{
    UniqueFile in(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!in)
        return false;
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    constexpr DWORD kChunk = 57 * 1024;  // whole lines of 57 bytes each
    std::vector<unsigned char> buffer(kChunk);
    std::string text;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer.data(), kChunk, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        text.clear();
        for (DWORD line = 0; line < got; line += 57) {
            DWORD end = line + 57 < got ? line + 57 : got;
            for (DWORD i = line; i < end; i += 3) {
                unsigned value = buffer[i] << 16;
                if (i + 1 < end)
                    value |= buffer[i + 1] << 8;
                if (i + 2 < end)
                    value |= buffer[i + 2];
                text += kDigits[(value >> 18) & 63];
                text += kDigits[(value >> 12) & 63];
                text += i + 1 < end ? kDigits[(value >> 6) & 63] : '=';
                text += i + 2 < end ? kDigits[value & 63] : '=';
            }
            text += "\r\n";
        }
        if (!WriteAll(out, text))
            return false;
        if (got < kChunk)
            return true;
    }
}

std::string Recipients(const MapiMessage& message, ULONG recipientClass)
{
    std::string list;
    for (ULONG i = 0; i < message.nRecipCount; ++i) {
        const MapiRecipDesc& recipient = message.lpRecips[i];
        if (recipient.ulRecipClass != recipientClass)
            continue;
        const char* address = recipient.lpszAddress ? recipient.lpszAddress : recipient.lpszName;
        if (!address)
            continue;
        if (_strnicmp(address, "SMTP:", 5) == 0)
            address += 5;
        if (!list.empty())
            list += ", ";
        list += address;
    }
    return list;
}

std::string Headers(const MapiMessage& message, const std::string& boundary)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char date[64];
    FormatString(date, "%s, %02u %s %04u %02u:%02u:%02u +0000", kDays[now.wDayOfWeek % 7], now.wDay,
                 kMonths[(now.wMonth + 11) % 12], now.wYear, now.wHour, now.wMinute, now.wSecond);
    std::string text = "X-Unsent: 1\r\nDate: ";
    text += date;
    text += "\r\n";
    std::string to = Recipients(message, MAPI_TO);
    if (!to.empty())
        text += "To: " + to + "\r\n";
    std::string cc = Recipients(message, MAPI_CC);
    if (!cc.empty())
        text += "Cc: " + cc + "\r\n";
    text += "Subject: ";
    text += message.lpszSubject ? message.lpszSubject : "";
    text += "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    text += "--" + boundary + "\r\nContent-Type: text/plain; charset=windows-1252\r\n\r\n";
    text += message.lpszNoteText ? message.lpszNoteText : "";
    text += "\r\n";
    return text;
}

// Creates a new draft file in the outbox; returns its path or an empty string.
std::string CreateDraft(UniqueFile& file)
{
    std::string outbox = OwnFolder() + "Outbox";
    CreateDirectoryA(outbox.c_str(), nullptr);
    SYSTEMTIME now;
    GetLocalTime(&now);
    for (int serial = 1; serial < 10000; ++serial) {
        char name[64];
        FormatString(name, "\\draft-%04u%02u%02u-%02u%02u%02u-%d.eml", now.wYear, now.wMonth, now.wDay, now.wHour,
                     now.wMinute, now.wSecond, serial);
        std::string path = outbox + name;
        file.reset(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        if (file)
            return path;
        if (GetLastError() != ERROR_FILE_EXISTS)
            return std::string();
    }
    return std::string();
}

ULONG SaveDraft(const MapiMessage& message, std::string* draftPath)
{
    UniqueFile draft;
    *draftPath = CreateDraft(draft);
    if (draftPath->empty())
        return MAPI_E_FAILURE;
    char boundary[64];
    FormatString(boundary, "=_draft_%lu_%lu", GetTickCount(), GetCurrentProcessId());
    if (!WriteAll(draft.get(), Headers(message, boundary)))
        return MAPI_E_FAILURE;
    for (ULONG i = 0; i < message.nFileCount; ++i) {
        const MapiFileDesc& file = message.lpFiles[i];
        const char* name = FileNameOf(file);
        std::string part = std::string("--") + boundary + "\r\nContent-Type: " + ContentTypeOf(name) + "; name=\"" +
                           name + "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; "
                           "filename=\"" + name + "\"\r\n\r\n";
        if (!WriteAll(draft.get(), part))
            return MAPI_E_FAILURE;
        if (!file.lpszPathName || !WriteBase64(draft.get(), file.lpszPathName))
            return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    }
    return WriteAll(draft.get(), std::string("--") + boundary + "--\r\n") ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

void Record(const MapiMessage* message, FLAGS flags, const std::string& draft, ULONG status, LARGE_INTEGER called)
{
    std::string line = "client=" + OwnPath() + "\tdefault=" + DefaultClient() +
                       "\tuserdefault=" + DefaultClient(HKEY_CURRENT_USER);
    char numbers[96];
    FormatString(numbers, "\tcounter=%lld\tflags=%lu\tstatus=%lu", static_cast<long long>(called.QuadPart),
                 static_cast<unsigned long>(flags), static_cast<unsigned long>(status));
    line += numbers;
    for (ULONG i = 0; message && i < message->nFileCount; ++i) {
        const char* path = message->lpFiles[i].lpszPathName;
        line += std::string("\tfile=") + (path ? path : "");
    }
    line += "\tdraft=" + draft + "\r\n";
    UniqueFile log(CreateFileA((OwnFolder() + "mapi_calls.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, 0, nullptr));
    if (log)
        WriteAll(log.get(), line);
}

}  // namespace

extern "C" ULONG WINAPI MAPISendMail(LHANDLE, ULONG_PTR, lpMapiMessage message, FLAGS flags, ULONG)
{
    LARGE_INTEGER called;
    QueryPerformanceCounter(&called);
    std::string draft;
    ULONG status = message ? SaveDraft(*message, &draft) : MAPI_E_FAILURE;
    Record(message, flags, draft, status, called);
    return status;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_self = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
