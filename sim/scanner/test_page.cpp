#include "test_page.h"

#include <algorithm>
#include <cstring>

#include "common/strings.h"
#include "scan/engine_abi.h"
#include "sim_config.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kGreySteps = 32;

UniqueGdiObj MakeFont(int pixelHeight, int weight)
{
    return UniqueGdiObj(CreateFontA(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, "Arial"));
}

}  // namespace

bool TestPageRenderer::Create(const ScanGeometry& geometry, int bedWidth, int bedHeight, int bandLines, bool textPage)
{
    geometry_ = geometry;
    textPage_ = textPage;
    bedWidth_ = bedWidth;
    bedHeight_ = bedHeight;
    bandLines_ = bandLines;
    stride_ = (static_cast<size_t>(geometry.pixels) * 3 + 3) & ~size_t{3};

    dc_.reset(CreateCompatibleDC(nullptr));
    if (!dc_)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = geometry.pixels;
    info.bmiHeader.biHeight = -bandLines;  // top-down, like the lines we hand out
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_ || !bits)
        return false;
    bits_ = static_cast<uint8_t*>(bits);
    titleFont_ = MakeFont(BedY(30) > 0 ? BedY(30) : 1, FW_BOLD);
    smallFont_ = MakeFont(BedY(16) > 0 ? BedY(16) : 1, FW_NORMAL);
    textFont_ = MakeFont(BedY(40) > 0 ? BedY(40) : 1, FW_NORMAL);
    return titleFont_ && smallFont_ && textFont_;
}

const uint8_t* TestPageRenderer::Render(int firstLine)
{
    HDC dc = dc_.get();
    SelectGuard selectBitmap(dc, bitmap_.get());
    SetViewportOrgEx(dc, 0, 0, nullptr);
    PatBlt(dc, 0, 0, geometry_.pixels, bandLines_, WHITENESS);

    // From here on the band draws in bed pixels: the scan area's corner, moved down
    // by the lines already done, is the band's top-left pixel.
    SetViewportOrgEx(dc, -BedX(geometry_.left), -(BedY(geometry_.top) + firstLine), nullptr);
    if (textPage_) {
        DrawTextLines();
        GdiFlush();
        return bits_;
    }
    DrawFrame();
    DrawTitle();
    DrawColourBars();
    DrawGreyRamp();
    DrawCircle();
    GdiFlush();
    return bits_;
}

void TestPageRenderer::FillBedRect(int left, int top, int right, int bottom, COLORREF colour)
{
    SetDCBrushColor(dc_.get(), colour);
    RECT rect = {BedX(left), BedY(top), BedX(right), BedY(bottom)};
    FillRect(dc_.get(), &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A thin frame a quarter inch inside the bed's edges, drawn as four bars of at
// least one pixel so it shows at every resolution.
void TestPageRenderer::DrawFrame()
{
    const int inset = 25, thickness = 2;
    const int right = bedWidth_ - inset, bottom = bedHeight_ - inset;
    HDC dc = dc_.get();
    SetDCBrushColor(dc, kBlack);
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    int widthX = BedX(thickness) > 0 ? BedX(thickness) : 1;
    int widthY = BedY(thickness) > 0 ? BedY(thickness) : 1;
    RECT bars[4] = {
        {BedX(inset), BedY(inset), BedX(right), BedY(inset) + widthY},
        {BedX(inset), BedY(bottom) - widthY, BedX(right), BedY(bottom)},
        {BedX(inset), BedY(inset), BedX(inset) + widthX, BedY(bottom)},
        {BedX(right) - widthX, BedY(inset), BedX(right), BedY(bottom)},
    };
    for (const RECT& bar : bars)
        FillRect(dc, &bar, brush);
}

void TestPageRenderer::DrawTitle()
{
    HDC dc = dc_.get();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kBlack);
    {
        SelectGuard font(dc, titleFont_.get());
        const char title[] = "Tornel test page";
        TextOutA(dc, BedX(75), BedY(60), title, static_cast<int>(sizeof title - 1));
    }
    const char* kind = geometry_.imageType == kImageTypeColour ? "colour"
                       : geometry_.imageType == kImageTypeGrey ? "grey"
                                                               : "line art";
    char line[96];
    if (geometry_.xResolution == geometry_.yResolution)
        FormatString(line, "%d dpi, %s, %d x %d pixels", geometry_.xResolution, kind, geometry_.pixels,
                     geometry_.lines);
    else
        FormatString(line, "%d x %d dpi, %s, %d x %d pixels", geometry_.xResolution, geometry_.yResolution, kind,
                     geometry_.pixels, geometry_.lines);
    SelectGuard font(dc, smallFont_.get());
    TextOutA(dc, BedX(75), BedY(105), line, static_cast<int>(strlen(line)));
}

void TestPageRenderer::DrawColourBars()
{
    static const COLORREF kBars[] = {kWhite,          RGB(255, 255, 0), RGB(0, 255, 255), RGB(0, 255, 0),
                                     RGB(255, 0, 255), RGB(255, 0, 0),  RGB(0, 0, 255),   kBlack};
    const int count = static_cast<int>(sizeof kBars / sizeof kBars[0]);
    const int left = 75, right = bedWidth_ - 75, top = 160, bottom = 360;
    for (int i = 0; i < count; ++i)
        FillBedRect(left + (right - left) * i / count, top, left + (right - left) * (i + 1) / count, bottom, kBars[i]);
}

void TestPageRenderer::DrawGreyRamp()
{
    const int left = 75, right = bedWidth_ - 75, top = 400, bottom = 540;
    for (int i = 0; i < kGreySteps; ++i) {
        int level = i * 255 / (kGreySteps - 1);
        FillBedRect(left + (right - left) * i / kGreySteps, top, left + (right - left) * (i + 1) / kGreySteps, bottom,
                    RGB(level, level, level));
    }
}

// A circle in the lower half shows whether both resolutions were applied.
void TestPageRenderer::DrawCircle()
{
    const int top = 580, bottom = bedHeight_ - 50;
    const int centreX = bedWidth_ / 2, centreY = (top + bottom) / 2;
    const int radius = std::min({200, (bottom - top) / 2 - 10, bedWidth_ / 2 - 50});
    if (radius < 50)
        return;
    HDC dc = dc_.get();
    UniqueGdiObj pen(CreatePen(PS_SOLID, BedX(4) > 0 ? BedX(4) : 1, kBlack));
    if (!pen)
        return;
    SelectGuard selectPen(dc, pen.get());
    SelectGuard selectBrush(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, BedX(centreX - radius), BedY(centreY - radius), BedX(centreX + radius), BedY(centreY + radius));
}

// Black text on white, 0.4 inch high, one line every 0.7 inch from the top left.
void TestPageRenderer::DrawTextLines()
{
    HDC dc = dc_.get();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kBlack);
    SelectGuard font(dc, textFont_.get());
    int top = 100;
    for (const char* line : kSimTextPageLines) {
        TextOutA(dc, BedX(75), BedY(top), line, static_cast<int>(strlen(line)));
        top += 70;
    }
}
