// The copy's page arithmetic for printers the rig has none of: resolutions that do not
// divide evenly, zero answers from a printer, resolution indexes out of range.
#include <gtest/gtest.h>

#include "destinations/bmp_bands.h"

namespace {

TEST(CopyLayout, BandsTileThePrintedHeightWithoutDrift)
{
    struct Case {
        PrinterPage page;
        uint32_t width, height;
        int32_t resolution;
        uint32_t bandRows;
    };
    const Case cases[] = {
        {{2329, 3358, 300, 300}, 4960, 7000, 600, 35},  // 17.5 units a band: cut bands would lose 100
        {{760, 1060, 96, 96}, 2476, 3507, 300, 100},     // 32 units a band, cut at the bottom
        {{4760, 6800, 600, 600}, 200, 250, 150, 100},    // 100, 100, 50 rows
        {{2329, 3358, 300, 360}, 100, 999, 200, 70},
    };
    for (const Case& c : cases) {
        PrintLayout layout;
        ASSERT_TRUE(ComputePrintLayout(c.page, c.width, c.height, c.resolution, &layout));
        Band band;
        uint32_t rows = 0;
        int32_t bottom = layout.y;
        for (uint32_t done = 0; NextBand(layout, c.bandRows, done, &band); done += band.rows) {
            EXPECT_EQ(band.y, bottom) << "bands follow each other without gaps";
            bottom = band.y + band.height;
            rows += band.rows;
        }
        EXPECT_EQ(rows, layout.sourceRows);
        EXPECT_EQ(bottom, layout.y + layout.height) << "the last band ends where the image does";
        EXPECT_LE(layout.height, c.page.vertRes);
    }
}

TEST(CopyLayout, APrinterAnsweringZeroGetsNothing)
{
    PrintLayout layout;
    const PrinterPage zeros[] = {{0, 3358, 300, 300}, {2329, 0, 300, 300}, {2329, 3358, 0, 300},
                                 {2329, 3358, 300, 0}, {100, 100, 300, 300}};
    for (const PrinterPage& page : zeros)
        EXPECT_FALSE(ComputePrintLayout(page, 100, 100, 300, &layout)) << page.horzRes << " " << page.dpiX;
    EXPECT_FALSE(ComputePrintLayout({2329, 3358, 300, 300}, 100, 100, 0, &layout));
}

}  // namespace
