// Output names and folders against real files, a real kmconfig.ini in a scratch
// Windows directory and the shell folders in a scratch registry key.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/paths.h"
#include "scan/scan.h"
#include "test_support.h"

namespace {

std::string ShortPath(const std::string& path)
{
    char shortPath[512];
    DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    return (length > 0 && length < sizeof shortPath) ? std::string(shortPath) : path;
}

std::string TodayPrefix()
{
    SYSTEMTIME today;
    GetLocalTime(&today);
    char prefix[32];
    FormatDatePrefix(today, prefix, sizeof prefix);
    return prefix;
}

std::string IniText(const std::string& ini, const char* section, const char* key)
{
    char value[512];
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, ini.c_str());
    return value;
}

void Touch(const std::string& path) { WriteTextFile(path, "x"); }

// A Windows directory with its own kmconfig.ini, and shell folders "My Pictures"
// and "Personal" that point into the scratch folder.
class Naming : public ::testing::Test {
protected:
    void SetUp() override
    {
        ini_ = windows_.File("kmconfig.ini");
        pictures_ = windows_.File("Pictures");
        documents_ = windows_.File("Documents");
        CreateDirectoryA(pictures_.c_str(), nullptr);
        CreateDirectoryA(documents_.c_str(), nullptr);
        ASSERT_TRUE(shellFolders_.SetText("", "My Pictures", pictures_));
        ASSERT_TRUE(shellFolders_.SetText("", "Personal", documents_));
        SetShellFoldersKeyForTests(HKEY_CURRENT_USER, shellFolders_.subkey().c_str());
    }
    void TearDown() override { SetShellFoldersKeyForTests(nullptr, nullptr); }
    std::string Scans()
    {
        std::string scans = windows_.File("Scans");
        CreateDirectoryA(scans.c_str(), nullptr);
        WriteTextFile(ini_, "[MyFolder]\r\nNum=1\r\nDefault=1\r\nFolder1=" + scans + "\\\r\n");
        return scans + "\\";
    }
    std::string Name(const char* extension)
    {
        char path[260];
        MakeOutputFileName(path, extension);
        return path;
    }

    ScratchWindowsDirectory windows_;
    ScratchRegistryKey shellFolders_{"ShellFolders"};
    std::string ini_, pictures_, documents_;
};

TEST(DatePrefix, IsTheEnglishMonthAndTwoDigitDay)
{
    SYSTEMTIME march = {};
    march.wYear = 2024;
    march.wMonth = 3;
    march.wDay = 3;
    char prefix[32];
    FormatDatePrefix(march, prefix, sizeof prefix);
    EXPECT_STREQ(prefix, "Mar_03_");
    SYSTEMTIME december = march;
    december.wMonth = 12;
    december.wDay = 6;
    FormatDatePrefix(december, prefix, sizeof prefix);
    EXPECT_STREQ(prefix, "Dec_06_");
}

TEST_F(Naming, ImagesAndDocumentsOfTheDayTakeTheirSerialsWhateverTheCase)
{
    std::string scans = Scans();
    std::string day = TodayPrefix();
    std::string expected = ShortPath(scans) + day;
    EXPECT_EQ(Name("bmp"), expected + "001.bmp");

    Touch(scans + day + "001.bmp");
    Touch(scans + day + "002.jpg");
    Touch(scans + day + "003.txt");  // not an image or document type
    EXPECT_EQ(Name("bmp"), expected + "003.bmp");
    EXPECT_EQ(Name("tif"), expected + "003.tif");

    Touch(scans + day + "003.BMP");
    Touch(scans + day + "004.Xls");
    EXPECT_EQ(Name("bmp"), expected + "005.bmp");
}

TEST_F(Naming, TheThousandthNameOfADayHasFourDigits)
{
    std::string scans = Scans();
    std::string day = TodayPrefix();
    for (int serial = 1; serial <= 999; ++serial) {
        char name[32];
        snprintf(name, sizeof name, "%03d.%s", serial, (serial % 3) ? "bmp" : "jpg");
        Touch(scans + day + name);
    }
    EXPECT_EQ(Name("bmp"), ShortPath(scans) + day + "1000.bmp");
    std::string folderAndPrefix = ShortPath(scans) + day;
    EXPECT_EQ(NextFreeSerialByLookups(folderAndPrefix.c_str()), 1000);
}

TEST_F(Naming, OneEnumerationFindsTheSameSerialAsTheLookups)
{
    std::string scans = Scans();
    std::string folderAndPrefix = ShortPath(scans) + "Dec_06_";
    auto same = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(NextFreeSerial(folderAndPrefix.c_str()), NextFreeSerialByLookups(folderAndPrefix.c_str()));
    };
    same("empty folder");
    Touch(scans + "Dec_06_001.bmp");
    Touch(scans + "dec_06_002.PSD");
    same("two of the day, in any case");
    Touch(scans + "Dec_06_0003.bmp");   // a name the lookups never form
    Touch(scans + "Dec_06_003.bmp.bak");
    Touch(scans + "Dec_06_03.bmp");
    Touch(scans + "Dec_07_003.bmp");    // another day
    same("names that look like serials but are not");
    CreateDirectoryA((scans + "Dec_06_003.tga").c_str(), nullptr);  // a folder is found too
    same("a folder with a serial name");
    Touch(scans + "Dec_06_005.pcx");
    Touch(scans + "Dec_06_004.rtf");
    Touch(scans + "Dec_06_006.TIF");
    same("a run of serials in all eight types");
    EXPECT_EQ(NextFreeSerial(folderAndPrefix.c_str()), 7);
}

