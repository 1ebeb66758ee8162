#include <gtest/gtest.h>

#include <windows.h>

#include "common/paths.h"
#include "config/config.h"
#include "dispatch/dispatch.h"
#include "scan/scan.h"
#include "test_support.h"

#include <vector>

namespace {

// A Windows directory of the test's own with the given "Button.InI", and no engine:
// a destination's job ends at once with kStatusLibNotFound, recorded instead of shown.
class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnloadScanEngine();
        ClearActiveDestinations();
    }

    void WriteButtonIni(const std::string& text) { WriteTextFile(folder_.File("Button.InI"), text); }
    std::string Progress(const char* key)
    {
        char value[256];
        GetPrivateProfileStringA("Progress", key, "<absent>", value, sizeof value,
                                 folder_.File("Button.InI").c_str());
        return value;
    }
    int ActiveFlags()
    {
        return g_scan.ActiveApplication + 2 * g_scan.ActivePrinter + 4 * g_scan.ActiveMail +
               8 * g_scan.ActiveFolder;
    }

    ScratchWindowsDirectory folder_;
    ShownMessages shown_;
};

}  // namespace

TEST(ButtonNumbers, LowestSetBitCounts)
{
    EXPECT_EQ(ButtonNumberFromCode(0), 0);
    EXPECT_EQ(ButtonNumberFromCode(1), 1);
    EXPECT_EQ(ButtonNumberFromCode(2), 2);
    EXPECT_EQ(ButtonNumberFromCode(4), 3);
    EXPECT_EQ(ButtonNumberFromCode(8), 4);
    EXPECT_EQ(ButtonNumberFromCode(6), 2);
    EXPECT_EQ(ButtonNumberFromCode(12), 3);
    EXPECT_EQ(ButtonNumberFromCode(0x80000000u), 32);
}

TEST_F(DispatchTest, MailFunctionPublishesItsProgressEntries)
{
    WriteButtonIni("[Main]\r\n3=4\r\n[Mail]\r\nProgress1=mail1.bmp\r\nProgress2=mail2.bmp\r\n"
                   "[Image]\r\nProgress1=image1.bmp\r\n");
    EXPECT_EQ(DispatchButton(ButtonNumberFromCode(4)), 1);
    EXPECT_EQ(Progress("ScanTo_Image1"), "mail1.bmp");
    EXPECT_EQ(Progress("ScanTo_Image2"), "mail2.bmp");
    EXPECT_EQ(ActiveFlags(), 4);
}

TEST_F(DispatchTest, AbsentProgressEntriesArePublishedEmpty)
{
    WriteButtonIni("[Main]\r\n1=1\r\n[Progress]\r\nScanTo_Image1=stale\r\nScanTo_Image2=stale\r\n");
    DispatchButton(1);
    EXPECT_EQ(Progress("ScanTo_Image1"), "");
    EXPECT_EQ(Progress("ScanTo_Image2"), "");
    EXPECT_EQ(ActiveFlags(), 1);
}

TEST_F(DispatchTest, CopyFunctionSetsThePrinterFlag)
{
    WriteButtonIni("[Main]\r\n2=2\r\n[Copy]\r\nProgress1=copy1\r\n");
    DispatchButton(ButtonNumberFromCode(2));
    EXPECT_EQ(Progress("ScanTo_Image1"), "copy1");
    EXPECT_EQ(ActiveFlags(), 2);
}

TEST_F(DispatchTest, FolderFunctionLeavesProgressAlone)
{
    WriteButtonIni("[Main]\r\n4=16\r\n[Progress]\r\nScanTo_Image1=kept\r\n");
    DispatchButton(ButtonNumberFromCode(8));
    EXPECT_EQ(Progress("ScanTo_Image1"), "kept");
    EXPECT_EQ(Progress("ScanTo_Image2"), "<absent>");
    EXPECT_EQ(ActiveFlags(), 8);
    // The folder's scan ran and, without an engine, ended with the engine's absence.
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgLibNotFound"});
}

