// The file a scan writes: a Windows BMP (format 3) or an uncompressed baseline
// TIFF (format 8), written band by band at the named path so memory stays small.
// A scan that does not finish deletes what it wrote: the path then holds either
// nothing or a complete file.
#pragma once

#include <cstdint>
#include <vector>

#include "common/handles.h"
#include "scan_geometry.h"

class ImageFileWriter {
public:
    ImageFileWriter() = default;
    ~ImageFileWriter() { Abort(); }
    ImageFileWriter(const ImageFileWriter&) = delete;
    ImageFileWriter& operator=(const ImageFileWriter&) = delete;

    // Creates the file and writes its headers; rows come in bands of bandLines
    // (the last band may be shorter). Returns false when the file cannot be written.
    bool Open(const char* path, int format, const ScanGeometry& geometry, int bandLines);

    // Writes lines [firstLine, firstLine + count) given top line first, each row
    // packed (PackedRowBytes) with colour in blue, green, red order.
    bool WriteBand(int firstLine, int count, const uint8_t* rows);

    // Closes a complete file; false when none is open.
    bool Finish();

    // Closes and deletes an unfinished file; nothing when none is open.
    void Abort();

private:
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    bool WriteBmpBand(int firstLine, int count, const uint8_t* rows);
    bool WriteTiffBand(int firstLine, int count, const uint8_t* rows);

    UniqueFile file_;
    char path_[260] = {};
    int format_ = 0;
    ScanGeometry geometry_;
    int bandLines_ = 0;
    uint64_t dataOffset_ = 0;  // first pixel byte in the file
    size_t packedRowBytes_ = 0;
    size_t fileRowBytes_ = 0;
    std::vector<uint8_t> band_;  // one band in file layout
};

// The headers alone, for the writer and for checks: a BMP's file and info headers
// with its palette; a TIFF's header, directory and the values the directory points
// at, laid out so that the pixel data starts right behind them.
std::vector<uint8_t> BuildBmpHeaders(const ScanGeometry& geometry);
std::vector<uint8_t> BuildTiffHeaders(const ScanGeometry& geometry, int rowsPerStrip);
