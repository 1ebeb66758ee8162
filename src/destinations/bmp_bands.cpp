#include "destinations/bmp_bands.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kMaxColourEntries = 256;

// The widest row times a band fits easily in 32 bits: no overflow to guard at run time.
static_assert(uint64_t{(kMaxImageWidth * 24 + 31) / 32 * 4} * kBandRows < 0x7FFFFFFFu);

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | static_cast<uint32_t>(U16(p + 2)) << 16; }
int32_t S32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

void PutU16(uint8_t* p, uint16_t value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}
void PutU32(uint8_t* p, uint32_t value)
{
    PutU16(p, static_cast<uint16_t>(value));
    PutU16(p + 2, static_cast<uint16_t>(value >> 16));
}

}  // namespace

BmpCheck CheckBmpHeaders(const uint8_t* head, size_t headSize, uint64_t fileSize, BmpLayout* layout)
{
    if (headSize < kFileHeaderSize + kInfoHeaderSize || headSize > fileSize || head[0] != 'B' || head[1] != 'M')
        return BmpCheck::NotBmp;
    const uint8_t* info = head + kFileHeaderSize;
    const uint32_t headerSize = U32(info);
    if (headerSize != kInfoHeaderSize && headerSize != kV4HeaderSize && headerSize != kV5HeaderSize)
        return BmpCheck::HeaderSize;
    if (kFileHeaderSize + headerSize > headSize)
        return BmpCheck::NotBmp;

    const int32_t width = S32(info + 4);
    const int32_t height = S32(info + 8);
    const uint16_t planes = U16(info + 12);
    const uint16_t bitCount = U16(info + 14);
    const uint32_t compression = U32(info + 16);
    const uint32_t coloursUsed = U32(info + 32);
    if (planes != 1)
        return BmpCheck::HeaderSize;
    if (compression != 0)
        return BmpCheck::Compressed;
    if (bitCount != 1 && bitCount != 8 && bitCount != 24)
        return BmpCheck::BitCount;
    // A negative height is a top-down file, which no scan writes.
    if (width <= 0 || height <= 0 || static_cast<uint32_t>(width) > kMaxImageWidth ||
        static_cast<uint32_t>(height) > kMaxImageHeight)
        return BmpCheck::Size;

    uint32_t entries = 0;
    if (bitCount <= 8) {
        const uint32_t indexable = 1u << bitCount;
        if (coloursUsed > indexable)
            return BmpCheck::ColourTable;
        entries = coloursUsed ? coloursUsed : indexable;
    }
    const uint64_t tableEnd = kFileHeaderSize + headerSize + uint64_t{4} * entries;
    const uint64_t pixelOffset = U32(head + 10);
    if (pixelOffset < tableEnd || pixelOffset > fileSize)
        return BmpCheck::PixelOffset;

    const uint32_t stride = (static_cast<uint32_t>(width) * bitCount + 31) / 32 * 4;
    const uint64_t rowsInFile = std::min<uint64_t>(static_cast<uint32_t>(height), (fileSize - pixelOffset) / stride);
    if (rowsInFile == 0)
        return BmpCheck::NoRows;

    layout->width = static_cast<uint32_t>(width);
    // A scan names its resolution in pixels per metre; an absurd value names none.
    const int32_t pixelsPerMetre = S32(info + 24);
    layout->resolution = pixelsPerMetre > 0 && pixelsPerMetre < 100000 ? (pixelsPerMetre * 254 + 5000) / 10000 : 0;
    layout->height = static_cast<uint32_t>(height);
    layout->bitCount = bitCount;
    layout->headerSize = headerSize;
    layout->colourEntries = entries;
    layout->stride = stride;
    layout->pixelOffset = pixelOffset;
    layout->rowsInFile = static_cast<uint32_t>(rowsInFile);
    layout->bandRows = std::clamp(kMaxBandBytes / stride, 1u, kBandRows);
    return BmpCheck::Ok;
}

