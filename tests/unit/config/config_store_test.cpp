#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/paths.h"
#include "config/config.h"
#include "config_test_ids.h"
#include "test_support.h"

namespace {

// Numbered numbers, as the tests write and read them.
int ReadIniIndexedInt(const char* fileName, const char* section, const char* key, int index, int defaultValue)
{
    char indexed[64];
    IndexedKey(indexed, key, index);
    return ReadIniInt(fileName, section, indexed, defaultValue);
}

bool WriteIniIndexedInt(const char* fileName, const char* section, const char* key, int index, int value)
{
    char indexed[64];
    IndexedKey(indexed, key, index);
    return WriteIniInt(fileName, section, indexed, value);
}

// Each test gets its own Windows directory; the real one is put back afterwards.
class ConfigStoreTest : public ::testing::Test {
protected:
    ConfigStoreTest() { g_selections.DefaultAppIndex = 1; }

    std::string Config() const { return folder_.File("kmconfig.ini"); }
    void WriteConfig(const std::string& text) const { WriteTextFile(Config(), text); }
    std::string Read(const char* section, const char* key, const char* fallback = "<absent>") const
    {
        char value[1024];
        GetPrivateProfileStringA(section, key, fallback, value, sizeof value, Config().c_str());
        return value;
    }
    // The key names of a section, in file order.
    std::vector<std::string> Keys(const char* section) const
    {
        std::vector<char> names(65536);
        DWORD length = GetPrivateProfileStringA(section, nullptr, "", names.data(), static_cast<DWORD>(names.size()),
                                                Config().c_str());
        std::vector<std::string> keys;
        for (DWORD at = 0; at < length && names[at];) {
            keys.emplace_back(&names[at]);
            at += static_cast<DWORD>(keys.back().size()) + 1;
        }
        return keys;
    }
    std::string ExistingFile(const char* name) const
    {
        WriteTextFile(folder_.File(name), "x");
        return folder_.File(name);
    }

    ScratchWindowsDirectory folder_;
};

}  // namespace

// ---- The "Tornel" section and ButtonSettings -----------------------------------------

TEST_F(ConfigStoreTest, TornelIntsReadAbsentAndNineThousandNineHundredNinetyNineAsMinusOne)
{
    WriteConfig("[Tornel]\r\nDoc3=2\r\nRes3=9999\r\nBri3=-5\r\nScanToPoint=0\r\n");
    EXPECT_EQ(ReadTornelInt("Doc", 3), 2);
    EXPECT_EQ(ReadTornelInt("Res", 3), -1);
    EXPECT_EQ(ReadTornelInt("Bri", 3), -5);
    EXPECT_EQ(ReadTornelInt("Doc", 4), -1);
    EXPECT_EQ(ReadTornelInt("ScanToPoint", -1), 0);
    WriteTornelInt("Area", 12, -7);
    WriteTornelInt("Plain", -3, 42);
    EXPECT_EQ(Read("Tornel", "Area12"), "-7");
    EXPECT_EQ(Read("Tornel", "Plain"), "42");
}

// A section read in one call must give, key for key, what the profile API gives.
TEST_F(ConfigStoreTest, SectionReadsEveryValueAsTheSingleKeyReadDoes)
{
    const std::vector<std::string> values = {
        "7", "-7", "+7", "  12  ", "\t3", "12abc", "abc", "", "0", "9999", "-0", "2147483647", "2147483648",
        "-2147483648", "4294967297", "0x1F", "0X1F", "0o17", "0b101", "0b", "0x", "08", "- 5", "--5", "+-5",
        "\"42\"", "'42'", "\"42", "42\"", "\"\"", "''", "\"", "\"-3\"", "\" 8\"", "'42\"",
        "1234567890123456789012345678", "12345678901234567890123456789", "123456789012345678901234567890",
        "\"123456789012345678901234567\"", "\"1234567890123456789012345678\"",
        "\"12345678901234567890123456789\"", "\"123456789012345678901234567890\"",
        "00000000000000000000000000042", "000000000000000000000000000042", "5;comment", "1 2", "\xe9" "5",
    };
    std::string text = "[Other]\r\nK0=100\r\n[Tornel]\r\n; a comment line\r\nNoValue\r\n  Spaced  =  6  \r\n"
                       "dup=1\r\nDUP=2\r\nEmpty=\r\n";
    for (size_t i = 0; i < values.size(); ++i)
        text += "K" + std::to_string(i) + "=" + values[i] + "\r\n";
    text += "[Last]\r\nK1=200\r\n";
    WriteConfig(text);

    const IniSection tornel(kConfigFileName, kTornelSection);
    std::vector<std::string> keys = {"NoValue", "spaced", "Dup", "Empty", "Missing", "; a comment line", "K"};
    for (size_t i = 0; i < values.size(); ++i)
        keys.push_back("K" + std::to_string(i));
    for (const std::string& key : keys) {
        for (int fallback : {9999, -1, 0}) {
            EXPECT_EQ(tornel.ReadInt(key.c_str(), fallback), ReadIniInt(kConfigFileName, "Tornel", key.c_str(), fallback))
                << "key " << key << ", default " << fallback;
        }
    }
}

