// What one scan produces, worked out from the scan job, and the row layouts of
// its outputs: the file rows (BMP, TIFF) and the preview rows of the 212 blocks.
// Pure arithmetic over bytes, no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kSimMaxResolution = 1200;

struct ScanGeometry {
    int imageType = 0;    // 1 colour (24-bit), 2 grey (8-bit), 3 line art (1-bit)
    int bits = 0;         // bits per sample as the job asked
    int xResolution = 0;  // dots per inch
    int yResolution = 0;
    int left = 0;  // scan area, hundredths of an inch on the bed
    int top = 0;
    int right = 0;
    int bottom = 0;
    int pixels = 0;  // (right - left) * xResolution / 100
    int lines = 0;   // (bottom - top) * yResolution / 100
    int toneLevel = 100;      // colour and grey: 100 neutral, higher is lighter
    int blackWhiteLevel = 0;  // line art: positive lightens, negative darkens
};

// Reads the geometry from a 2400-byte scan job and checks it against the bed.
// Returns 0, or the status to report: -4 bad arguments, -7 unsupported mode.
int32_t ReadScanGeometry(const void* job, int bedWidth, int bedHeight, ScanGeometry* out);

// Bytes of one preview row: colour and grey rows keep whole groups of 4 pixels;
// line-art rows are ceil(pixels / 8) bytes, cut to a multiple of 4 when longer than 4.
size_t PreviewRowBytes(int imageType, int pixels);

// Bytes of one packed image row without padding (TIFF), and of a BMP row padded to 4.
size_t PackedRowBytes(int imageType, int pixels);
size_t BmpRowBytes(int imageType, int pixels);

// The luminance of a blue, green, red pixel.
uint8_t GreyOf(uint8_t blue, uint8_t green, uint8_t red);

// A 256-entry table that lightens (level > 100) or darkens (level < 100) samples;
// 0 or less counts as neutral.
void MakeToneTable(int toneLevel, uint8_t (&table)[256]);

// Threshold for line art: a grey value at or above it becomes white.
int LineArtThreshold(int blackWhiteLevel);

// Packs grey samples into 1-bit pixels, leftmost pixel in the most significant bit,
// 1 = white. Writes outBytes bytes; pixels beyond the row get padBit.
void PackLineArt(const uint8_t* grey, int pixels, int threshold, uint8_t* out, size_t outBytes, int padBit);