TEST_F(DispatchTest, UnknownOrMissingFunctionsRunNothing)
{
    // No file at all.
    EXPECT_EQ(DispatchButton(1), 1);
    EXPECT_EQ(ActiveFlags(), 0);

    const char* cases[] = {
        "[Main]\r\n1=0\r\n",     "[Main]\r\n1=8\r\n",       "[Main]\r\n1=abc\r\n", "[Main]\r\n2=1\r\n",
        "[Other]\r\n1=1\r\n",    "[Main]\r\n1=-1\r\n",      "[Main]\r\n1=3\r\n",   "garbage without sections\r\n1=1\r\n",
    };
    for (const char* text : cases) {
        WriteButtonIni(text);
        DispatchButton(1);
        EXPECT_EQ(ActiveFlags(), 0) << text;
        EXPECT_EQ(Progress("ScanTo_Image1"), "<absent>") << text;
    }
}

TEST_F(DispatchTest, ButtonZeroReadsKeyZero)
{
    WriteButtonIni("[Main]\r\n0=2\r\n");
    DispatchButton(ButtonNumberFromCode(0));
    EXPECT_EQ(ActiveFlags(), 2);
}

TEST_F(DispatchTest, DispatchClearsAbortOfThePreviousJob)
{
    g_scan.JobAborted = 1;
    DispatchButton(3);
    EXPECT_EQ(g_scan.JobAborted, 0);
}

TEST_F(DispatchTest, AnotherSectionCanAssignTheButtons)
{
    WriteButtonIni("[Main]\r\n1=2\r\n[Alt]\r\n1=4\r\n");
    EXPECT_EQ(RunButtonFunction(1, "Alt"), 1);
    EXPECT_EQ(ActiveFlags(), 4);
}

namespace {
std::vector<int> g_refusals;
}  // namespace

TEST_F(DispatchTest, APressDuringAJobIsRefusedToldOnceAndLeavesTheJobsFlags)
{
    WriteButtonIni("[Main]\r\n4=16\r\n");
    SetRefusedPressListener([](int running) { g_refusals.push_back(running); });
    ASSERT_TRUE(TryClaimPress(kFunctionCopy));
    SetActiveDestination(Destination::Printer);
    DispatchButton(4);
    DispatchButton(4);
    EXPECT_FALSE(TryClaimPress(kFunctionMail));
    EXPECT_EQ(ActiveFlags(), 2);
    EXPECT_EQ(g_refusals, std::vector<int>{kFunctionCopy});
    ReleasePress();
    EXPECT_TRUE(WaitForPressEnd(0));
    // The next press runs, and the next job's first refusal is told again.
    DispatchButton(4);
    EXPECT_EQ(ActiveFlags(), 8);
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgLibNotFound"});
    ASSERT_TRUE(TryClaimPress(0));
    EXPECT_FALSE(WaitForPressEnd(10));
    DispatchButton(4);
    ReleasePress();
    EXPECT_EQ(g_refusals, (std::vector<int>{kFunctionCopy, 0}));
    SetRefusedPressListener(nullptr);
}

namespace {

struct Rect {
    int32_t left, top, right, bottom;
    bool operator==(const Rect&) const = default;
};

Rect AreaFor(int areaIndex, int maxWidth, int maxHeight)
{
    int32_t r[4];
    WriteButtonSetting(kKindImage, ButtonSetting{0, 0, 0, 0, areaIndex});
    g_scan.MaxWidth = maxWidth;
    g_scan.MaxHeight = maxHeight;
    GetScanArea(r, ScanOrderFor(kKindImage));
    WriteButtonSetting(kKindImage, ButtonSetting{});
    g_scan.MaxWidth = 0;
    g_scan.MaxHeight = 0;
    return {r[0], r[1], r[2], r[3]};
}

}  // namespace