TEST_F(ConfigStoreTest, SectionReadOfAMissingFileOrSectionGivesTheDefaults)
{
    const IniSection noFile(kConfigFileName, kTornelSection);
    EXPECT_EQ(noFile.ReadInt("Doc0", 9999), 9999);
    WriteConfig("[Image]\r\nDefDoc=2\r\n");
    const IniSection noSection(kConfigFileName, kTornelSection);
    EXPECT_EQ(noSection.ReadInt("DefDoc", -4), -4);
    EXPECT_EQ(ReadTornelInt(noSection, "Doc", 0), -1);
}

// About 140 KB takes a larger buffer; 1.4 MB is read key by key.
TEST_F(ConfigStoreTest, LargeSectionsStillFindTheirLastKey)
{
    for (int lines : {2000, 20000}) {
        std::string text = "[Tornel]\r\n";
        for (int i = 0; i < lines; ++i)
            text += "Filler" + std::to_string(i) + "=" + std::string(60, 'x') + "\r\n";
        text += "Doc14=3\r\n";
        WriteConfig(text);
        const IniSection tornel(kConfigFileName, kTornelSection);
        EXPECT_EQ(ReadTornelInt(tornel, "Doc", 14), 3) << lines << " lines";
        EXPECT_EQ(ReadTornelInt(tornel, "Res", 14), -1) << lines << " lines";
    }
}

TEST_F(ConfigStoreTest, LoadFallsBackToTheFunctionSectionForAbsentOrNegativeChoices)
{
    WriteConfig("[Tornel]\r\nDoc5=9999\r\nRes5=3\r\nBri5=-2\r\nDoc0=1\r\nOrg0=4\r\nArea0=2\r\n"
                "Area5=0\r\nArea9=1\r\nArea14=2\r\n[Image]\r\nDefDoc=2\r\nDefRes=1\r\nDefBri=3\r\n"
                "[copy]\r\nDefDoc=0\r\nDefRes=2\r\nDefBri=1\r\n[Application]\r\nDefaultArea=2\r\n"
                "[MyFolder]\r\nDefaultArea=-1\r\n");
    WriteButtonSetting(0, ButtonSetting{0, 0, 0, 0, 9});
    LoadButtonSettings();
    EXPECT_EQ(ReadButtonSetting(5).Doc, 2);  // 9999: the section's DefDoc
    EXPECT_EQ(ReadButtonSetting(5).Res, 3);
    EXPECT_EQ(ReadButtonSetting(5).Bri, 3);  // negative: DefBri
    EXPECT_EQ(ReadButtonSetting(0).Doc, 1);
    EXPECT_EQ(ReadButtonSetting(0).Res, 2);  // section names compare without case
    EXPECT_EQ(ReadButtonSetting(0).Bri, 1);
    EXPECT_EQ(ReadButtonSetting(0).Org, 0);  // never read back
    EXPECT_EQ(ReadButtonSetting(0).Area, 2);   // no "DefaultArea" of "Printer": the stored area
    EXPECT_EQ(ReadButtonSetting(5).Area, 2);   // the page's "DefaultArea" first
    EXPECT_EQ(ReadButtonSetting(9).Area, 1);   // a kind without a page
    EXPECT_EQ(ReadButtonSetting(14).Area, 2);  // a negative "DefaultArea" is no choice
    EXPECT_EQ(ReadButtonSetting(14).Doc, 0);  // nothing at all: 0
}

