// The preview bitmap: its size arithmetic, how the engine's blocks fill it, and how
// the progress dialog draws it, read back pixel by pixel from a memory DC.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "fake_engine.h"
#include "scan/preview.h"
#include "scan/scan.h"
#include "test_support.h"

namespace {

// A ScanJob and ScanRequest as StartScanJob fills them, for the fields the preview reads.
struct RequestFor {
    std::vector<uint8_t> job = std::vector<uint8_t>(kScanJobSize, 0);
    std::vector<uint8_t> request = std::vector<uint8_t>(kScanRequestSize, 0);

    RequestFor(int32_t imageType, int dpi, int32_t left, int32_t top, int32_t right, int32_t bottom)
    {
        WriteU32(job.data(), kJobParameters + kParamImageType, static_cast<uint32_t>(imageType));
        WriteU16(job.data(), kJobParameters + kParamBitsPerSample, imageType == kImageTypeLineArt ? 1 : 8);
        WriteU16(job.data(), kJobParameters + kParamXResolution, static_cast<uint16_t>(dpi));
        WriteU16(job.data(), kJobParameters + kParamYResolution, static_cast<uint16_t>(dpi));
        int32_t area[4] = {left, top, right, bottom};
        for (int i = 0; i < 4; ++i)
            WriteU32(job.data(), kJobArea + 4 * i, static_cast<uint32_t>(area[i]));
        WriteU32(request.data(), kRequestJob, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(job.data())));
    }
};

BITMAPINFOHEADER HeaderOfPreview()
{
    BITMAPINFOHEADER header = {};
    HGLOBAL block = g_preview.Image.load();
    if (!block)
        return header;
    void* bits = GlobalLock(block);
    memcpy(&header, bits, sizeof header);
    GlobalUnlock(block);
    return header;
}

class PreviewImage : public ::testing::Test {
protected:
    void TearDown() override { ClosePreview(); }
};

TEST_F(PreviewImage, RowsKeepWholePixelsToAMultipleOfFourBytes)
{
    struct Case {
        const char* what;
        int32_t type;
        int dpi;
        int32_t right, bottom;
        LONG width, height;
        WORD bitCount;
        DWORD sizeImage;
    };
    const Case cases[] = {
        // A4 at 300 dpi in colour: 2478 pixels, 2476 kept, 7428 row bytes, 3507 lines.
        {"A4 colour 300", kImageTypeColour, 300, 837, 1169, 2476, 3507, 24, 7428u * 3507u},
        // 8.26 inches at 150 dpi: 1239 pixels, 1236 kept.
        {"A4 colour 150", kImageTypeColour, 150, 837, 1169, 1236, 1753, 24, 3708u * 1753u},
        {"A4 grey 150", kImageTypeGrey, 150, 837, 1169, 1236, 1753, 8, 1236u * 1753u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RequestFor request(c.type, c.dpi, 11, 0, c.right, c.bottom);
        ASSERT_TRUE(OpenPreview(request.request.data()));
        BITMAPINFOHEADER header = HeaderOfPreview();
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, c.width);
        EXPECT_EQ(header.biHeight, c.height);
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, c.bitCount);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(header.biSizeImage, c.sizeImage);
        EXPECT_EQ(GlobalSize(g_preview.Image.load()), c.sizeImage + 40u);
    }
}