TEST(ScanArea, TableAndBedLimits)
{
    EXPECT_EQ(AreaFor(0, 850, 1169), (Rect{11, 0, 837, 1169}));
    EXPECT_EQ(AreaFor(1, 850, 1169), (Rect{80, 0, 770, 984}));
    EXPECT_EQ(AreaFor(2, 850, 1169), (Rect{0, 0, 850, 1100}));
    EXPECT_EQ(AreaFor(7, 850, 1169), (Rect{11, 0, 837, 1169}));
    EXPECT_EQ(AreaFor(-1, 850, 1169), (Rect{11, 0, 837, 1169}));
    // A shorter bed cuts the bottom.
    EXPECT_EQ(AreaFor(0, 850, 1100), (Rect{11, 0, 837, 1100}));
    // A narrower bed: the page ends at the bed's right edge and is no wider than it.
    Rect narrow = AreaFor(2, 800, 1169);
    EXPECT_EQ(narrow, (Rect{0, 0, 800, 1100}));
    Rect a4 = AreaFor(0, 820, 1169);
    EXPECT_LE(a4.right - a4.left, 820);
    EXPECT_LE(a4.right, 820);
    // A page narrower than the bed but past its edge still ends there; so does a B5 or
    // Letter page on a shorter bed. Unknown (zero) limits leave the page alone.
    EXPECT_EQ(AreaFor(1, 760, 1169), (Rect{80, 0, 760, 984}));
    EXPECT_EQ(AreaFor(1, 850, 950), (Rect{80, 0, 770, 950}));
    EXPECT_EQ(AreaFor(2, 850, 1000), (Rect{0, 0, 850, 1000}));
    EXPECT_EQ(AreaFor(1, 60, 1169), (Rect{0, 0, 60, 984}));
    EXPECT_EQ(AreaFor(0, 0, 0), (Rect{11, 0, 837, 1169}));
}

TEST(ScanTables, ResolutionDocTypeAndBrightness)
{
    EXPECT_EQ(ResolutionForIndex(0), 150);
    EXPECT_EQ(ResolutionForIndex(3), 600);
    EXPECT_EQ(ResolutionForIndex(4), 0);
    EXPECT_EQ(ResolutionForIndex(-1), 0);
    EXPECT_EQ(kDocTypes[2].imageType, 3);
    EXPECT_EQ(kDocTypes[2].bitsPerSample, 1);

    // Normal, Darker, Lighter, Auto.
    EXPECT_EQ(BrightnessForIndex(0).tone, 130);
    EXPECT_EQ(BrightnessForIndex(1).tone, 120);
    EXPECT_EQ(BrightnessForIndex(1).blackWhite, -18);
    EXPECT_EQ(BrightnessForIndex(2).blackWhite, 22);
    EXPECT_EQ(BrightnessForIndex(3).tone, 100);
    EXPECT_EQ(BrightnessForIndex(9).tone, 100);

    // List positions become codes through the section's DocType mask.
    EXPECT_EQ(DocCodeFromPosition(1, 7), 1);
    EXPECT_EQ(DocCodeFromPosition(0, 4), 2);
    EXPECT_EQ(DocCodeFromPosition(1, 5), 2);
    EXPECT_EQ(DocCodeFromPosition(0, 6), 1);
    EXPECT_EQ(DocCodeFromPosition(2, 3), -1);
    EXPECT_EQ(DocCodeFromPosition(2, 0), 2);
}

TEST(ScanTables, ButtonKindSections)
{
    EXPECT_STREQ(kButtonKindNames[kKindCopy], "Copy");
    EXPECT_STREQ(kButtonKindNames[kKindMail], "Mail");
    EXPECT_STREQ(kButtonKindNames[kKindImage], "Image");
    EXPECT_STREQ(kButtonKindNames[kKindMyFolder], "MyFolder");
    EXPECT_STREQ(kButtonKindNames[10], "WallPaper");
}
