#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "i18n/loc_text.h"

namespace {

struct Parsed {
    bool ok;
    std::string key;
    std::string text;
};

Parsed Parse(const std::string& line)
{
    char key[kLocKeySize];
    char text[kLocTextSize];
    bool ok = ParseLocalizationLine(line.c_str(), key, text);
    return {ok, key, text};
}

}  // namespace

TEST(LocalizationLine, SplitsKeyAndKeepsInnerAndTrailingSpaces)
{
    Parsed p = Parse("   MsgNoPrinter   No printer  here  ");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.key, "MsgNoPrinter");
    EXPECT_EQ(p.text, "No printer  here  ");
}

TEST(LocalizationLine, BackslashNBecomesLineFeedThenCarriageReturn)
{
    Parsed p = Parse("MsgNoPrinter   First\\nSecond\\n");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.text, "First\n\rSecond\n\r");
    // A lone backslash or backslash-other stays.
    EXPECT_EQ(Parse("Key a\\tb\\").text, "a\\tb\\");
}

TEST(LocalizationLine, IgnoresCommentsEmptyLinesAndKeysWithoutText)
{
    EXPECT_TRUE(IsCommentLine("  //MsgNoPrinter text"));
    EXPECT_FALSE(Parse("  //MsgNoPrinter text").ok);
    EXPECT_FALSE(Parse("// comment").ok);
    EXPECT_FALSE(IsCommentLine("Msg // not a comment"));
    EXPECT_FALSE(Parse("").ok);
    EXPECT_FALSE(Parse("     ").ok);
    EXPECT_FALSE(Parse("MsgNoPrinter").ok);
    EXPECT_FALSE(Parse("MsgNoPrinter    ").ok);
}

TEST(LocalizationLine, FirstWordThatDoesNotFitTheKeyBufferIsNoKey)
{
    EXPECT_TRUE(Parse(std::string(kLocKeySize - 1, 'K') + " text").ok);
    EXPECT_FALSE(Parse(std::string(kLocKeySize, 'K') + " text").ok);
    EXPECT_FALSE(Parse(std::string(5000, 'K') + " text").ok);
}

TEST(LocalizationLine, TextIsCutToItsBuffer)
{
    Parsed p = Parse("Key " + std::string(3000, 'x'));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.text.size(), kLocTextSize - 1);
}

TEST(LocalizationLine, StripsOneLineFeedThenOneCarriageReturn)
{
    char line[16] = "Key text\r\n";
    StripLineEnd(line);
    EXPECT_STREQ(line, "Key text");
    char twice[16] = "Key text\r\r\n";
    StripLineEnd(twice);
    EXPECT_STREQ(twice, "Key text\r");
    char bare[4] = "";
    StripLineEnd(bare);
    EXPECT_STREQ(bare, "");
}

// ---- Key table search ------------------------------------------------------------

namespace {

// A table as the module builds it: count sorted records, then the terminator.
struct Table {
    KeyRecord records[8] = {};
    int count = 0;
    void Add(uint32_t id, const char* key)
    {
        records[count].id = id;
        snprintf(records[count].key, kKeyRecordKeySize, "%s", key);
        ++count;
    }
    void Close()
    {
        records[count].id = kKeyIdListEnd;
        records[count].key[0] = '\0';
        SortKeyRecords(records, count);
    }
};

}  // namespace

