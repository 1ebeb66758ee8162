// The virtual flatbed's scans: the notifications, the files and the preview
// lines, and how a scan ends when it is stopped, fails or is refused.
#include <map>

#include "sim_harness.h"

namespace {

constexpr uint32_t kCodeStarted = 211, kCodeBlock = 212, kCodeDone = 213, kCodeEnded = 214;

uint32_t U16(const std::string& s, size_t offset) { return ReadU16(s.data(), offset); }
uint32_t U32(const std::string& s, size_t offset) { return ReadU32(s.data(), offset); }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// One scan run to its end with the log attached.
class ScanRun {
public:
    ScanRun() { g_notifyLog = &log; }
    ~ScanRun() { g_notifyLog = nullptr; }

    // Starts the job, waits for its end notification and releases the scanner, which
    // joins the worker: nothing more can arrive afterwards.
    ::testing::AssertionResult ScanToEnd(SimScanner& scanner, TestJob& job)
    {
        int32_t status = scanner.ScanAsync(job.request, RecordNotification, 0);
        if (status != 0)
            return ::testing::AssertionFailure() << "the scan did not start: status " << status;
        if (!log.WaitEnd())
            return ::testing::AssertionFailure() << "no end notification";
        scanner.ReleaseScanner();
        return ::testing::AssertionSuccess();
    }

    NotifyLog log;
};

struct ImageCase {
    const char* name;
    int imageType;
    int dpi;
    int area[4];
    size_t previewRowBytes;  // worked out by hand
    int bmpBitCount;
};

const ImageCase kImageCases[] = {
    {"colour", kImageTypeColour, 150, {11, 0, 837, 120}, 3708, 24},  // 1239 pixels, 1236 kept
    {"grey", kImageTypeGrey, 100, {0, 0, 313, 150}, 312, 8},
    {"line art", kImageTypeLineArt, 150, {0, 0, 850, 100}, 160, 1},  // 1275 pixels, 160 bytes
    {"narrow line art", kImageTypeLineArt, 100, {0, 0, 20, 50}, 3, 1},  // 3 bytes stay 3
};

// The scan went 211, then only 212s, then exactly one 213 as the last call.
void ExpectCompleteSequence(const std::vector<uint32_t>& codes)
{
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.front(), kCodeStarted);
    EXPECT_EQ(codes.back(), kCodeDone);
    for (size_t i = 1; i + 1 < codes.size(); ++i)
        EXPECT_EQ(codes[i], kCodeBlock) << "call " << i;
}

// Compares preview rows with file rows; line-art rows leave out their last byte,
// whose padding bits differ on purpose (paper in the preview).
void ExpectRowsMatch(const std::string& preview, size_t previewRowBytes, const std::string& file, size_t fileRow0,
                     size_t fileRowBytes, int lines, bool bottomUp, bool swapRedBlue, bool lineArt, const char* name)
{
    const size_t compared = lineArt && previewRowBytes > 0 ? previewRowBytes - 1 : previewRowBytes;
    for (int y = 0; y < lines; ++y) {
        size_t fileRow = static_cast<size_t>(bottomUp ? lines - 1 - y : y);
        std::string expected = file.substr(fileRow0 + fileRow * fileRowBytes, compared);
        if (swapRedBlue) {
            for (size_t i = 0; i + 2 < expected.size(); i += 3)
                std::swap(expected[i], expected[i + 2]);
        }
        ASSERT_EQ(preview.substr(static_cast<size_t>(y) * previewRowBytes, compared), expected)
            << name << ": preview line " << y;
    }
}

}  // namespace