TEST_F(ConfigStoreTest, SaveWritesExactlySeventySixKeysInOrder)
{
    for (int kind = 0; kind < kButtonKindCount; ++kind)
        WriteButtonSetting(kind, {kind, kind + 1, -kind, 0, kind % 3});
    SaveButtonSettings();
    std::vector<std::string> keys = Keys("Tornel");
    ASSERT_EQ(keys.size(), 76u);
    EXPECT_EQ(keys[0], "Doc0");
    EXPECT_EQ(keys[1], "Res0");
    EXPECT_EQ(keys[2], "Bri0");
    EXPECT_EQ(keys[3], "Org0");
    EXPECT_EQ(keys[4], "Area0");
    EXPECT_EQ(keys[5], "Doc1");
    EXPECT_EQ(keys[74], "Area14");
    EXPECT_EQ(keys[75], "ScanToPoint");
    EXPECT_EQ(Read("Tornel", "ScanToPoint"), "0");
    EXPECT_EQ(Read("Tornel", "Bri7"), "-7");
    EXPECT_EQ(Read("Tornel", "Area14"), "2");
    // Nothing but the file in the test's own Windows directory was written.
    EXPECT_NE(GetFileAttributesA(Config().c_str()), INVALID_FILE_ATTRIBUTES);

    LoadButtonSettings();
    EXPECT_EQ(ReadButtonSetting(9).Res, 10);
    EXPECT_EQ(ReadButtonSetting(10).Area, 1);
}

TEST_F(ConfigStoreTest, SaveLeavesUnreadableChoicesAsTheFileHasThem)
{
    WriteConfig("[Tornel]\r\nDoc5=abc\r\nRes5=-7\r\nBri5=0x2\r\nDoc6=2\r\nArea6=abc\r\n[Image]\r\nDefRes=1\r\n");
    LoadButtonSettings();
    ButtonSetting changed = ReadButtonSetting(6);
    changed.Doc = 1;  // the one change
    WriteButtonSetting(6, changed);
    SaveButtonSettings();
    EXPECT_EQ(Read("Tornel", "Doc5"), "abc");
    EXPECT_EQ(Read("Tornel", "Res5"), "-7");
    EXPECT_EQ(Read("Tornel", "Bri5"), "0x2");
    EXPECT_EQ(Read("Tornel", "Area6"), "abc");
    EXPECT_EQ(Read("Tornel", "Doc6"), "1");
    EXPECT_EQ(Read("Tornel", "Res6"), "0");  // absent keys are written
}

// ---- The application list -----------------------------------------------------------

TEST_F(ConfigStoreTest, CompactMovesLaterEntriesDownOverMissingFiles)
{
    const std::string present = ExistingFile("present.exe");
    WriteConfig("[Tornel_Application]\r\nNumAp=2\r\nApName0=Keep\r\nApFileName0=Z:\\none.exe\r\n"
                "ApName1=Gone\r\nApFileName1=" + folder_.File("missing.exe") + "\r\n"
                "ApName2=Here\r\nApFileName2=" + present + "\r\n");
    CompactFileList("Tornel_Application", "NumAp", "ApName", "ApFileName");
    EXPECT_EQ(Read("Tornel_Application", "NumAp"), "1");
    EXPECT_EQ(Read("Tornel_Application", "ApName1"), "Here");
    EXPECT_EQ(Read("Tornel_Application", "ApFileName1"), present);
    EXPECT_EQ(Read("Tornel_Application", "ApName2"), "<absent>");
    EXPECT_EQ(Read("Tornel_Application", "ApFileName2"), "<absent>");
    EXPECT_EQ(Read("Tornel_Application", "ApName0"), "Keep");  // index 0 is never examined
}

TEST_F(ConfigStoreTest, CompactKeepsOrderAcrossSeveralGapsAndLeavesAFullListAlone)
{
    const std::string a = ExistingFile("a.exe");
    const std::string c = ExistingFile("c.exe");
    const std::string e = "\"" + ExistingFile("e.exe") + "\"";
    WriteConfig("[List]\r\nCount=5\r\nName1=A\r\nFile1=" + a + "\r\nName2=B\r\nFile2=\r\nName3=C\r\nFile3=" + c +
                "\r\nName4=D\r\nFile4=Z:\\nowhere\\d.exe\r\nName5=E\r\nFile5=" + e + "\r\n");
    CompactFileList("List", "Count", "Name", "File");
    EXPECT_EQ(Read("List", "Count"), "3");
    EXPECT_EQ(Read("List", "Name1"), "A");
    EXPECT_EQ(Read("List", "Name2"), "C");
    EXPECT_EQ(Read("List", "Name3"), "E");
    // The profile read drops a value's enclosing quotes, so the moved entry has none.
    EXPECT_EQ(Read("List", "File3"), e.substr(1, e.size() - 2));
    EXPECT_EQ(Read("List", "Name4"), "<absent>");

    const std::string before = ReadTextFile(Config());
    CompactFileList("List", "Count", "Name", "File");
    EXPECT_EQ(ReadTextFile(Config()), before);
    CompactFileList("Empty", "Count", "Name", "File");
    EXPECT_EQ(Keys("Empty").size(), 0u);
}

