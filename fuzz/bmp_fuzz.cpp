// The copy's BMP check and band reader fed with arbitrary files: a scan folder may hold
// anything under a .bmp name. Every file the check accepts must read band by band to
// its end without a read outside the file.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "destinations/bmp_bands.h"

namespace {

struct Memory {
    const uint8_t* data;
    size_t size;
};

size_t ReadAt(void* context, uint64_t offset, void* buffer, size_t size)
{
    const Memory* file = static_cast<const Memory*>(context);
    if (offset >= file->size)
        return 0;
    const size_t available = file->size - static_cast<size_t>(offset);
    const size_t count = size < available ? size : available;
    memcpy(buffer, file->data + offset, count);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Memory file{data, size};
    BmpBandReader reader;
    if (reader.Open(ReadAt, &file, size) != BmpCheck::Ok || !reader.AllocateBand())
        return 0;
    const BmpLayout& layout = reader.layout();
    if (layout.bandRows == 0 || layout.bandRows > kBandRows || layout.rowsInFile > layout.height)
        __builtin_trap();
    // A 300 dpi A4 page, the scan at 150 to 600 dpi as the first byte picks.
    PrintLayout page;
    static constexpr int32_t kResolutions[] = {150, 200, 300, 600};
    const int32_t resolution = kResolutions[data[0] % 4];
    if (!ComputePrintLayout({2329, 3358, 300, 300}, layout.width, layout.height, resolution, &page))
        __builtin_trap();
    Band band;
    for (uint32_t done = reader.firstRowInFile(); NextBand(page, layout.bandRows, done, &band); done += band.rows) {
        if (!reader.ReadBand(band.firstRow, band.rows) || band.height < 0 || band.y < page.y)
            __builtin_trap();
    }
    return 0;
}