TEST(SimScan, EachImageTypeWritesAMatchingBmpAndPreview)
{
    for (const ImageCase& c : kImageCases) {
        TempFolder folder;
        SimScanner scanner(folder, "");
        ASSERT_TRUE(scanner.Loaded());
        const std::string path = folder.File("scan.bmp");
        TestJob job;
        MakeJob(scanner, &job, c.imageType, c.dpi, c.area, path, kOutputFormatBmp);
        ScanRun run;
        ASSERT_TRUE(run.ScanToEnd(scanner, job)) << c.name;

        ExpectCompleteSequence(run.log.Codes());
        const int pixels = JobPixels(c.area, c.dpi), lines = JobLines(c.area, c.dpi);
        EXPECT_EQ(run.log.blockBytes.size(), c.previewRowBytes * static_cast<size_t>(lines)) << c.name;

        const std::string bmp = ReadTextFile(path);
        ASSERT_GE(bmp.size(), 54u) << c.name;
        const size_t palette = c.bmpBitCount == 24 ? 0 : (c.bmpBitCount == 8 ? 256 : 2);
        const size_t stride = ((static_cast<size_t>(pixels) * c.bmpBitCount + 31) / 32) * 4;
        const size_t offBits = 54 + palette * 4;
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(U32(bmp, 2), bmp.size()) << c.name;
        EXPECT_EQ(U32(bmp, 10), offBits) << c.name;
        EXPECT_EQ(U32(bmp, 14), 40u);
        EXPECT_EQ(U32(bmp, 18), static_cast<uint32_t>(pixels)) << c.name;
        EXPECT_EQ(U32(bmp, 22), static_cast<uint32_t>(lines)) << c.name;
        EXPECT_EQ(U16(bmp, 28), static_cast<uint32_t>(c.bmpBitCount)) << c.name;
        EXPECT_EQ(U32(bmp, 30), 0u);
        EXPECT_NEAR(U32(bmp, 38) * 0.0254, c.dpi, 0.05) << c.name;
        EXPECT_EQ(bmp.size(), offBits + stride * static_cast<size_t>(lines)) << c.name;
        if (palette == 2) {
            EXPECT_EQ(U32(bmp, 54), 0x000000u);
            EXPECT_EQ(U32(bmp, 58), 0xFFFFFFu) << "bit 1 is white";
        }
        ExpectRowsMatch(run.log.blockBytes, c.previewRowBytes, bmp, offBits, stride, lines, true, false,
                        c.imageType == kImageTypeLineArt, c.name);
    }
}

TEST(SimScan, TestPageHasInkAndPaper)
{
    TempFolder folder;
    SimScanner scanner(folder, "");
    const int area[4] = {0, 0, 850, 600};
    TestJob job;
    MakeJob(scanner, &job, kImageTypeGrey, 50, area, folder.File("page.bmp"), kOutputFormatBmp);
    ScanRun run;
    ASSERT_TRUE(run.ScanToEnd(scanner, job));
    std::map<int, int> histogram;
    for (unsigned char c : run.log.blockBytes)
        ++histogram[c / 64];
    EXPECT_GT(histogram[0], 100) << "black: frame, text, bars";
    EXPECT_GT(histogram[3], 10000) << "white paper";
    EXPECT_GT(histogram[1] + histogram[2], 100) << "the grey ramp";
}

TEST(SimScan, TiffDirectoryDescribesEachImageType)
{
    const int dpi = 150, area[4] = {0, 0, 425, 300};  // 637 pixels, 450 lines: several strips
    const int pixels = JobPixels(area, dpi), lines = JobLines(area, dpi);
    struct {
        int imageType;
        uint32_t samples, bits, photometric;
        size_t rowBytes, previewRowBytes;
    } const cases[] = {
        {kImageTypeColour, 3, 8, 2, 637 * 3, 636 * 3},
        {kImageTypeGrey, 1, 8, 1, 637, 636},
        {kImageTypeLineArt, 1, 1, 1, 80, 80},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        SimScanner scanner(folder, "");
        const std::string path = folder.File("scan.tif");
        TestJob job;
        MakeJob(scanner, &job, c.imageType, dpi, area, path, kOutputFormatTiff);
        ScanRun run;
        ASSERT_TRUE(run.ScanToEnd(scanner, job));
        ExpectCompleteSequence(run.log.Codes());

        const std::string tif = ReadTextFile(path);
        ASSERT_GE(tif.size(), 8u);
        ASSERT_EQ(tif.substr(0, 4), std::string("II*\0", 4));
        const size_t ifd = U32(tif, 4);
        ASSERT_LT(ifd + 2, tif.size());
        const size_t entries = U16(tif, ifd);
        struct Entry {
            uint32_t type, count, value;
        };
        std::map<uint32_t, Entry> tags;
        uint32_t previousTag = 0;
        for (size_t i = 0; i < entries; ++i) {
            size_t at = ifd + 2 + i * 12;
            uint32_t tag = U16(tif, at);
            EXPECT_GT(tag, previousTag) << "tags ascend";
            previousTag = tag;
            uint32_t type = U16(tif, at + 2), count = U32(tif, at + 4);
            uint32_t value = (type == 3 && count == 1) ? U16(tif, at + 8) : U32(tif, at + 8);
            tags[tag] = {type, count, value};
        }
        EXPECT_EQ(U32(tif, ifd + 2 + entries * 12), 0u) << "one directory";
        EXPECT_EQ(tags[256].value, static_cast<uint32_t>(pixels));
        EXPECT_EQ(tags[257].value, static_cast<uint32_t>(lines));
        EXPECT_EQ(tags[258].count, c.samples);
        EXPECT_EQ(c.samples == 3 ? U16(tif, tags[258].value) : tags[258].value, c.bits);
        EXPECT_EQ(tags[259].value, 1u) << "uncompressed";
        EXPECT_EQ(tags[262].value, c.photometric);
        EXPECT_EQ(tags[277].value, c.samples);
        EXPECT_EQ(tags[296].value, 2u) << "inches";
        for (uint32_t resolutionTag : {282u, 283u}) {
            ASSERT_EQ(tags[resolutionTag].type, 5u);
            size_t at = tags[resolutionTag].value;
            EXPECT_EQ(U32(tif, at) / U32(tif, at + 4), static_cast<uint32_t>(dpi));
        }
        const uint32_t strips = tags[273].count;
        const uint32_t rowsPerStrip = tags[278].value;
        ASSERT_GT(strips, 1u);
        ASSERT_EQ(tags[279].count, strips);
        EXPECT_EQ(strips, (static_cast<uint32_t>(lines) + rowsPerStrip - 1) / rowsPerStrip);
        size_t total = 0, expectedOffset = U32(tif, tags[273].value);
        for (uint32_t s = 0; s < strips; ++s) {
            uint32_t offset = U32(tif, tags[273].value + 4 * s), size = U32(tif, tags[279].value + 4 * s);
            EXPECT_EQ(offset, expectedOffset) << "strip " << s;
            expectedOffset = offset + size;
            total += size;
        }
        EXPECT_EQ(total, c.rowBytes * static_cast<size_t>(lines));
        EXPECT_EQ(expectedOffset, tif.size());
        ExpectRowsMatch(run.log.blockBytes, c.previewRowBytes, tif, U32(tif, tags[273].value), c.rowBytes, lines,
                        false, c.imageType == kImageTypeColour, c.imageType == kImageTypeLineArt, "tiff");
    }
}