TEST_F(PreviewImage, LineArtRowsAreWholeBytesAndOnlyLongRowsAreTrimmed)
{
    // Letter at 150 dpi: 1275 pixels, rounded up to 1280, 160 bytes.
    RequestFor letter(kImageTypeLineArt, 150, 0, 0, 850, 1100);
    ASSERT_TRUE(OpenPreview(letter.request.data()));
    BITMAPINFOHEADER header = HeaderOfPreview();
    EXPECT_EQ(header.biWidth, 1280);
    EXPECT_EQ(header.biBitCount, 1);
    EXPECT_EQ(header.biSizeImage, 160u * 1650u);

    // 0.14 inch at 150 dpi: 21 pixels need 3 bytes, and a row of 3 bytes stays 3.
    RequestFor narrow(kImageTypeLineArt, 150, 0, 0, 14, 100);
    ASSERT_TRUE(OpenPreview(narrow.request.data()));
    header = HeaderOfPreview();
    EXPECT_EQ(header.biWidth, 24);
    EXPECT_EQ(header.biSizeImage, 3u * 150u);

    // 0.5 inch at 150 dpi: 75 pixels, 10 bytes, trimmed to 8.
    RequestFor trimmed(kImageTypeLineArt, 150, 0, 0, 50, 100);
    ASSERT_TRUE(OpenPreview(trimmed.request.data()));
    EXPECT_EQ(HeaderOfPreview().biWidth, 64);
}

// ---- Notifications --------------------------------------------------------------

class Notifications : public ::testing::Test {
protected:
    void SetUp() override
    {
        done_ = g_scan.JobEnded.get();
        ResetEvent(done_);
        g_scan.Phase = JobPhase::Scanning;
        FakeEngine::Install(FakeScript{});
        // 2 lines of 8 grey pixels: 16 bytes behind the header.
        RequestFor small(kImageTypeGrey, 100, 0, 0, 8, 2);
        ASSERT_TRUE(OpenPreview(small.request.data()));
    }
    void TearDown() override
    {
        ClosePreview();
        g_scan.Phase = JobPhase::Idle;
        FakeEngine::Uninstall();
    }
    std::vector<uint8_t> Rows()
    {
        const uint8_t* bits = g_preview.Bits.load();
        return bits ? std::vector<uint8_t>(bits + 40, bits + 56) : std::vector<uint8_t>();
    }
    static void Send(uint32_t code, std::vector<uint8_t> data = {})
    {
        OnEngineNotification(data.empty() ? nullptr : data.data(), static_cast<uint32_t>(data.size()), code);
    }
    HANDLE done_ = nullptr;
};

TEST_F(Notifications, BlocksAreStoredBackToBackAndWhatPassesTheEndIsDropped)
{
    // A block before any start notification is stored all the same.
    Send(kNotifyScanBlock, std::vector<uint8_t>(6, 1));
    EXPECT_NE(g_preview.Bits.load(), nullptr);
    Send(kNotifyScanStarted);
    Send(kNotifyScanBlock, std::vector<uint8_t>(6, 2));
    Send(kNotifyScanBlock, std::vector<uint8_t>(6, 3));  // 2 bytes fit, 4 are dropped
    std::vector<uint8_t> expected = {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3};
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(g_preview.WritePos.load(), 56u);
}

