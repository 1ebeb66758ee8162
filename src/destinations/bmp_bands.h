// The pure half of printing a copy: checking a BMP file's headers before anything is
// allocated, laying the image out on the page at its natural size, and reading it in
// bands of at most 100 rows, top first. No Windows headers: it builds natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The widest and tallest image a scan can give: a legal-size bed at 600 dpi.
constexpr uint32_t kMaxImageWidth = 8500 * 600 / 1000;
constexpr uint32_t kMaxImageHeight = 14000 * 600 / 1000;
constexpr uint32_t kBandRows = 100;
// Wide rows make fewer rows per band: the printer driver holds a few copies of each
// band while it turns it into its own language, so a band stays within this size.
constexpr uint32_t kMaxBandBytes = 1u << 20;
// A BITMAPINFOHEADER: the header every band is drawn with, whatever the file had.
constexpr size_t kInfoHeaderSize = 40;

enum class BmpCheck {
    Ok,
    NotBmp,         // no "BM", or shorter than its headers
    HeaderSize,     // neither BITMAPINFOHEADER nor a V4 or V5 header
    Compressed,     // anything but uncompressed rows
    BitCount,       // not 1, 8 or 24 bits per pixel
    Size,           // width or height not positive or beyond the bed
    ColourTable,    // more colours than the bits can index
    PixelOffset,    // pixel data not behind the colour table or not within the file
    NoRows,         // not one whole row in the file
};

// What printing needs of a checked file.
struct BmpLayout {
    uint32_t width = 0;
    uint32_t height = 0;          // rows the header claims, stored bottom-up
    uint16_t bitCount = 0;
    uint32_t headerSize = 0;      // as in the file: 40, 108 or 124
    uint32_t colourEntries = 0;   // entries of the colour table
    uint32_t stride = 0;          // bytes per row, padded to 4
    uint64_t pixelOffset = 0;     // from the file header, checked
    uint32_t rowsInFile = 0;      // whole rows present: the bottom ones of a short file
    uint32_t bandRows = 0;        // rows per band: 100, fewer for rows wider than 10 KB
    int32_t resolution = 0;       // dots per inch from the horizontal pixels per metre; 0: none named
};

// Bytes a reader needs from the start of the file to check it (file header and the
// largest info header).
constexpr size_t kBmpHeadSize = 14 + 124;

// Checks the first bytes of a file of fileSize bytes (head holds min(fileSize,
// kBmpHeadSize) of them) and fills layout.
BmpCheck CheckBmpHeaders(const uint8_t* head, size_t headSize, uint64_t fileSize, BmpLayout* layout);

// ---- Page layout ----------------------------------------------------------------

// A printer's page in device units: printable width and height, units per inch.
struct PrinterPage {
    int32_t horzRes = 0;
    int32_t vertRes = 0;
    int32_t dpiX = 0;
    int32_t dpiY = 0;
};

// Where the image goes: at its natural size, centred on the printable area, cut at
// the right and the bottom (never shrunk) when it does not fit within the margins.
struct PrintLayout {
    int32_t x = 0, y = 0;          // top left on the page
    int32_t width = 0;             // printed width
    int32_t height = 0;            // printed height
    uint32_t sourceWidth = 0;      // image columns printed, from the left
    uint32_t sourceRows = 0;       // image rows printed, from the top
    int32_t dpiY = 0;              // device units per inch, down the page
    int32_t resolution = 0;        // image rows per inch
};

// False when the printer reports a zero size or resolution, or leaves no room.
bool ComputePrintLayout(const PrinterPage& page, uint32_t width, uint32_t height, int32_t resolution,
                        PrintLayout* layout);

// One band of rows, counted from the top of the image.
struct Band {
    uint32_t firstRow = 0;
    uint32_t rows = 0;
    int32_t y = 0;        // top on the page
    int32_t height = 0;   // on the page
};

// The band that starts at row done: at most bandRows rows and no more than are left
// to print. Its place comes from the row count, so truncation does not add up along
// the page. False when no rows are left.
bool NextBand(const PrintLayout& layout, uint32_t bandRows, uint32_t done, Band* band);

// ---- Reading bands ----------------------------------------------------------------

// Reads up to size bytes at offset; returns how many it read.
using ReadAtFn = size_t (*)(void* context, uint64_t offset, void* buffer, size_t size);

// Reads a BMP file in bands through a reader function: one buffer of a band's rows
// and the header with its colour table, never the whole image.
class BmpBandReader {
public:
    // Checks the headers and reads the colour table; allocates nothing on failure.
    BmpCheck Open(ReadAtFn read, void* context, uint64_t fileSize);
    // Allocates the band buffer; false when there is no memory for it.
    bool AllocateBand();
    const BmpLayout& layout() const { return layout_; }
    // The first row from the top that the file holds (a short file lacks the top).
    uint32_t firstRowInFile() const { return layout_.height - layout_.rowsInFile; }

    // Reads rows [firstRow, firstRow + rows) from the top into the band buffer and sets
    // the info header's height and image size to the band. False on a short read or
    // rows outside the file.
    bool ReadBand(uint32_t firstRow, uint32_t rows);
    // A BITMAPINFOHEADER with the colour table behind it, for the band just read.
    const uint8_t* info() const { return info_; }
    const uint8_t* bits() const { return band_.get(); }

private:
    ReadAtFn read_ = nullptr;
    void* context_ = nullptr;
    BmpLayout layout_;
    uint8_t info_[kInfoHeaderSize + 4 * 256] = {};
    std::unique_ptr<uint8_t[]> band_;
};
