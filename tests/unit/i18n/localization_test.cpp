#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "common/paths.h"
#include "i18n/i18n.h"
#include "i18n_test_ids.h"
#include "i18n_test_util.h"

namespace {

std::string Text(int id, int size = 1024)
{
    std::string buffer(static_cast<size_t>(size), '\x7f');
    GetLocalizedText(id, buffer.data(), size);
    return buffer.c_str();
}

bool Has(int id)
{
    char buffer[1024];
    return GetLocalizedText(id, buffer) != 0;
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The Japanese dialogs' character set, for which the font is chosen by the system.
bool IsShiftJisFont() { return g_localization.LogFont.lfCharSet == 128; }

}  // namespace

// ---- The string table and the key table ---------------------------------------------

TEST(KeyTable, EveryListedIdHasItsKeyInTheStringTable)
{
    int count = 0;
    std::set<std::string> keys;
    for (const uint32_t* id = KeyIdList; *id != kKeyIdListEnd; ++id, ++count) {
        char key[1024];
        ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), *id, key, sizeof key), 0) << *id;
        EXPECT_LT(strlen(key), kKeyRecordKeySize) << key;
        EXPECT_TRUE(keys.insert(key).second) << "key twice: " << key;
    }
    EXPECT_EQ(count, kKeyIdCount);
    char key[64];
    EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 11310, key, sizeof key), 0);
}

TEST(KeyTable, IsBuiltSortedWithTheTerminatorBehind)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("MsgNoPrinter x\n"), 1);
    ASSERT_EQ(g_localization.KeyCount, kKeyIdCount);
    const KeyRecord* table = g_localization.KeyTable;
    for (int i = 1; i < g_localization.KeyCount; ++i)
        EXPECT_LT(strcmp(table[i - 1].key, table[i].key), 0) << table[i].key;
    EXPECT_EQ(table[kKeyIdCount].id, kKeyIdListEnd);
    EXPECT_STREQ(table[kKeyIdCount].key, "");
}

// ---- Reading the file ----------------------------------------------------------------

TEST(LocalizationFile, LinesCommentsAndNewlines)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("  //MsgDeviceBusy commented out\r\n"
                          "MsgNoPrinter   No printer\\nInstall one  \r\n"
                          "\r\n"
                          "   Abort Stop\r\n"
                          "MsgAborted\r\n"
                          "NotAKey Some text\r\n"
                          "DlgAdd first\r\n"
                          "DlgAdd second\r\n"),
              1);
    EXPECT_EQ(Text(11331), "No printer\n\rInstall one  ");
    EXPECT_EQ(Text(11293), "Stop");
    EXPECT_FALSE(Has(11364));  // MsgDeviceBusy: only in a comment
    EXPECT_FALSE(Has(11368));  // MsgAborted: key without text
    EXPECT_EQ(Text(11368), "String not found!");
    EXPECT_EQ(Text(11243), "second");  // the later line wins
    EXPECT_FALSE(Has(11310));          // no key at all
    EXPECT_EQ(Text(11310), "String not found!");
}

TEST(LocalizationFile, TextIsCutToTheCallersBuffer)
{
    LocalizationFolder folder;
    std::string hundred(100, 'a');
    for (int i = 0; i < 100; ++i)
        hundred[static_cast<size_t>(i)] = static_cast<char>('0' + i % 10);
    ASSERT_EQ(folder.Load("MsgNoPrinter " + hundred + "\n"), 1);
    EXPECT_EQ(Text(11331, 64), hundred.substr(0, 63));
    EXPECT_EQ(Text(11331, 101), hundred);
    EXPECT_EQ(Text(11331, 1), "");
    char untouched[4] = "abc";
    EXPECT_EQ(GetLocalizedText(11331, untouched, 0), 0);
    EXPECT_STREQ(untouched, "abc");
}