TEST_F(ConfigStoreTest, WriteApplicationEntryAppendsOrWritesInPlace)
{
    WriteConfig("[Tornel_Application]\r\nNumAp=3\r\nApName1=One\r\nApName2=Two\r\nApName3=Three\r\n");
    g_selections.DefaultAppIndex = 2;
    WriteApplicationEntry("Paint", "C:\\paint.exe", -1);
    EXPECT_EQ(Read("Tornel_Application", "NumAp"), "4");
    EXPECT_EQ(Read("Tornel_Application", "ApName4"), "Paint");
    EXPECT_EQ(Read("Tornel_Application", "ApFileName4"), "C:\\paint.exe");
    EXPECT_EQ(Read("Tornel_Application", "DefaultID"), "2");

    WriteApplicationEntry("Two again", "C:\\two.exe", 2);
    EXPECT_EQ(Read("Tornel_Application", "NumAp"), "4");
    EXPECT_EQ(Read("Tornel_Application", "ApName2"), "Two again");
    EXPECT_EQ(Read("Tornel_Application", "ApFileName2"), "C:\\two.exe");
}

TEST_F(ConfigStoreTest, WriteApplicationEntryWithIndexZeroWritesOnlyTheNameAndDefault)
{
    WriteConfig("[Tornel_Application]\r\nNumAp=3\r\n");
    g_selections.DefaultAppIndex = 3;
    WriteApplicationEntry("Chosen", "C:\\ignored.exe", 0);
    std::vector<std::string> keys = Keys("Tornel_Application");
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(Read("Tornel_Application", "ApName0"), "Chosen");
    EXPECT_EQ(Read("Tornel_Application", "DefaultID"), "3");
    EXPECT_EQ(Read("Tornel_Application", "ApFileName0"), "<absent>");
    EXPECT_EQ(Read("Tornel_Application", "NumAp"), "3");
}

TEST_F(ConfigStoreTest, SelectDefaultApplicationCopiesTheName)
{
    WriteConfig("[Tornel_Application]\r\nNumAp=2\r\nApName1=One\r\nApName2=Two\r\n");
    g_selections.DefaultAppIndex = 2;
    SelectDefaultApplication(2);
    EXPECT_EQ(Read("Tornel_Application", "ApName0"), "Two");
    EXPECT_EQ(Read("Tornel_Application", "DefaultID"), "2");
    SelectDefaultApplication(7);  // no such entry: the read's default, a blank
    EXPECT_EQ(Read("Tornel_Application", "ApName0", "<absent>").size(), 0u);
}

// Removing an entry keeps the default on the same application and leaves no keys
// of the former last entry behind.
TEST_F(ConfigStoreTest, RemoveApplicationEntryKeepsTheDefaultOnItsEntry)
{
    const struct {
        int count, defaultIndex, removed;
        bool removes;
        int newDefault;
        const char* defaultName;
    } kCases[] = {
        {4, 3, 2, true, 2, "C"},     // before the default: it moves down with its entry
        {4, 2, 3, true, 2, "B"},     // after the default: it stays
        {4, 2, 2, true, 1, "A"},     // the default itself: the first entry
        {1, 1, 1, true, 1, ""},      // the last entry: the default names none
        {4, 2, 5, false, 2, "B"},    // outside the list: nothing changes
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.count << " entries, default " << c.defaultIndex << ", remove "
                                        << c.removed);
        std::string text = "[Tornel_Application]\r\nNumAp=" + std::to_string(c.count) + "\r\n";
        for (int n = 1; n <= c.count; ++n) {
            std::string letter(1, static_cast<char>('A' + n - 1));
            text += "ApName" + std::to_string(n) + "=" + letter + "\r\nApFileName" + std::to_string(n) + "=C:\\" +
                    letter + ".exe\r\n";
        }
        text += "ApName0=" + std::string(1, static_cast<char>('A' + c.defaultIndex - 1)) + "\r\n";
        WriteConfig(text);
        g_selections.DefaultAppIndex = c.defaultIndex;
        EXPECT_EQ(RemoveApplicationEntry(c.removed), c.removes);
        EXPECT_EQ(g_selections.DefaultAppIndex.load(), c.newDefault);
        if (!c.removes)
            continue;
        EXPECT_EQ(Read("Tornel_Application", "NumAp"), std::to_string(c.count - 1));
        EXPECT_EQ(Read("Tornel_Application", "ApName0"), c.defaultName);
        EXPECT_EQ(Read("Tornel_Application", "DefaultID"), std::to_string(c.newDefault));
        EXPECT_EQ(Read("Tornel_Application", ("ApName" + std::to_string(c.count)).c_str()), "<absent>");
        EXPECT_EQ(Read("Tornel_Application", ("ApFileName" + std::to_string(c.count)).c_str()), "<absent>");
    }
}