bool ComputePrintLayout(const PrinterPage& page, uint32_t width, uint32_t height, int32_t resolution,
                        PrintLayout* layout)
{
    if (page.horzRes <= 0 || page.vertRes <= 0 || page.dpiX <= 0 || page.dpiY <= 0 || resolution <= 0)
        return false;
    // Half-inch margins all round, less the printer's own border, guessed as a quarter
    // inch per side (the sheet taken as half an inch larger than the printable area).
    const int64_t marginX = int64_t{page.dpiX} * 500 / 1000;
    const int64_t marginY = int64_t{page.dpiY} * 500 / 1000;
    const int64_t borderX = page.dpiX / 2 / 2;
    const int64_t borderY = page.dpiY / 2 / 2;
    const int64_t availableWidth = page.horzRes - (2 * marginX - 2 * borderX);
    const int64_t availableHeight = page.vertRes - (2 * marginY - 2 * borderY);
    if (availableWidth <= 0 || availableHeight <= 0)
        return false;

    // Natural size in whole device units, computed exactly in integers.
    int64_t printedWidth = int64_t{width} * page.dpiX / resolution;
    int64_t printedHeight = int64_t{height} * page.dpiY / resolution;
    uint32_t sourceWidth = width;
    uint32_t sourceRows = height;
    if (printedWidth > availableWidth) {
        sourceWidth = static_cast<uint32_t>(int64_t{width} * availableWidth / printedWidth);
        printedWidth = availableWidth;
    }
    if (printedHeight > availableHeight) {
        sourceRows = static_cast<uint32_t>(int64_t{height} * availableHeight / printedHeight);
        printedHeight = availableHeight;
    }
    layout->width = static_cast<int32_t>(printedWidth);
    layout->height = static_cast<int32_t>(printedHeight);
    layout->x = static_cast<int32_t>((page.horzRes - printedWidth) / 2);
    layout->y = static_cast<int32_t>((page.vertRes - printedHeight) / 2);
    layout->sourceWidth = sourceWidth;
    layout->sourceRows = sourceRows;
    layout->dpiY = page.dpiY;
    layout->resolution = resolution;
    return true;
}

bool NextBand(const PrintLayout& layout, uint32_t bandRows, uint32_t done, Band* band)
{
    if (done >= layout.sourceRows || bandRows == 0)
        return false;
    const uint32_t rows = std::min(bandRows, layout.sourceRows - done);
    auto offsetOf = [&](uint32_t row) {
        return static_cast<int32_t>(std::min<int64_t>(int64_t{row} * layout.dpiY / layout.resolution, layout.height));
    };
    const int32_t top = offsetOf(done);
    band->firstRow = done;
    band->rows = rows;
    band->y = layout.y + top;
    band->height = offsetOf(done + rows) - top;
    return true;
}

BmpCheck BmpBandReader::Open(ReadAtFn read, void* context, uint64_t fileSize)
{
    uint8_t head[kBmpHeadSize];
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(fileSize, sizeof head));
    if (read(context, 0, head, wanted) != wanted)
        return BmpCheck::NotBmp;
    BmpLayout layout;
    BmpCheck check = CheckBmpHeaders(head, wanted, fileSize, &layout);
    if (check != BmpCheck::Ok)
        return check;

    // The colour table sits behind the file's own header, whatever its size; the
    // bands are drawn with a plain info header in front of it.
    memset(info_, 0, sizeof info_);
    const size_t tableSize = size_t{4} * layout.colourEntries;
    if (read(context, kFileHeaderSize + layout.headerSize, info_ + kInfoHeaderSize, tableSize) != tableSize)
        return BmpCheck::PixelOffset;
    PutU32(info_, kInfoHeaderSize);
    PutU32(info_ + 4, layout.width);
    PutU16(info_ + 12, 1);
    PutU16(info_ + 14, layout.bitCount);
    PutU32(info_ + 32, layout.colourEntries);

    read_ = read;
    context_ = context;
    layout_ = layout;
    return BmpCheck::Ok;
}

bool BmpBandReader::AllocateBand()
{
    band_.reset(new (std::nothrow) uint8_t[size_t{layout_.stride} * layout_.bandRows]());
    return band_ != nullptr;
}

bool BmpBandReader::ReadBand(uint32_t firstRow, uint32_t rows)
{
    if (!band_ || rows == 0 || rows > layout_.bandRows || firstRow < firstRowInFile() || firstRow > layout_.height ||
        rows > layout_.height - firstRow)
        return false;
    // Rows are stored bottom-up: the band's lowest row comes first in the file.
    const uint64_t offset = layout_.pixelOffset + uint64_t{layout_.height - firstRow - rows} * layout_.stride;
    const size_t bytes = size_t{rows} * layout_.stride;
    if (read_(context_, offset, band_.get(), bytes) != bytes)
        return false;
    PutU32(info_ + 8, rows);
    PutU32(info_ + 20, static_cast<uint32_t>(bytes));
    return true;
}