TEST(LocalizationFile, LongLinesGoOnAsTheNextLine)
{
    LocalizationFolder folder;
    // 1023 characters make one line; the rest of the physical line is read as another.
    std::string first = "DlgAdd " + std::string(1023 - 7, 'x');
    ASSERT_EQ(folder.Load(first + "MsgAborted continued\n" + std::string(300, 'K') + " ignored\nAbort Stop\n"), 1);
    EXPECT_EQ(Text(11243), std::string(1016, 'x'));
    EXPECT_EQ(Text(11368), "continued");
    EXPECT_EQ(Text(11293), "Stop");
}

TEST(LocalizationFile, MissingFileFails)
{
    LocalizationFolder folder;
    EXPECT_EQ(LoadLocalizationFile(folder.File("absent.loc").c_str(), KeyIdList), 0);
    EXPECT_FALSE(Has(11331));
}

TEST(LocalizationFile, EveryLookupLeavesItsRecord)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("MsgNoPrinter x\n"), 1);
    const std::string record = folder.File("R710Debug.ini");
    Text(5);  // below the key ids: the string table only, no record
    WritePendingLookupRecord();
    EXPECT_EQ(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES);
    Text(11331);
    Text(11331);
    EXPECT_EQ(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES) << "written once the burst is over";
    WritePendingLookupRecord();
    EXPECT_EQ(GetPrivateProfileIntA("R710BTNS", "Test", 0, record.c_str()), 8);
    DeleteFileA(record.c_str());
    Text(11310);  // a miss leaves the record too
    WritePendingLookupRecord();
    EXPECT_EQ(GetPrivateProfileIntA("R710BTNS", "Test", 0, record.c_str()), 8);
}

TEST(LocalizationFile, CheckAllTextsNamesAMissingText)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("MsgNoPrinter x\n"), 1);
    EXPECT_EQ(CheckAllTexts(g_localization.KeyTable), 0);
    EXPECT_EQ(CheckAllTexts(nullptr), 1);
}

// ---- Font ----------------------------------------------------------------------

TEST(LocalizedFontFromFile, DefaultsAndClamps)
{
    LocalizationFolder folder;
    const int dpi = ScreenDpi();
    auto height = [dpi](int size) { return -(((dpi * size + 71) / 72 + 1) & ~1); };

    ASSERT_EQ(folder.Load("MsgNoPrinter x\n"), 1);
    LOGFONTA font;
    font = g_localization.LogFont;
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(g_localization.PointSize, 8);
    EXPECT_EQ(font.lfHeight, height(8));
    EXPECT_EQ(font.lfWeight, 500);
    EXPECT_EQ(font.lfCharSet, 0);
    EXPECT_NE(g_localization.Font, nullptr);
    if (dpi == 96) {
        EXPECT_EQ(font.lfHeight, -12);
    }

    ASSERT_EQ(folder.Load("DlgLocalFontSize 25\nDlgLocalFont Courier New\n"), 1);
    font = g_localization.LogFont;
    EXPECT_EQ(g_localization.PointSize, 20);
    EXPECT_EQ(font.lfHeight, height(20));
    EXPECT_STREQ(font.lfFaceName, "Courier New");

    ASSERT_EQ(folder.Load("DlgLocalFontSize -3\n"), 1);
    EXPECT_EQ(g_localization.PointSize, 8);

    ASSERT_EQ(folder.Load("DlgLocalFontSize 10\n"), 1);
    font = g_localization.LogFont;
    EXPECT_EQ(font.lfHeight, height(10));
    if (dpi == 96) {
        EXPECT_EQ(font.lfHeight, -14);
    }
}

