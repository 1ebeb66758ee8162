#include "image_file.h"

#include <cstring>

#include "common/strings.h"
#include "scan/engine_abi.h"

namespace {

constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kBmpInfoHeaderSize = 40;

constexpr uint16_t kTiffShort = 3;
constexpr uint16_t kTiffLong = 4;
constexpr uint16_t kTiffRational = 5;
constexpr int kTiffEntryCount = 13;

uint32_t PixelsPerMetre(int dpi) { return static_cast<uint32_t>((dpi * 10000 + 127) / 254); }

int BitCount(int imageType)
{
    if (imageType == kImageTypeColour)
        return 24;
    return imageType == kImageTypeGrey ? 8 : 1;
}

uint32_t PaletteEntries(int imageType)
{
    if (imageType == kImageTypeColour)
        return 0;
    return imageType == kImageTypeGrey ? 256 : 2;
}

void AppendU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value)
{
    AppendU16(out, static_cast<uint16_t>(value));
    AppendU16(out, static_cast<uint16_t>(value >> 16));
}

int StripCount(const ScanGeometry& g, int rowsPerStrip) { return (g.lines + rowsPerStrip - 1) / rowsPerStrip; }

// One directory entry; a value of up to four bytes sits in the entry itself.
void AppendTiffEntry(std::vector<uint8_t>& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value)
{
    AppendU16(out, tag);
    AppendU16(out, type);
    AppendU32(out, count);
    if (type == kTiffShort && count == 1) {
        AppendU16(out, static_cast<uint16_t>(value));
        AppendU16(out, 0);
    } else {
        AppendU32(out, value);
    }
}

}  // namespace

std::vector<uint8_t> BuildBmpHeaders(const ScanGeometry& g)
{
    uint32_t paletteEntries = PaletteEntries(g.imageType);
    uint32_t dataOffset = static_cast<uint32_t>(kBmpFileHeaderSize + kBmpInfoHeaderSize + paletteEntries * 4);
    uint32_t imageSize = static_cast<uint32_t>(BmpRowBytes(g.imageType, g.pixels) * static_cast<size_t>(g.lines));

    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    AppendU32(out, dataOffset + imageSize);
    AppendU32(out, 0);
    AppendU32(out, dataOffset);

    AppendU32(out, kBmpInfoHeaderSize);
    AppendU32(out, static_cast<uint32_t>(g.pixels));
    AppendU32(out, static_cast<uint32_t>(g.lines));  // positive: bottom-up rows
    AppendU16(out, 1);
    AppendU16(out, static_cast<uint16_t>(BitCount(g.imageType)));
    AppendU32(out, 0);  // BI_RGB
    AppendU32(out, imageSize);
    AppendU32(out, PixelsPerMetre(g.xResolution));
    AppendU32(out, PixelsPerMetre(g.yResolution));
    AppendU32(out, paletteEntries);
    AppendU32(out, 0);

    // Grey: entry i is grey level i. Line art: 0 black, 1 white, as the bits are packed.
    for (uint32_t i = 0; i < paletteEntries; ++i) {
        uint8_t level = static_cast<uint8_t>(paletteEntries == 2 ? i * 255 : i);
        out.push_back(level);
        out.push_back(level);
        out.push_back(level);
        out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> BuildTiffHeaders(const ScanGeometry& g, int rowsPerStrip)
{
    const bool colour = g.imageType == kImageTypeColour;
    const uint32_t strips = static_cast<uint32_t>(StripCount(g, rowsPerStrip));
    const uint32_t rowBytes = static_cast<uint32_t>(PackedRowBytes(g.imageType, g.pixels));

    // Layout: 8-byte header, the directory, then the out-of-line values, then pixels.
    const uint32_t directoryOffset = 8;
    const uint32_t directorySize = 2 + kTiffEntryCount * 12 + 4;
    uint32_t next = directoryOffset + directorySize;
    const uint32_t bitsOffset = next;
    if (colour)
        next += 6;
    const uint32_t xResOffset = next;
    const uint32_t yResOffset = next + 8;
    next += 16;
    const uint32_t stripOffsetsOffset = next;
    const uint32_t stripCountsOffset = next + (strips > 1 ? strips * 4 : 0);
    if (strips > 1)
        next += strips * 8;
    const uint32_t dataOffset = next;

    std::vector<uint8_t> out;
    out.push_back('I');
    out.push_back('I');
    AppendU16(out, 42);
    AppendU32(out, directoryOffset);

    AppendU16(out, kTiffEntryCount);
    AppendTiffEntry(out, 256, kTiffLong, 1, static_cast<uint32_t>(g.pixels));  // ImageWidth
    AppendTiffEntry(out, 257, kTiffLong, 1, static_cast<uint32_t>(g.lines));   // ImageLength
    if (colour)
        AppendTiffEntry(out, 258, kTiffShort, 3, bitsOffset);  // BitsPerSample
    else
        AppendTiffEntry(out, 258, kTiffShort, 1, g.imageType == kImageTypeGrey ? 8 : 1);
    AppendTiffEntry(out, 259, kTiffShort, 1, 1);  // Compression: none
    // PhotometricInterpretation: RGB, or BlackIsZero for grey and line art alike,
    // so a line-art 1 bit is white in the file as in the preview.
    AppendTiffEntry(out, 262, kTiffShort, 1, colour ? 2 : 1);
    AppendTiffEntry(out, 273, kTiffLong, strips, strips > 1 ? stripOffsetsOffset : dataOffset);  // StripOffsets
    AppendTiffEntry(out, 277, kTiffShort, 1, colour ? 3 : 1);  // SamplesPerPixel
    AppendTiffEntry(out, 278, kTiffLong, 1, static_cast<uint32_t>(rowsPerStrip));  // RowsPerStrip
    AppendTiffEntry(out, 279, kTiffLong, strips,
                    strips > 1 ? stripCountsOffset : rowBytes * static_cast<uint32_t>(g.lines));  // StripByteCounts
    AppendTiffEntry(out, 282, kTiffRational, 1, xResOffset);  // XResolution
    AppendTiffEntry(out, 283, kTiffRational, 1, yResOffset);  // YResolution
    AppendTiffEntry(out, 284, kTiffShort, 1, 1);              // PlanarConfiguration: chunky
    AppendTiffEntry(out, 296, kTiffShort, 1, 2);              // ResolutionUnit: inch
    AppendU32(out, 0);                                        // no further directory

    if (colour) {
        AppendU16(out, 8);
        AppendU16(out, 8);
        AppendU16(out, 8);
    }
    AppendU32(out, static_cast<uint32_t>(g.xResolution));
    AppendU32(out, 1);
    AppendU32(out, static_cast<uint32_t>(g.yResolution));
    AppendU32(out, 1);
    if (strips > 1) {
        for (uint32_t i = 0; i < strips; ++i)
            AppendU32(out, dataOffset + i * static_cast<uint32_t>(rowsPerStrip) * rowBytes);
        for (uint32_t i = 0; i < strips; ++i) {
            uint32_t rows = static_cast<uint32_t>(g.lines) - i * static_cast<uint32_t>(rowsPerStrip);
            if (rows > static_cast<uint32_t>(rowsPerStrip))
                rows = static_cast<uint32_t>(rowsPerStrip);
            AppendU32(out, rows * rowBytes);
        }
    }
    return out;
}

bool ImageFileWriter::Open(const char* path, int format, const ScanGeometry& geometry, int bandLines)
{
    Abort();
    if (!CopyString(path_, path))
        return false;
    format_ = format;
    geometry_ = geometry;
    bandLines_ = bandLines;
    packedRowBytes_ = PackedRowBytes(geometry.imageType, geometry.pixels);
    fileRowBytes_ = format == kOutputFormatBmp ? BmpRowBytes(geometry.imageType, geometry.pixels) : packedRowBytes_;
    band_.assign(fileRowBytes_ * static_cast<size_t>(bandLines), 0);

    std::vector<uint8_t> headers =
        format == kOutputFormatBmp ? BuildBmpHeaders(geometry) : BuildTiffHeaders(geometry, bandLines);
    dataOffset_ = headers.size();

    file_.reset(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_)
        return false;
    if (!WriteAt(0, headers.data(), headers.size())) {
        Abort();
        return false;
    }
    return true;
}

bool ImageFileWriter::WriteAt(uint64_t offset, const void* data, size_t size)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN))
        return false;
    DWORD written = 0;
    return WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

