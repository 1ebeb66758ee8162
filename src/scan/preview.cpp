// The preview of the running scan: sized from the job's request, filled block by block
// on the engine's thread, and freed only once no block is being copied into it.
#include "scan/preview.h"

#include <cstring>

#include "scan/scan.h"

ScanPreview g_preview;

namespace {

constexpr size_t kPreviewHeaderSize = sizeof(BITMAPINFOHEADER);  // 40
static_assert(kPreviewHeaderSize == 40, "the preview starts with a 40-byte header");

// A preview larger than this is not allocated; the scan runs without it.
constexpr long long kPreviewSizeLimit = 512LL * 1024 * 1024;
// How long a closer waits for a block of lines being copied into the preview.
constexpr DWORD kPreviewWriterWaitMs = 2000;

constexpr int kGateOpen = 1;
constexpr int kGateWriter = 2;

// The bytes of one row as the engine sends them: whole pixels to a multiple of four
// bytes, line art in whole bytes with only rows longer than four bytes trimmed.
long long RowBytes(int type, long long pixels)
{
    if (type == kImageTypeLineArt) {
        long long rowBytes = (pixels + 7) / 8;
        return rowBytes > 4 ? rowBytes / 4 * 4 : rowBytes;
    }
    long long rowBytes = pixels / 4 * 4;
    return type == kImageTypeColour ? rowBytes * 3 : rowBytes;
}

bool WriteHeader(HGLOBAL block, int type, long long rowBytes, long long lines)
{
    LockedGlobal lock(block);
    auto* header = static_cast<BITMAPINFOHEADER*>(lock.get());
    if (!header)
        return false;
    header->biSize = kPreviewHeaderSize;
    header->biWidth = static_cast<LONG>(type == kImageTypeLineArt  ? rowBytes * 8
                                        : type == kImageTypeColour ? rowBytes / 3
                                                                   : rowBytes);
    header->biHeight = static_cast<LONG>(lines);
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(type == kImageTypeLineArt ? 1 : type == kImageTypeColour ? 24 : 8);
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(rowBytes * lines);
    return true;
}

void CopyIntoPreview(const void* data, uint32_t count)
{
    HGLOBAL block = g_preview.Image.load();
    if (!block || !data)
        return;
    uint8_t* bits = g_preview.Bits.load();
    if (!bits) {
        bits = static_cast<uint8_t*>(GlobalLock(block));
        if (!bits)
            return;
        g_preview.WritePos = kPreviewHeaderSize;
        g_preview.Bits = bits;
    }
    size_t size = g_preview.Size.load();
    size_t pos = g_preview.WritePos.load();
    if (pos >= size)
        return;
    size_t take = count < size - pos ? count : size - pos;
    memcpy(bits + pos, data, take);
    g_preview.WritePos = pos + take;
}

}  // namespace

bool OpenPreview(const void* request)
{
    ClosePreview();
    if (!request)
        return false;
    const uint8_t* job = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(ReadU32(request, kRequestJob)));
    if (!job)
        return false;
    int xres = ReadS16(job, kJobParameters + kParamXResolution);
    int yres = ReadS16(job, kJobParameters + kParamYResolution);
    int left = ReadS32(job, kJobArea), top = ReadS32(job, kJobArea + 4);
    int right = ReadS32(job, kJobArea + 8), bottom = ReadS32(job, kJobArea + 12);
    // The type alone decides the layout of the preview, whatever the bits per sample.
    int type = ReadS32(job, kJobParameters + kParamImageType);

    long long pixels = static_cast<long long>(right - left) * xres / 100;
    long long lines = static_cast<long long>(bottom - top) * yres / 100;
    long long rowBytes = RowBytes(type, pixels < 0 ? 0 : pixels);
    if (lines < 0)
        lines = 0;
    long long size = lines * rowBytes;
    if (size > kPreviewSizeLimit)
        return false;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size) + kPreviewHeaderSize));
    if (!block || !WriteHeader(block.get(), type, rowBytes, lines))
        return false;

    g_preview.Bits = nullptr;
    g_preview.WritePos = kPreviewHeaderSize;
    g_preview.Size = static_cast<size_t>(size) + kPreviewHeaderSize;
    g_preview.Image = block.release();
    g_preview.Gate.fetch_or(kGateOpen);
    return true;
}

void WritePreviewBlock(const void* data, uint32_t count)
{
    if (g_preview.Gate.fetch_add(kGateWriter) & kGateOpen)
        CopyIntoPreview(data, count);
    if (g_preview.Gate.fetch_sub(kGateWriter) == kGateWriter)
        SetEvent(g_preview.WritersLeft.get());
}

void ClosePreview()
{
    ResetEvent(g_preview.WritersLeft.get());
    const bool writing = (g_preview.Gate.fetch_and(~kGateOpen) & ~kGateOpen) != 0;
    // A writer that never leaves: better a lost block than a freed one in use.
    if (writing && WaitForSingleObject(g_preview.WritersLeft.get(), kPreviewWriterWaitMs) != WAIT_OBJECT_0)
        return;
    UniqueGlobal block(g_preview.Image.exchange(nullptr));
    uint8_t* bits = g_preview.Bits.exchange(nullptr);
    g_preview.Size = 0;
    // The engine's thread locked the block at its first block of lines.
    if (block && bits)
        GlobalUnlock(block.get());
}
