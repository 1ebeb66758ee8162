#include "scan_geometry.h"

#include <cmath>

#include "scan/engine_abi.h"

int32_t ReadScanGeometry(const void* job, int bedWidth, int bedHeight, ScanGeometry* out)
{
    ScanGeometry g;
    g.imageType = ReadS32(job, kJobParameters + kParamImageType);
    g.bits = ReadS16(job, kJobParameters + kParamBitsPerSample);
    g.xResolution = ReadS16(job, kJobParameters + kParamXResolution);
    g.yResolution = ReadS16(job, kJobParameters + kParamYResolution);
    g.left = ReadS32(job, kJobArea);
    g.top = ReadS32(job, kJobArea + 4);
    g.right = ReadS32(job, kJobArea + 8);
    g.bottom = ReadS32(job, kJobArea + 12);
    g.toneLevel = ReadS16(job, kJobParameters + kParamToneLevel);
    g.blackWhiteLevel = ReadS16(job, kJobParameters + kParamBlackWhiteLevel);

    if (g.imageType < kImageTypeColour || g.imageType > kImageTypeLineArt)
        return kStatusUnsupportedMode;
    int expectedBits = g.imageType == kImageTypeLineArt ? 1 : 8;
    if (g.bits != expectedBits)
        return kStatusBadArguments;
    if (g.xResolution < 1 || g.xResolution > kSimMaxResolution || g.yResolution < 1 ||
        g.yResolution > kSimMaxResolution)
        return kStatusBadArguments;
    if (g.left < 0 || g.top < 0 || g.right > bedWidth || g.bottom > bedHeight || g.right <= g.left ||
        g.bottom <= g.top)
        return kStatusBadArguments;
    // The bed is at most a few thousand hundredths and the resolution at most 1200,
    // so these products stay far inside 32 bits.
    g.pixels = (g.right - g.left) * g.xResolution / 100;
    g.lines = (g.bottom - g.top) * g.yResolution / 100;
    if (g.pixels < 1 || g.lines < 1)
        return kStatusBadArguments;
    *out = g;
    return 0;
}

size_t PreviewRowBytes(int imageType, int pixels)
{
    if (imageType == kImageTypeLineArt) {
        size_t bytes = (static_cast<size_t>(pixels) + 7) / 8;
        return bytes > 4 ? bytes & ~size_t{3} : bytes;
    }
    size_t kept = static_cast<size_t>(pixels) & ~size_t{3};
    return imageType == kImageTypeColour ? kept * 3 : kept;
}

size_t PackedRowBytes(int imageType, int pixels)
{
    size_t count = static_cast<size_t>(pixels);
    if (imageType == kImageTypeLineArt)
        return (count + 7) / 8;
    return imageType == kImageTypeColour ? count * 3 : count;
}

size_t BmpRowBytes(int imageType, int pixels) { return (PackedRowBytes(imageType, pixels) + 3) & ~size_t{3}; }

uint8_t GreyOf(uint8_t blue, uint8_t green, uint8_t red)
{
    return static_cast<uint8_t>((299u * red + 587u * green + 114u * blue + 500u) / 1000u);
}

void MakeToneTable(int toneLevel, uint8_t (&table)[256])
{
    if (toneLevel <= 0)
        toneLevel = 100;
    double exponent = 100.0 / toneLevel;
    for (int v = 0; v < 256; ++v) {
        double scaled = 255.0 * std::pow(v / 255.0, exponent) + 0.5;
        table[v] = static_cast<uint8_t>(scaled > 255.0 ? 255 : scaled);
    }
}

int LineArtThreshold(int blackWhiteLevel)
{
    int threshold = 128 - blackWhiteLevel;
    if (threshold < 1)
        return 1;
    return threshold > 255 ? 255 : threshold;
}

void PackLineArt(const uint8_t* grey, int pixels, int threshold, uint8_t* out, size_t outBytes, int padBit)
{
    for (size_t i = 0; i < outBytes; ++i) {
        uint8_t byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            size_t x = i * 8 + static_cast<size_t>(bit);
            int white = x < static_cast<size_t>(pixels) ? (grey[x] >= threshold) : padBit;
            byte = static_cast<uint8_t>(byte | (white << (7 - bit)));
        }
        out[i] = byte;
    }
}
