// The virtual flatbed's page: a frame, the title line with the resolution, colour
// bars, a grey ramp and a circle, drawn with GDI in bed coordinates; or a page of
// printed text (kSimTextPageLines) in a large plain font. It is drawn
// one band of lines at a time into a small DIB section, so a scan of any size
// holds only one band of pixels.
#pragma once

#include <cstdint>

#include "common/handles.h"
#include "scan_geometry.h"

class TestPageRenderer {
public:
    // Prepares a band of bandLines lines of the scan's width. False when GDI
    // cannot give the memory or the objects.
    bool Create(const ScanGeometry& geometry, int bedWidth, int bedHeight, int bandLines, bool textPage = false);

    // Draws the band of lines that starts at firstLine and returns it top line
    // first, 24-bit blue, green, red, Stride() bytes apart.
    const uint8_t* Render(int firstLine);
    size_t Stride() const { return stride_; }

private:
    int BedX(int hundredths) const { return hundredths * geometry_.xResolution / 100; }
    int BedY(int hundredths) const { return hundredths * geometry_.yResolution / 100; }
    void FillBedRect(int left, int top, int right, int bottom, COLORREF colour);
    void DrawFrame();
    void DrawTitle();
    void DrawColourBars();
    void DrawGreyRamp();
    void DrawCircle();
    void DrawTextLines();

    ScanGeometry geometry_;
    int bedWidth_ = 0;
    int bedHeight_ = 0;
    int bandLines_ = 0;
    size_t stride_ = 0;
    UniqueDc dc_;
    UniqueGdiObj bitmap_;
    UniqueGdiObj titleFont_;
    UniqueGdiObj smallFont_;
    UniqueGdiObj textFont_;
    bool textPage_ = false;
    uint8_t* bits_ = nullptr;
};
