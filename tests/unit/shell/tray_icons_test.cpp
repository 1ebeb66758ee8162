#include <gtest/gtest.h>

#include <windows.h>

#include "common/handles.h"
#include "resource.h"

namespace {

struct ColourCount {
    int green = 0;  // lamp green
    int red = 0;    // prohibition red
};

// Draws the icon resource at the given size over white and counts its strongly
// green and strongly red pixels.
bool CountColours(int id, int size, ColourCount& count)
{
    UniqueIcon icon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!icon)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueDc dc(CreateCompatibleDC(nullptr));
    UniqueGdiObj bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap)
        return false;
    SelectGuard select(dc.get(), bitmap.get());
    RECT all = {0, 0, size, size};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (!DrawIconEx(dc.get(), 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL))
        return false;
    GdiFlush();
    const auto* pixels = static_cast<const BYTE*>(bits);
    for (int i = 0; i < size * size; ++i) {
        int b = pixels[4 * i], g = pixels[4 * i + 1], r = pixels[4 * i + 2];
        if (g > 150 && r < 110 && b < 110)
            ++count.green;
        if (r > 180 && g < 90 && b < 90)
            ++count.red;
    }
    return true;
}

TEST(TrayIcons, ReadyShowsTheGreenLampAndUnavailableTheRedSign)
{
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        ColourCount ready, unavailable;
        ASSERT_TRUE(CountColours(IDI_READY, size, ready));
        ASSERT_TRUE(CountColours(IDI_UNAVAILABLE, size, unavailable));
        EXPECT_GT(ready.green, 0);
        EXPECT_EQ(ready.red, 0);
        EXPECT_EQ(unavailable.green, 0) << "the lamp is off";
        EXPECT_GT(unavailable.red, size * size / 10) << "the sign covers the picture";
    }
}

}  // namespace
