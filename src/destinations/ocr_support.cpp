// The wait for the document an OCR program writes: the program may end before its
// document is complete, or (the OCR engine) is not waited for at all.
#include <windows.h>

#include <atomic>
#include <cstring>

#include "common/handles.h"
#include "config/config.h"
#include "destinations/destinations.h"

namespace {

constexpr DWORD kDocumentWaitLimitMs = 120000;
constexpr DWORD kDocumentCheckMs = 1000;

// Written by tests before a press; read by the dispatching thread.
std::atomic<DWORD> g_documentWaitLimitMs{kDocumentWaitLimitMs};

// How far the OCR program has come with the document.
struct DocumentProgress {
    bool exists = false;
    ULONGLONG size = 0;
    bool operator==(const DocumentProgress&) const = default;
};

// How far the document has come; true once it is not empty and, where Tornel opens
// it next, no program holds it open.
bool ReadDocumentProgress(const char* path, DocumentDone done, DocumentProgress* progress)
{
    *progress = {};
    if (!FileExists(path))
        return false;
    progress->exists = true;
    UniqueFile reader(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!reader || !GetFileSizeEx(reader.get(), &size))
        return false;
    progress->size = static_cast<ULONGLONG>(size.QuadPart);
    reader.reset();
    if (progress->size == 0)
        return false;
    if (done == DocumentDone::Settled)
        return true;
    UniqueFile exclusive(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(exclusive);
}

}  // namespace

void SetOcrDocumentWaitLimitForTests(DWORD milliseconds)
{
    g_documentWaitLimitMs = milliseconds ? milliseconds : kDocumentWaitLimitMs;
}

bool WaitForDocument(const char* path, DocumentDone done)
{
    const DWORD limit = g_documentWaitLimitMs.load();
    DocumentProgress last;
    DWORD lastChange = GetTickCount();
    for (;;) {
        DocumentProgress now;
        const bool ready = ReadDocumentProgress(path, done, &now);
        // A settled document has kept its size since the last look.
        if (ready && (done == DocumentDone::Closed || now == last))
            return true;
        if (!(now == last)) {
            last = now;
            lastChange = GetTickCount();
        } else if (GetTickCount() - lastChange >= limit) {
            return false;
        }
        Sleep(kDocumentCheckMs);
    }
}