TEST(KeyTableSearch, FindsEveryKeyOfASortedTable)
{
    Table t;
    t.Add(11331, "MsgNoPrinter");
    t.Add(11101, "DlgLocalFont");
    t.Add(11293, "Abort");
    t.Add(11378, "MsgTimeOut");
    t.Add(11201, "TipTornel");
    t.Close();
    EXPECT_EQ(FindKeyId(t.records, t.count, "MsgNoPrinter"), 11331);
    EXPECT_EQ(FindKeyId(t.records, t.count, "DlgLocalFont"), 11101);
    EXPECT_EQ(FindKeyId(t.records, t.count, "Abort"), 11293);
    EXPECT_EQ(FindKeyId(t.records, t.count, "MsgTimeOut"), 11378);
    EXPECT_EQ(FindKeyId(t.records, t.count, "TipTornel"), 11201);
    // Exact comparison: case and prefixes matter.
    EXPECT_EQ(FindKeyId(t.records, t.count, "msgnoprinter"), 0);
    EXPECT_EQ(FindKeyId(t.records, t.count, "MsgNoPrinte"), 0);
    EXPECT_EQ(FindKeyId(t.records, t.count, "ZZZ"), 0);
    EXPECT_EQ(FindKeyId(t.records, t.count, "AAA"), 0);
}

TEST(KeyTableSearch, TerminatorAndEmptyRecordsNeverMatch)
{
    Table t;
    t.Add(11331, "MsgNoPrinter");
    t.Close();
    EXPECT_EQ(FindKeyId(t.records, t.count, ""), 0);
    Table empty;
    empty.Close();
    EXPECT_EQ(FindKeyId(empty.records, 0, ""), 0);
    EXPECT_EQ(FindKeyId(empty.records, 0, "MsgNoPrinter"), 0);
    // A record that lost its id (zero-filled) is found by key but has no usable id.
    Table zeroed;
    zeroed.Add(0, "Orphan");
    zeroed.Close();
    EXPECT_EQ(FindKeyId(zeroed.records, zeroed.count, "Orphan"), 0);
    EXPECT_EQ(FindKeyId(nullptr, 3, "MsgNoPrinter"), 0);
}

// ---- Localized texts used as formats -----------------------------------------------

TEST(LocalizedFormat, SubstitutesTheOneExpectedString)
{
    char out[64];
    FormatLocalizedText(out, "Cannot start %s.", "paint.exe");
    EXPECT_STREQ(out, "Cannot start paint.exe.");
    FormatLocalizedText(out, "100%% of %s", "page");
    EXPECT_STREQ(out, "100% of page");
}

TEST(LocalizedFormat, OtherOrExtraConversionsAreShownNotInterpreted)
{
    char out[96];
    FormatLocalizedText(out, "Bad %n here %s", "arg");
    EXPECT_STREQ(out, "Bad %n here %s arg");
    FormatLocalizedText(out, "%s and %s", "arg");
    EXPECT_STREQ(out, "%s and %s arg");
    FormatLocalizedText(out, "%d items", "arg");
    EXPECT_STREQ(out, "%d items arg");
    FormatLocalizedText(out, "String not found!", "C:\\x.exe");
    EXPECT_STREQ(out, "String not found! C:\\x.exe");
    FormatLocalizedText(out, "trailing %", "arg");
    EXPECT_STREQ(out, "trailing % arg");
    FormatLocalizedText(out, "%-20s", "arg");
    EXPECT_STREQ(out, "%-20s arg");
}

TEST(LocalizedFormat, StringThenNumber)
{
    char out[96];
    FormatLocalizedText(out, "%s Error Code : %lu", "word.exe", 193ul);
    EXPECT_STREQ(out, "word.exe Error Code : 193");
    FormatLocalizedText(out, "%lu %s", "word.exe", 193ul);
    EXPECT_STREQ(out, "%lu %s word.exe 193");
    FormatLocalizedText(out, "%s only", "word.exe", 5ul);
    EXPECT_STREQ(out, "%s only word.exe 5");
    FormatLocalizedText(out, "%s %lu %s", "word.exe", 5ul);
    EXPECT_STREQ(out, "%s %lu %s word.exe 5");
}

TEST(LocalizedFormat, ResultIsCutToTheBuffer)
{
    char out[8];
    FormatLocalizedText(out, "Cannot start %s.", "paint.exe");
    EXPECT_STREQ(out, "Cannot ");
    FormatLocalizedText(out, "%n%n%n%n%n", "paint.exe", 1ul);
    EXPECT_STREQ(out, "%n%n%n%");
}