TEST_F(Notifications, TheEndReleasesTheDestinationAndLaterDataIsDropped)
{
    ShownMessages shown;
    Send(kNotifyScanBlock, std::vector<uint8_t>(4, 7));
    Send(kNotifyScanDone);
    EXPECT_EQ(WaitForSingleObject(done_, 0), WAIT_OBJECT_0);
    EXPECT_EQ(g_scan.Phase.load(), JobPhase::Ending);
    EXPECT_EQ(FakeEngine::finishCalls.load(), 1);
    Send(kNotifyScanBlock, std::vector<uint8_t>(4, 9));
    std::vector<uint8_t> expected = {7, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Rows(), expected);
    // A second end finds no running job and is ignored.
    ResetEvent(done_);
    Send(kNotifyScanEnded);
    EXPECT_EQ(WaitForSingleObject(done_, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(FakeEngine::finishCalls.load(), 1);
    EXPECT_TRUE(shown.Take().empty());
}

TEST_F(Notifications, AnErrorCodeIsShownAndTheJobGoesOn)
{
    ShownMessages shown;
    Send(static_cast<uint32_t>(kStatusDeviceError));
    EXPECT_EQ(shown.Take(), std::vector<std::string>{"MsgDeviceError"});
    EXPECT_TRUE(JobScanning());
    EXPECT_EQ(WaitForSingleObject(done_, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    Send(kNotifyScanBlock, std::vector<uint8_t>(2, 5));
    EXPECT_EQ(Rows()[1], 5);
    Send(kNotifyScanEnded);
    EXPECT_EQ(WaitForSingleObject(done_, 0), WAIT_OBJECT_0);
    EXPECT_EQ(g_scan.JobAborted.load(), 0);
}

TEST_F(Notifications, BlocksAfterTheBlockWasFreedAreDropped)
{
    Send(kNotifyScanBlock, std::vector<uint8_t>(4, 1));
    ClosePreview();
    EXPECT_EQ(g_preview.Image.load(), nullptr);
    EXPECT_EQ(g_preview.Bits.load(), nullptr);
    Send(kNotifyScanBlock, std::vector<uint8_t>(4, 1));  // must not touch freed memory
    EXPECT_EQ(g_preview.Bits.load(), nullptr);
}

// ---- Drawing ----------------------------------------------------------------------

constexpr COLORREF kUndrawn = RGB(255, 0, 255);

// A 24-bit memory DC filled with a colour the preview never uses.
class Canvas {
public:
    Canvas(int width, int height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        RECT all = {0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(kUndrawn);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

std::vector<uint8_t> MakePreview(int width, int height, int bitCount)
{
    int rowBytes = bitCount == 1 ? (width + 7) / 8 : bitCount == 8 ? width : 3 * width;
    std::vector<uint8_t> block(40 + static_cast<size_t>(rowBytes) * height, 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
    header->biSize = 40;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bitCount);
    return block;
}

TEST(DrawPreviewImage, FitsTheImageIntoTheBoxKeepingItsProportions)
{
    // 600 x 700 colour into 120 x 108: scale 700 / 108, so 93 columns and 108 rows.
    std::vector<uint8_t> preview = MakePreview(600, 700, 24);
    for (size_t i = 40; i < preview.size(); i += 3) {
        preview[i] = 200;     // red
        preview[i + 1] = 20;  // green
        preview[i + 2] = 40;  // blue
    }
    Canvas canvas(200, 200);
    RECT box = {10, 20, 130, 128};
    ASSERT_EQ(DrawPreviewImage(canvas.dc(), &box, preview.data()), 1);
    EXPECT_EQ(canvas.At(10, 20), RGB(200, 20, 40));
    EXPECT_EQ(canvas.At(10 + 92, 20 + 107), RGB(200, 20, 40));
    EXPECT_EQ(canvas.At(10 + 93, 20), kUndrawn);
    EXPECT_EQ(canvas.At(10, 20 + 108), kUndrawn);
    EXPECT_EQ(canvas.At(9, 19), kUndrawn);
}

TEST(DrawPreviewImage, RowsNotScannedYetAreLeftUndrawn)
{
    // The top 350 of 700 rows have arrived: the lower half of the box stays as it was.
    std::vector<uint8_t> preview = MakePreview(600, 700, 8);
    memset(preview.data() + 40, 90, 600 * 350);
    Canvas canvas(200, 200);
    RECT box = {0, 0, 120, 108};
    DrawPreviewImage(canvas.dc(), &box, preview.data());
    EXPECT_EQ(canvas.At(0, 0), RGB(90, 90, 90));
    EXPECT_EQ(canvas.At(50, 53), RGB(90, 90, 90));  // row 53 reads source row 343
    EXPECT_EQ(canvas.At(50, 55), kUndrawn);          // row 55 reads source row 356
    EXPECT_EQ(canvas.At(50, 107), kUndrawn);
}

TEST(DrawPreviewImage, LineArtReadsTheHighBitFirst)
{
    // Column 9 is bit 6 of byte 1: only that pixel is white.
    std::vector<uint8_t> preview = MakePreview(16, 1, 1);
    preview[40 + 1] = 0x40;
    Canvas canvas(40, 10);
    RECT box = {0, 0, 16, 1};
    DrawPreviewImage(canvas.dc(), &box, preview.data());
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(canvas.At(x, 0), x == 9 ? RGB(255, 255, 255) : RGB(0, 0, 0)) << "column " << x;
}

}  // namespace
