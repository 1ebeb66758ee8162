#include "scan/scan_tables.h"

const int kResolutions[kResolutionCount] = {150, 200, 300, 600};

int ResolutionForIndex(int res)
{
    if (res < 0 || res >= kResolutionCount)
        return 0;
    return kResolutions[res];
}

const DocTypeEntry kDocTypes[kDocTypeCount] = {
    {1, 8},  // colour photo
    {2, 8},  // black-and-white photo: grey
    {3, 1},  // black-and-white document: line art
};

int DocCodeFromPosition(int position, int docTypeMask)
{
    int mask = docTypeMask & 7;
    if (mask == 0 || mask == 7 || position < 0)
        return position;
    for (int bit = 0; bit < 3; ++bit) {
        if (!(mask & (1 << bit)))
            continue;
        if (position-- == 0)
            return bit;
    }
    return -1;
}

// The scan parameters know four levels chosen by a selector 1, 2, 3 or any other
// value. The selector of each choice is its label's distance from "BrightDarkest" in
// the string table: Darker 1, Normal 2, Lighter 3, Auto 18.
BrightnessLevels BrightnessForIndex(int bri)
{
    static const int kSelector[4] = {2, 1, 3, 18};
    int selector = (bri >= 0 && bri < 4) ? kSelector[bri] : 0;
    switch (selector) {
    case 1:
        return {120, -18};
    case 2:
        return {130, 0};
    case 3:
        return {150, 22};
    default:
        return {100, 0};
    }
}

void ScanAreaForIndex(int area, int32_t rect[4])
{
    static const int32_t kAreas[3][4] = {
        {11, 0, 837, 1169},  // A4
        {80, 0, 770, 984},   // B5
        {0, 0, 850, 1100},   // Letter
    };
    const int32_t* chosen = (area == 1 || area == 2) ? kAreas[area] : kAreas[0];
    for (int i = 0; i < 4; ++i)
        rect[i] = chosen[i];
}

namespace {

// One side of the area within the bed's extent along it (0 while unknown): the far
// edge ends at the bed's end, and a near edge past it starts at the bed's start.
void ClampSpan(int32_t& nearEdge, int32_t& farEdge, int extent)
{
    if (extent <= 0)
        return;
    if (farEdge > extent)
        farEdge = extent;
    if (nearEdge >= farEdge)
        nearEdge = 0;
}

}  // namespace

void ClampScanArea(int32_t rect[4], int maxWidth, int maxHeight)
{
    ClampSpan(rect[0], rect[2], maxWidth);
    ClampSpan(rect[1], rect[3], maxHeight);
}