TEST(SimScanEnd, StopMidScanEndsOnceWith214AndLeavesNoFile)
{
    TempFolder folder;
    SimScanner scanner(folder, "[Scanner]\r\nLinesPerSecond=200\r\n");
    const int area[4] = {0, 0, 850, 1169};
    const std::string path = folder.File("stopped.bmp");
    TestJob job;
    MakeJob(scanner, &job, kImageTypeColour, 300, area, path, kOutputFormatBmp);
    ScanRun run;
    ASSERT_EQ(scanner.ScanAsync(job.request, RecordNotification, 0), 0);
    ASSERT_EQ(WaitForSingleObject(run.log.firstBlock, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(scanner.StopScan(), 0);
    ASSERT_TRUE(run.log.WaitEnd());
    scanner.ReleaseScanner();
    EXPECT_EQ(run.log.Count(kCodeEnded), 1);
    EXPECT_EQ(run.log.Count(kCodeDone), 0);
    EXPECT_EQ(run.log.Codes().back(), kCodeEnded);
    EXPECT_FALSE(FileExists(path)) << "an unfinished file is removed";
}

TEST(SimScanEnd, InjectedScanErrorIsSentThenTheScanEndsWith214)
{
    TempFolder folder;
    SimScanner scanner(folder, "[Faults]\r\nScanError=-9\r\n");
    const int area[4] = {0, 0, 850, 1000};
    const std::string path = folder.File("failed.bmp");
    TestJob job;
    MakeJob(scanner, &job, kImageTypeGrey, 100, area, path, kOutputFormatBmp);
    ScanRun run;
    ASSERT_TRUE(run.ScanToEnd(scanner, job));
    std::vector<uint32_t> codes = run.log.Codes();
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes[codes.size() - 2], static_cast<uint32_t>(-9));
    EXPECT_EQ(codes.back(), kCodeEnded);
    EXPECT_EQ(run.log.Count(kCodeEnded), 1);
    EXPECT_EQ(run.log.Count(kCodeDone), 0);
    EXPECT_GT(run.log.Count(kCodeBlock), 0) << "the error comes in the middle";
    EXPECT_FALSE(FileExists(path));
}

TEST(SimScanEnd, BadJobsReportAStatusThen214AndNeverWriteAFile)
{
    TempFolder folder;
    SimScanner scanner(folder, "");
    struct {
        const char* name;
        int imageType, dpi;
        int area[4];
        int format;
        int bitsOverride;  // 0: the right bits for the type
        int32_t status;
    } const cases[] = {
        {"resolution over 1200", kImageTypeColour, 2400, {0, 0, 850, 1169}, kOutputFormatBmp, 0, -4},
        {"area off the bed", kImageTypeGrey, 150, {0, 0, 851, 1169}, kOutputFormatBmp, 0, -4},
        {"empty area", kImageTypeGrey, 150, {100, 100, 100, 200}, kOutputFormatBmp, 0, -4},
        {"unknown image type", 9, 150, {0, 0, 850, 1169}, kOutputFormatBmp, 8, -7},
        {"bits that do not fit the type", kImageTypeLineArt, 150, {0, 0, 850, 1169}, kOutputFormatBmp, 8, -4},
        {"unknown format", kImageTypeGrey, 150, {0, 0, 850, 1169}, 5, 0, -7},
    };
    for (const auto& c : cases) {
        const std::string path = folder.File("bad.bmp");
        TestJob job;
        MakeJob(scanner, &job, c.imageType, c.dpi, c.area, path, c.format);
        if (c.bitsOverride)
            WriteU16(job.job.data(), kParamBitsPerSample, static_cast<uint16_t>(c.bitsOverride));
        ScanRun run;
        ASSERT_TRUE(run.ScanToEnd(scanner, job)) << c.name;
        EXPECT_EQ(run.log.Codes(), (std::vector<uint32_t>{static_cast<uint32_t>(c.status), kCodeEnded})) << c.name;
        EXPECT_FALSE(FileExists(path)) << c.name;
    }
}

TEST(SimScanEnd, UnpluggedScannerReportsNotConnectedThen214)
{
    TempFolder folder;
    SimScanner scanner(folder, "[Scanner]\r\nPlugged=0\r\n");
    const int area[4] = {0, 0, 100, 100};
    TestJob job;
    MakeJob(scanner, &job, kImageTypeGrey, 100, area, folder.File("x.bmp"), kOutputFormatBmp);
    ScanRun run;
    ASSERT_TRUE(run.ScanToEnd(scanner, job));
    EXPECT_EQ(run.log.Codes(), (std::vector<uint32_t>{1u, kCodeEnded}));
}

TEST(SimScanEnd, SecondScanWhileOneRunsIsRefusedAsBusy)
{
    TempFolder folder;
    SimScanner scanner(folder, "[Scanner]\r\nLinesPerSecond=100\r\n");
    const int area[4] = {0, 0, 850, 1169};
    TestJob first, second;
    MakeJob(scanner, &first, kImageTypeGrey, 150, area, folder.File("a.bmp"), kOutputFormatBmp);
    MakeJob(scanner, &second, kImageTypeGrey, 150, area, folder.File("b.bmp"), kOutputFormatBmp);
    ScanRun run;
    ASSERT_EQ(scanner.ScanAsync(first.request, RecordNotification, 0), 0);
    EXPECT_EQ(scanner.ScanAsync(second.request, RecordNotification, 0), kStatusDeviceBusy);
    scanner.StopScan();
    ASSERT_TRUE(run.log.WaitEnd());
    scanner.ReleaseScanner();
    EXPECT_EQ(run.log.Count(kCodeEnded) + run.log.Count(kCodeDone), 1);
    EXPECT_FALSE(FileExists(folder.File("b.bmp")));
}

TEST(SimScanEnd, ReleasingTheEngineMidScanStillDeliversOne214)
{
    TempFolder folder;
    SimScanner scanner(folder, "[Scanner]\r\nLinesPerSecond=200\r\n");
    const int area[4] = {0, 0, 850, 1169};
    TestJob job;
    MakeJob(scanner, &job, kImageTypeColour, 150, area, folder.File("r.bmp"), kOutputFormatBmp);
    ScanRun run;
    ASSERT_EQ(scanner.ScanAsync(job.request, RecordNotification, 0), 0);
    ASSERT_EQ(WaitForSingleObject(run.log.firstBlock, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(scanner.ReleaseEngine(), 0);
    // The release returned only after the worker ended, so its end is in already.
    EXPECT_EQ(run.log.Count(kCodeEnded), 1);
    EXPECT_EQ(run.log.Count(kCodeDone), 0);
}

TEST(SimScanEnd, NoEndNotificationFaultLeavesTheScanSilentButTheEngineUsable)
{
    TempFolder folder;
    SimScanner scanner(folder, "[Faults]\r\nNoEndNotification=1\r\n");
    const int area[4] = {0, 0, 200, 200};
    TestJob job;
    MakeJob(scanner, &job, kImageTypeGrey, 100, area, folder.File("silent.bmp"), kOutputFormatBmp);
    {
        ScanRun run;
        ASSERT_EQ(scanner.ScanAsync(job.request, RecordNotification, 0), 0);
        // 200 lines come in four blocks; after the last one the file is completed
        // whatever happens, so the release below only joins the worker.
        ASSERT_TRUE(run.log.WaitBlocks(4));
        scanner.ReleaseScanner();
        EXPECT_EQ(run.log.Count(kCodeDone) + run.log.Count(kCodeEnded), 0);
    }
    EXPECT_TRUE(FileExists(folder.File("silent.bmp")));

    WriteTextFile(folder.File("TNSim.ini"), "");
    TestJob next;
    MakeJob(scanner, &next, kImageTypeGrey, 100, area, folder.File("next.bmp"), kOutputFormatBmp);
    ScanRun run;
    ASSERT_EQ(scanner.ScanAsync(next.request, RecordNotification, 0), 0) << "not left busy";
    ASSERT_TRUE(run.log.WaitEnd());
    scanner.ReleaseScanner();
    EXPECT_EQ(run.log.Count(kCodeDone), 1);
}