bool ImageFileWriter::WriteBand(int firstLine, int count, const uint8_t* rows)
{
    if (!file_ || count < 1 || count > bandLines_ || firstLine < 0 || firstLine + count > geometry_.lines)
        return false;
    return format_ == kOutputFormatBmp ? WriteBmpBand(firstLine, count, rows) : WriteTiffBand(firstLine, count, rows);
}

// BMP rows run bottom-up: the band's lines land, in reverse order, in one run of
// the file that ends where the line above the band begins.
bool ImageFileWriter::WriteBmpBand(int firstLine, int count, const uint8_t* rows)
{
    for (int i = 0; i < count; ++i) {
        uint8_t* target = band_.data() + static_cast<size_t>(count - 1 - i) * fileRowBytes_;
        memcpy(target, rows + static_cast<size_t>(i) * packedRowBytes_, packedRowBytes_);
        memset(target + packedRowBytes_, 0, fileRowBytes_ - packedRowBytes_);
    }
    uint64_t firstFileRow = static_cast<uint64_t>(geometry_.lines - firstLine - count);
    return WriteAt(dataOffset_ + firstFileRow * fileRowBytes_, band_.data(), fileRowBytes_ * static_cast<size_t>(count));
}

// TIFF rows run top-down, colour samples in red, green, blue order.
bool ImageFileWriter::WriteTiffBand(int firstLine, int count, const uint8_t* rows)
{
    size_t size = packedRowBytes_ * static_cast<size_t>(count);
    memcpy(band_.data(), rows, size);
    if (geometry_.imageType == kImageTypeColour) {
        for (size_t i = 0; i + 2 < size; i += 3) {
            uint8_t blue = band_[i];
            band_[i] = band_[i + 2];
            band_[i + 2] = blue;
        }
    }
    return WriteAt(dataOffset_ + static_cast<uint64_t>(firstLine) * packedRowBytes_, band_.data(), size);
}

bool ImageFileWriter::Finish()
{
    if (!file_)
        return false;
    // Every write was checked as it went; closing completes the file.
    file_.reset();
    return true;
}

void ImageFileWriter::Abort()
{
    if (!file_)
        return;
    file_.reset();
    DeleteFileA(path_);
}