TEST_F(ConfigStoreTest, FindEntryByNameIsExactAndStopsAtTheCount)
{
    WriteConfig("[Tornel_Application]\r\nApName1=Paint\r\nApName2=paint\r\nApName3=Word\r\n");
    int32_t index = 99;
    FindEntryByName("Tornel_Application", "ApName", 3, "paint", &index);
    EXPECT_EQ(index, 2);
    FindEntryByName("Tornel_Application", "ApName", 2, "Word", &index);
    EXPECT_EQ(index, -1);
    FindEntryByName("Tornel_Application", "ApName", 0, "Paint", &index);
    EXPECT_EQ(index, -1);
}

TEST_F(ConfigStoreTest, DeleteIniSectionRemovesEveryKey)
{
    WriteConfig("[Tornel_Printer]\r\nNumPrinter=2\r\nPrinterName1=A\r\n[Other]\r\nKey=1\r\n");
    DeleteIniSection(kConfigFileName, "Tornel_Printer");
    EXPECT_EQ(Keys("Tornel_Printer").size(), 0u);
    EXPECT_EQ(Read("Other", "Key"), "1");
}

// ---- FileExists -------------------------------------------------------------------------

TEST_F(ConfigStoreTest, FileExistsTestsQuotedPathsWithoutTheirQuotes)
{
    const std::string file = ExistingFile("app.exe");
    char quoted[MAX_PATH];
    snprintf(quoted, sizeof quoted, "\"%s\"", file.c_str());
    EXPECT_TRUE(FileExists(quoted));
    EXPECT_EQ(std::string(quoted), "\"" + file);  // the closing quote is gone from the caller's text

    char opening[MAX_PATH];
    snprintf(opening, sizeof opening, "\"%s", file.c_str());
    EXPECT_TRUE(FileExists(opening));
    EXPECT_TRUE(FileExists((" \"" + file + "\" \t").c_str()));
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_TRUE(FileExists((folder_.path() + "*.exe").c_str()));  // wildcards match
    EXPECT_FALSE(FileExists((folder_.path() + "other.exe").c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists("\""));
    EXPECT_FALSE(FileExists("\"\""));
}

// ---- Profile helpers --------------------------------------------------------------------

TEST_F(ConfigStoreTest, HelpersReadWriteAndIndexKeys)
{
    char key[8];
    EXPECT_TRUE(IndexedKey(key, "Folder", 3));
    EXPECT_STREQ(key, "Folder3");
    EXPECT_FALSE(IndexedKey(key, "ApFileName", 12));
    EXPECT_STREQ(key, "ApFileN");

    EXPECT_TRUE(WriteIniIndexedString("Button.InI", "Main", "", 3, "4"));
    EXPECT_EQ(ReadIniInt("Button.InI", "Main", "3", 0), 4);
    EXPECT_TRUE(WriteIniIndexedInt(kConfigFileName, "MyFolder", "Folder", 0, -12));
    EXPECT_EQ(ReadIniIndexedInt(kConfigFileName, "MyFolder", "Folder", 0, 5), -12);
    EXPECT_EQ(ReadIniIndexedInt(kConfigFileName, "MyFolder", "Folder", 1, 5), 5);

    WriteIniString(kConfigFileName, "EmailSystem", "Default", "Outlook Express");
    char small[8];
    EXPECT_EQ(ReadIniString(kConfigFileName, "EmailSystem", "Default", "", small), 7u);
    EXPECT_STREQ(small, "Outlook");
    char text[64];
    ReadIniIndexedString(kConfigFileName, "EmailSystem", "EmailSystem", 1, "none", text);
    EXPECT_STREQ(text, "none");
    EXPECT_TRUE(DeleteIniKey(kConfigFileName, "EmailSystem", "Default"));
    EXPECT_EQ(Read("EmailSystem", "Default"), "<absent>");
    EXPECT_TRUE(WriteIniString(kConfigFileName, "Tornel_Application", "NumAp", ""));
    EXPECT_EQ(Read("Tornel_Application", "NumAp"), "");
    EXPECT_TRUE(DeleteIniSection(kConfigFileName, "Tornel_Application"));
    EXPECT_EQ(Keys("Tornel_Application").size(), 0u);
    EXPECT_NE(GetFileAttributesA(folder_.File("Button.InI").c_str()), INVALID_FILE_ATTRIBUTES);
}

// ---- The installed files ------------------------------------------------------------

namespace {

std::string Resource(int id)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

}  // namespace

TEST_F(ConfigStoreTest, InstalledConfigurationServesEveryFunction)
{
    WriteConfig(Resource(IDR_KMCONFIG));
    static const char* const kSections[] = {"Copy",  "Mail",     "Fax",       "ToWeb", "MyWeb",
                                            "Image", "Excel",    "Word",      "eCard", "Calendar",
                                            "WallPaper", "MGI",  "Ds",        "Lamp",  "MyFolder"};
    for (const char* section : kSections) {
        for (const char* key : {"DefDoc", "DefRes", "DefBri", "DocType", "Resolution", "Brightness", "Component"})
            EXPECT_NE(Read(section, key), "<absent>") << section << " " << key;
        EXPECT_GE(ReadIniInt(kConfigFileName, section, "DefRes", -1), 0);
        EXPECT_LE(ReadIniInt(kConfigFileName, section, "DefRes", -1), 3);
    }
    EXPECT_EQ(ReadIniInt(kConfigFileName, "Image", "Component", 0), 1);
    EXPECT_EQ(ReadIniInt(kConfigFileName, "Copy", "Component", 0), 8);
    EXPECT_EQ(ReadIniInt(kConfigFileName, "Mail", "Component", 0), 16);
    EXPECT_GE(ReadIniInt(kConfigFileName, "MyFolder", "Num", 0), 1);
    EXPECT_NE(Read("MyFolder", "Folder1"), "<absent>");
    EXPECT_EQ(ReadIniInt(kConfigFileName, "MyFolder", "Default", 0), 1);
    EXPECT_EQ(ReadIniInt(kConfigFileName, "Debug", "DeleteOcrImage", -1), 1);
    EXPECT_GE(ReadIniInt(kConfigFileName, "Tornel_OcrDestination", "NumOcrDes", 0), 1);
    EXPECT_EQ(Read("Tornel_OcrDestination", "OcrDesName1"), "Microsoft Word");
    EXPECT_EQ(Read("Tornel_XlsDestination", "XlsDesName1"), "Microsoft Excel");
    for (const char* key : {"Fax", "ToWeb", "MyWeb"})
        EXPECT_NE(Read("Fun", key), "<absent>") << key;

    LoadButtonSettings();
    EXPECT_EQ(ReadButtonSetting(5).Res, ReadIniInt(kConfigFileName, "Image", "DefRes", -1));
    EXPECT_EQ(ReadButtonSetting(0).Res, ReadIniInt(kConfigFileName, "Copy", "DefRes", -1));
}

TEST_F(ConfigStoreTest, InstalledButtonAndKelmioFiles)
{
    WriteTextFile(folder_.File("Button.InI"), Resource(IDR_BUTTON_INI));
    WriteTextFile(folder_.File("kelmio32.ini"), Resource(IDR_KELMIO_INI));
    EXPECT_EQ(ReadIniInt(kButtonFileName, "Main", "1", 0), 1);
    EXPECT_EQ(ReadIniInt(kButtonFileName, "Main", "2", 0), 2);
    EXPECT_EQ(ReadIniInt(kButtonFileName, "Main", "3", 0), 4);
    EXPECT_EQ(ReadIniInt(kButtonFileName, "Main", "4", 0), 16);
    for (const char* section : {"Image", "Copy", "Mail"}) {
        char value[512];
        EXPECT_GT(ReadIniString(kButtonFileName, section, "Progress1", "", value), 0u) << section;
        EXPECT_GT(ReadIniString(kButtonFileName, section, "Progress2", "", value), 0u) << section;
    }
    char path[260];
    ReadIniString(kKelmioFileName, "Kelmio", "UserPath", "XX", path);
    EXPECT_EQ(path[strlen(path) - 1], '\\');
    EXPECT_STRNE(path, "XX");
}
