// Mail without any Simple MAPI program (the mail apps that come with Windows 10 and
// 11 have none): the page goes into an unsent draft beside it, which those apps,
// and the other mail programs, open as a new mail with the page attached.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

#include "common/handles.h"
#include "common/paths.h"
#include "common/process.h"
#include "common/strings.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

constexpr char kBoundary[] = "=_Tornel_scanned_page_=";
// Whole base64 lines of 57 bytes each, read at a time.
constexpr DWORD kLineBytes = 57;
constexpr DWORD kChunkBytes = kLineBytes * 512;

const char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool WriteAll(HANDLE file, const char* data, size_t size)
{
    DWORD written = 0;
    return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

bool WriteText(HANDLE file, const char* text) { return WriteAll(file, text, strlen(text)); }

// Base64 of up to 57 bytes with its line end; out holds at least 79 bytes.
size_t EncodeLine(const unsigned char* bytes, DWORD count, char* out)
{
    size_t length = 0;
    for (DWORD i = 0; i < count; i += 3) {
        unsigned value = bytes[i] << 16;
        if (i + 1 < count)
            value |= bytes[i + 1] << 8;
        if (i + 2 < count)
            value |= bytes[i + 2];
        out[length++] = kBase64Digits[(value >> 18) & 63];
        out[length++] = kBase64Digits[(value >> 12) & 63];
        out[length++] = i + 1 < count ? kBase64Digits[(value >> 6) & 63] : '=';
        out[length++] = i + 2 < count ? kBase64Digits[value & 63] : '=';
    }
    out[length++] = '\r';
    out[length++] = '\n';
    return length;
}

// The page as base64 lines, read in chunks so a 600 dpi page needs little memory.
bool WriteBase64File(HANDLE out, const char* path)
{
    UniqueFile in(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!in)
        return false;
    std::vector<unsigned char> chunk(kChunkBytes);
    std::vector<char> text((kChunkBytes / kLineBytes) * 80);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), chunk.data(), kChunkBytes, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        size_t length = 0;
        for (DWORD line = 0; line < got; line += kLineBytes)
            length += EncodeLine(chunk.data() + line, got - line < kLineBytes ? got - line : kLineBytes,
                                 text.data() + length);
        if (!WriteAll(out, text.data(), length))
            return false;
    }
}

bool IsPlainAscii(const char* text)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p >= 0x80 || *p < 0x20)
            return false;
    }
    return true;
}

// A header text as it may stand in a mail: as it is when plain ASCII, else encoded
// in the ANSI code page (RFC 2047).
bool EncodeHeaderText(const char* text, char (&out)[512])
{
    if (IsPlainAscii(text))
        return CopyString(out, text);
    if (!FormatString(out, "=?windows-%u?B?", GetACP()))
        return false;
    const size_t size = strlen(text);
    if (size > 200)
        return false;
    char line[80];
    for (size_t at = 0; at < size; at += kLineBytes) {
        size_t count = size - at < kLineBytes ? size - at : kLineBytes;
        size_t length = EncodeLine(reinterpret_cast<const unsigned char*>(text) + at, static_cast<DWORD>(count), line);
        line[length - 2] = '\0';  // no line end inside the header
        if (!AppendString(out, line))
            return false;
    }
    return AppendString(out, "?=");
}

const char* FileNameOf(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

const char* ContentTypeOf(const char* name)
{
    return EndsWithNoCase(name, ".bmp") ? "image/bmp" : "image/tiff";
}

bool WriteDraftHeaders(HANDLE draft, const char* fileName)
{
    char subject[256];
    GetLocalizedText(IDS_MAIL_DRAFT_SUBJECT, subject);
    char encoded[512];
    char bodyText[512];
    GetLocalizedText(IDS_MAIL_DRAFT_TEXT, bodyText);
    char head[2048];
    return EncodeHeaderText(subject, encoded) &&
           FormatString(head,
                        "X-Unsent: 1\r\nSubject: %s\r\nMIME-Version: 1.0\r\n"
                        "Content-Type: multipart/mixed; boundary=\"%s\"\r\n\r\n"
                        "--%s\r\nContent-Type: text/plain; charset=windows-%u\r\n"
                        "Content-Transfer-Encoding: 8bit\r\n\r\n%s\r\n\r\n"
                        "--%s\r\nContent-Type: %s; name=\"%s\"\r\nContent-Transfer-Encoding: base64\r\n"
                        "Content-Disposition: attachment; filename=\"%s\"\r\n\r\n",
                        encoded, kBoundary, kBoundary, GetACP(), bodyText, kBoundary, ContentTypeOf(fileName),
                        fileName, fileName) &&
           WriteText(draft, head);
}

// The draft's name: the page's, with ".eml"; a number is added while a file of that
// name exists, which is never replaced.
bool CreateDraftFile(const char* imagePath, char* draftPath, size_t size, UniqueFile* draft)
{
    char base[MAX_PATH];
    if (!CopyString(base, imagePath))
        return false;
    if (char* dot = strrchr(base, '.'); dot && !strchr(dot, '\\'))
        *dot = '\0';
    for (int number = 1; number < 100; ++number) {
        bool named = number == 1 ? FormatString(draftPath, size, "%s.eml", base)
                                 : FormatString(draftPath, size, "%s_%d.eml", base, number);
        if (!named)
            return false;
        draft->reset(CreateFileA(draftPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (*draft)
            return true;
        if (GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

// The system's program for mail files opens the draft; false when there is none.
// The handler may be reached through COM (the mail app of Windows 10 and 11 is), so
// the calling thread has COM for the call.
bool OpenWithMailProgram(const char* draftPath)
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOA open = {};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_FLAG_NO_UI;
    open.lpVerb = "open";
    open.lpFile = draftPath;
    open.nShow = SW_SHOWNORMAL;
    const bool opened = ShellExecuteExA(&open) != FALSE;
    if (SUCCEEDED(com))
        CoUninitialize();
    return opened;
}

// No program opens mail: the page's folder opens with the page selected, and one
// message says where it is.
void ShowPageToAttachByHand(const char* imagePath)
{
    char explorer[MAX_PATH];
    char arguments[MAX_PATH + 16];
    if (WindowsFilePath(explorer, "explorer.exe") && FormatString(arguments, "/select,\"%s\"", imagePath))
        StartProgram(explorer, arguments);
    ShowLocalizedMessage(IDS_MSG_MAIL_BY_HAND, nullptr, imagePath, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

bool WriteMailDraft(const char* imagePath, char* draftPath, size_t size)
{
    UniqueFile draft;
    if (!CreateDraftFile(imagePath, draftPath, size, &draft))
        return false;
    const char* fileName = FileNameOf(imagePath);
    char closing[64];
    bool whole = WriteDraftHeaders(draft.get(), fileName) && WriteBase64File(draft.get(), imagePath) &&
                 FormatString(closing, "--%s--\r\n", kBoundary) && WriteText(draft.get(), closing);
    if (!whole) {
        draft.reset();
        DeleteFileA(draftPath);  // a draft of our own, cut short
    }
    return whole;
}

int MailDraftOfPage(const char* imagePath)
{
    char draftPath[MAX_PATH];
    if (WriteMailDraft(imagePath, draftPath, sizeof draftPath) && OpenWithMailProgram(draftPath)) {
        AnnounceDestinationResult(DestinationResult::Saved, draftPath);
        return 1;
    }
    ShowPageToAttachByHand(imagePath);
    return 0;
}