TEST_F(Naming, DocumentsGoToThePersonalFolder)
{
    std::string scans = Scans();
    std::string day = TodayPrefix();
    std::string documents = ShortPath(documents_ + "\\") + day;
    EXPECT_EQ(Name("xls"), documents + "001.xls");
    EXPECT_EQ(Name("XLS"), documents + "001.XLS");
    EXPECT_EQ(Name("rtf"), documents + "001.rtf");
    EXPECT_EQ(Name("bmp"), ShortPath(scans) + day + "001.bmp");
}

TEST_F(Naming, AMissingFolderEntryGetsTheDefaultScanFolder)
{
    // "Default" names Folder3, which is not there: it is written empty, which stands
    // for the running user's My Pictures, and used; the count stays as it was.
    WriteTextFile(ini_, "[MyFolder]\r\nNum=2\r\nDefault=3\r\nFolder1=C:\\elsewhere\\\r\n");
    EXPECT_EQ(Name("bmp"), ShortPath(pictures_ + "\\") + TodayPrefix() + "001.bmp");
    EXPECT_EQ(IniText(ini_, "MyFolder", "Folder3"), "");
    EXPECT_EQ(IniText(ini_, "MyFolder", "Num"), "2");
}

TEST_F(Naming, ADeletedFolderIsMadeAgain)
{
    std::string scans = Scans();
    RemoveDirectoryA(scans.c_str());
    std::string name = Name("bmp");
    EXPECT_NE(GetFileAttributesA(scans.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(name, ShortPath(scans) + TodayPrefix() + "001.bmp");
}

TEST_F(Naming, AnEmptyFolderListIsSeededWithMyPictures)
{
    WriteTextFile(ini_, "[MyFolder]\r\n");
    uint16_t defaultFolder = 0;
    EXPECT_EQ(EnsureFolderList(&defaultFolder), 1);
    EXPECT_EQ(defaultFolder, 1);
    EXPECT_EQ(IniText(ini_, "MyFolder", "Num"), "1");
    // The file is every user's: the entry names no one's folder, each user's scans go
    // to their own My Pictures.
    EXPECT_EQ(IniText(ini_, "MyFolder", "Folder1"), "");
    EXPECT_EQ(IniText(ini_, "MyFolder", "Default"), "1");
    EXPECT_EQ(Name("bmp"), ShortPath(pictures_ + "\\") + TodayPrefix() + "001.bmp");

    // A list that exists is left alone and its default reported.
    WriteTextFile(ini_, "[MyFolder]\r\nNum=2\r\nDefault=2\r\nFolder2=C:\\x\\\r\n");
    EXPECT_EQ(EnsureFolderList(&defaultFolder), 1);
    EXPECT_EQ(defaultFolder, 2);
    EXPECT_EQ(IniText(ini_, "MyFolder", "Folder1"), "<absent>");
}

TEST_F(Naming, WithoutShellFoldersTheDefaultIsMyPicturesInTheRoot)
{
    SetShellFoldersKeyForTests(HKEY_CURRENT_USER, "Software\\TornelTests\\NoSuchKey");
    WriteTextFile(ini_, "[MyFolder]\r\n");
    uint16_t defaultFolder = 0;
    EnsureFolderList(&defaultFolder);
    char folder[512];
    EXPECT_TRUE(DefaultScanFolder(folder, sizeof folder));
    EXPECT_STREQ(folder, "\\My Pictures\\");
}

TEST_F(Naming, AMyPicturesOutsideTheCodePageIsNamedByItsShortForm)
{
    // A Cyrillic folder name on a Western system: the engine gets the short form,
    // which names the same folder.
    std::wstring pictures(windows_.path().begin(), windows_.path().end());
    pictures += L"\\\x041a\x0430\x0440\x0442\x0438\x043d\x043a\x0438";
    HKEY key = shellFolders_.get();
    RegSetValueExW(key, L"My Pictures", 0, REG_SZ, reinterpret_cast<const BYTE*>(pictures.c_str()),
                   static_cast<DWORD>((pictures.size() + 1) * sizeof(wchar_t)));
    WriteTextFile(ini_, "[MyFolder]\r\n");
    uint16_t defaultFolder = 0;
    EnsureFolderList(&defaultFolder);

    std::string name = Name("bmp");
    ASSERT_EQ(name.find('?'), std::string::npos) << name;
    std::wstring folder(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(name.rfind('\\')));
    wchar_t longFolder[MAX_PATH];
    ASSERT_GT(GetLongPathNameW(folder.c_str(), longFolder, MAX_PATH), 0u) << name;
    EXPECT_EQ(std::wstring(longFolder), pictures);
    EXPECT_EQ(IniText(ini_, "MyFolder", "Folder1"), "");
}

}  // namespace