TEST(LocalizedFontFromFile, CharacterSetAndLongFaceNames)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("DlgLocalFontCharSet 128\nDlgLocalFont " + std::string(40, 'F') + "\n"), 1);
    LOGFONTA font;
    font = g_localization.LogFont;
    EXPECT_EQ(font.lfCharSet, 128);
    EXPECT_TRUE(IsShiftJisFont());
    EXPECT_EQ(std::string(font.lfFaceName), std::string(31, 'F'));

    ASSERT_EQ(folder.Load("DlgLocalFontCharSet 300\n"), 1);
    font = g_localization.LogFont;
    EXPECT_EQ(font.lfCharSet, 255);
    EXPECT_FALSE(IsShiftJisFont());
    ASSERT_EQ(folder.Load("DlgLocalFontCharSet -5\n"), 1);
    font = g_localization.LogFont;
    EXPECT_EQ(font.lfCharSet, 0);
}

TEST(LocalizedFontFromFile, SetLogFontRecomputesThePointSize)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("MsgNoPrinter x\n"), 1);
    HFONT before = g_localization.Font;
    LOGFONTA font = {};
    font.lfHeight = -ScreenDpi() * 12 / 72 - 1;  // a little over 12 points
    SetLocalizedLogFont(&font);
    EXPECT_EQ(g_localization.PointSize, 13);
    EXPECT_EQ(g_localization.Font, before);
}

TEST(LocalizedFontFromFile, FreeDeletesTheFont)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("MsgNoPrinter x\n"), 1);
    EXPECT_EQ(FreeLocalization(), 1);
    EXPECT_EQ(g_localization.Font, nullptr);
    EXPECT_EQ(g_localization.BucketCount, 0);
    EXPECT_FALSE(Has(11331));
}

// ---- Locating the installed file ----------------------------------------------------

TEST(InstalledLocalization, PrefersTornelLocAndFallsBackToTheSecondFile)
{
    LocalizationFolder folder;
    WriteTextFile(folder.File("trnl_inf.loc"), "MsgNoPrinter from the second file\n");
    ASSERT_EQ(LoadInstalledLocalization(), 1);
    EXPECT_EQ(Text(11331), "from the second file");

    WriteTextFile(folder.File("Tornel.loc"), "MsgNoPrinter from the first file\n");
    ASSERT_EQ(LoadInstalledLocalization(), 1);
    EXPECT_EQ(Text(11331), "from the first file");
}

TEST(InstalledLocalization, NoFileShowsTheFixedMessageAndQuits)
{
    LocalizationFolder folder;
    MSG stale;
    while (PeekMessageA(&stale, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    MessageBoxWatcher watcher;
    EXPECT_EQ(LoadInstalledLocalization(), 0);
    ASSERT_TRUE(watcher.Finish()) << "no message box appeared";
    EXPECT_EQ(watcher.text(), "Localization string file not found!");
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

// ---- The shipped files ----------------------------------------------------------------

namespace {

// Every text line of a shipped file must name a known key; returns the unknown ones.
std::string UnknownKeys(const std::string& file)
{
    std::string unknown;
    std::istringstream lines(file);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        char key[kLocKeySize];
        char text[kLocTextSize];
        if (line.empty() || IsCommentLine(line.c_str()))
            continue;
        if (!ParseLocalizationLine(line.c_str(), key, text) ||
            FindKeyId(g_localization.KeyTable, g_localization.KeyCount, key) <= 0)
            unknown += "[" + line + "] ";
    }
    return unknown;
}

void CheckShippedFile(int resource)
{
    const std::string file = ResourceBytes(resource, RT_RCDATA);
    ASSERT_FALSE(file.empty());
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load(file), 1);
    EXPECT_EQ(UnknownKeys(file), "");
    EXPECT_EQ(CheckAllTexts(g_localization.KeyTable), 1);
    for (const uint32_t* id = KeyIdList; *id != kKeyIdListEnd; ++id)
        EXPECT_TRUE(Has(static_cast<int>(*id))) << *id;
    LOGFONTA font;
    font = g_localization.LogFont;
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(g_localization.PointSize, 8);
}

}  // namespace

TEST(ShippedLocalization, EnglishIsComplete) { CheckShippedFile(IDR_LOC_ENGLISH); }

TEST(ShippedLocalization, GermanIsComplete) { CheckShippedFile(IDR_LOC_GERMAN); }
