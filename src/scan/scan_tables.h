// The tables that turn a destination's stored settings into scan parameters. Pure
// data and arithmetic.
#pragma once

#include <cstdint>

// Res 0..3 -> dots per inch; other indexes have no resolution.
constexpr int kResolutionCount = 4;
extern const int kResolutions[kResolutionCount];
// The resolution for a Res index, or 0 when the index is outside 0..3.
int ResolutionForIndex(int res);

struct DocTypeEntry {
    int32_t imageType;
    int32_t bitsPerSample;
};
// Doc 0 colour photo, 1 black-and-white photo (grey), 2 black-and-white document (line art).
constexpr int kDocTypeCount = 3;
extern const DocTypeEntry kDocTypes[kDocTypeCount];

// The Doc code for a position in a settings page's document-type list: the
// position-th set bit of the section's DocType mask (bit 0 colour photo, bit 1
// black-and-white photo, bit 2 black-and-white document). A mask offering all
// three types, or none, leaves the position as it is.
int DocCodeFromPosition(int position, int docTypeMask);

// Bri 0 Normal, 1 Darker, 2 Lighter, 3 Auto -> the level the scan parameters take.
struct BrightnessLevels {
    int16_t tone;        // colour and grey
    int16_t blackWhite;  // line art
};
BrightnessLevels BrightnessForIndex(int bri);

// Area 0 A4, 1 B5, 2 Letter (any other value A4): left, top, right, bottom in 1/100 inch.
void ScanAreaForIndex(int area, int32_t rect[4]);
// Brings a rectangle within the bed along both sides: the right edge to maxWidth and
// the bottom to maxHeight (an edge that would then lie before its opposite starts at
// the bed's start). A limit of 0 (unknown) leaves that side alone.
void ClampScanArea(int32_t rect[4], int maxWidth, int maxHeight);
