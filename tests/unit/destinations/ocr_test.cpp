// OCR to document against a real kmconfig.ini, the registry of the test prefix and
// real programs: the OCR stand-ins of the build, and the argument recorder standing
// in for the OCR application or the office application where a test must see how
// it was started.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/handles.h"
#include "common/paths.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "fake_engine.h"
#include "test_support.h"

namespace {

constexpr char kSprintKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Sprint.exe";
constexpr char kEngineError[] = "The program \"OCR enginer\" could not be started.";

void SetRegistryText(HKEY root, const std::string& subkey, const char* valueName, const std::string& text)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

std::vector<std::string> FilesIn(const std::string& folder, const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(folder + "\\" + data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

class OcrToDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"Scans", "Docs", "Ocr", "Office", "Kelmio", "Kelmio\\OcrDrv"})
            CreateDirectoryA(root_.File(folder).c_str(), nullptr);
        // Documents are named in the short form of their folder.
        char docs[MAX_PATH];
        GetShortPathNameA(root_.File("Docs").c_str(), docs, sizeof docs);
        docs_ = docs;
        ASSERT_TRUE(shellFolders_.SetText("", "Personal", docs_));
        SetShellFoldersKeyForTests(HKEY_CURRENT_USER, shellFolders_.subkey().c_str());
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSprintKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            char value[MAX_PATH] = {};
            DWORD size = sizeof value - 1;
            hadSprint_ = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                         ERROR_SUCCESS;
            savedSprint_ = value;
            RegCloseKey(key);
        }
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSprintKey);
        WriteTextFile(root_.File("kelmio32.ini"), "[Kelmio]\r\nUserPath=" + root_.File("Kelmio") + "\r\n");
        FakeEngine::Install(FakeScript{});
    }
    void TearDown() override
    {
        WaitForProgressThreadEnd();
        FakeEngine::Uninstall();
        SetOcrDocumentWaitLimitForTests(0);
        g_selections.OcrLanguage = 0;
        SetShellFoldersKeyForTests(nullptr, nullptr);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSprintKey);
        if (hadSprint_)
            RegisterSprint(savedSprint_);
    }

    void RegisterSprint(const std::string& path) { SetRegistryText(HKEY_LOCAL_MACHINE, kSprintKey, nullptr, path); }
    // A copy of the argument recorder under the given name; returns its path.
    std::string Recorder(const char* folder, const char* name)
    {
        std::string path = root_.File(folder) + "\\" + name;
        CopyFileA((BuildBinFolder() + "record_args.exe").c_str(), path.c_str(), FALSE);
        return path;
    }
    std::string Recorded(const char* folder) { return ReadTextFile(root_.File(folder) + "\\record_args.log"); }
    void Configure(const std::string& name, const std::string& file, const std::string& more = "")
    {
        WriteTextFile(root_.File("kmconfig.ini"), "[MyFolder]\r\nNum=1\r\nDefault=1\r\nFolder1=" + root_.File("Scans") +
                                                      "\\\r\n[Tornel_Application]\r\nNumAp=1\r\nDefaultID=1\r\nApName1=" +
                                                      name + "\r\nApFileName1=" + file + "\r\n" + more);
    }

    ScratchWindowsDirectory root_;
    std::string docs_;
    ScratchRegistryKey shellFolders_{"OcrFolders"};
    bool hadSprint_ = false;
    std::string savedSprint_;
    ShownMessages shown_;
};

TEST_F(OcrToDocumentTest, ExcelIsSentByTheOcrApplicationAndNothingElseStarts)
{
    RegisterSprint("\"" + Recorder("Ocr", "Sprint.exe") + "\"");
    Configure("Microsoft Excel 2000", Recorder("Office", "EXCEL.EXE"));
    EXPECT_EQ(OcrToDocument(ScanOrderFor(kKindImage)), 1);
    EXPECT_EQ(ReadS32(FakeEngine::lastJob.data(), kJobFormat), kOutputFormatTiff);
    EXPECT_TRUE(std::regex_match(Recorded("Ocr"), std::regex("\"[^\"]+\\\\Scans\\\\\\w+\\.tif\" /send MSExcel\r\n")))
        << Recorded("Ocr");
    EXPECT_EQ(Recorded("Office"), "");
    EXPECT_TRUE(FilesIn(root_.File("Scans"), "*.tif").empty()) << "the image is deleted";
    EXPECT_TRUE(shown_.Take().empty());
}

TEST_F(OcrToDocumentTest, WordPadOpensTheRtfAndDeleteOcrImageDecidesOnTheImage)
{
    RegisterSprint(BuildBinFolder() + "Sprint.exe");
    const std::string wordPad = Recorder("Office", "wordpad.exe");
    for (const char* debug : {"", "[Debug]\r\nDeleteOcrImage=0\r\n"}) {
        Configure("Windows WordPad", wordPad, debug);
        EXPECT_EQ(OcrToDocument(ScanOrderFor(kKindImage)), 1);
        EXPECT_TRUE(shown_.Take().empty());
        EXPECT_EQ(FilesIn(root_.File("Scans"), "*.tif").size(), debug[0] ? 1u : 0u) << debug;
    }
    const std::vector<std::string> documents = FilesIn(docs_, "*.rtf");
    ASSERT_EQ(documents.size(), 2u);
    EXPECT_EQ(ReadTextFile(documents[0]).rfind("{\\rtf1", 0), 0u);
    // Each application runs on its own: its record may come a moment later, and the
    // second one's may come first.
    const std::string first = "\"" + documents[0] + "\"\r\n";
    const std::string second = "\"" + documents[1] + "\"\r\n";
    EXPECT_TRUE(WaitUntil([&] {
        const std::string recorded = Recorded("Office");
        return recorded == first + second || recorded == second + first;
    }, 10000)) << Recorded("Office");
}

TEST_F(OcrToDocumentTest, TheEngineRouteWritesItsJobAndPresentsAWordResultItself)
{
    RegisterSprint(BuildBinFolder() + "Sprint.exe");
    CopyFileA((BuildBinFolder() + "LxOcr.exe").c_str(), root_.File("Kelmio\\OcrDrv\\LxOcr.exe").c_str(), FALSE);
    Configure("Windows WordPad", Recorder("Office", "wordpad.exe"),
              "[Tornel_OcrDestination]\r\nOcrDesName0=Microsoft Word\r\n");
    g_selections.OcrLanguage = 5;
    // The application the engine presents the result in keeps the document open.
    SetOcrDocumentWaitLimitForTests(3000);
    std::atomic<bool> testEnded{false};
    std::thread holder([&] {
        UniqueFile held;
        while (!testEnded && !held) {
            const std::vector<std::string> found = FilesIn(docs_, "*.rtf");
            if (!found.empty())
                held.reset(CreateFileA(found[0].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
            Sleep(20);
        }
        while (!testEnded)
            Sleep(20);
    });
    EXPECT_EQ(OcrToDocument(ScanOrderFor(kKindImage)), 1);
    testEnded = true;
    holder.join();
    EXPECT_TRUE(shown_.Take().empty());
    EXPECT_EQ(Recorded("Office"), "") << "the engine presents the result itself";
    const std::string job = root_.File("Kelmio\\OcrDrv\\LxOcr.ini");
    auto setting = [&](const char* section, const char* key) {
        char value[MAX_PATH];
        GetPrivateProfileStringA(section, key, "", value, sizeof value, job.c_str());
        return std::string(value);
    };
    EXPECT_EQ(setting("Application", "ShowResult"), "1");
    EXPECT_EQ(setting("Attribute", "Language"), "Simplified Chinese");
    EXPECT_EQ(setting("Attribute", "ForeignLanguage"), "ENGLISH");
    EXPECT_EQ(setting("Attribute", "DataType"), "KAD");
    EXPECT_EQ(setting("File Type", "Output"), "RTF");
    const std::vector<std::string> documents = FilesIn(docs_, "*.rtf");
    ASSERT_EQ(documents.size(), 1u);
    EXPECT_EQ(setting("File Name", "Output"), documents[0]);
}

TEST_F(OcrToDocumentTest, FailuresAreShownAndTheImageStillGoes)
{
    // The image function leaves WordPad to OCR. No OCR application is registered: the
    // engine route is not taken either, and no scan is made.
    Configure("Windows WordPad", Recorder("Office", "wordpad.exe"));
    g_selections.OcrLanguage = 4;
    LaunchScanToApplication(ScanOrderFor(kKindImage));
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgInvalidOcrDest"});
    EXPECT_EQ(FakeEngine::scanCalls.load(), 0);

    // An OCR application that never writes the document: the engine error after the bound.
    g_selections.OcrLanguage = 0;
    RegisterSprint(Recorder("Ocr", "Sprint.exe"));
    SetOcrDocumentWaitLimitForTests(1500);
    EXPECT_EQ(OcrToDocument(ScanOrderFor(kKindImage)), 0);
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{kEngineError});
    EXPECT_TRUE(FilesIn(root_.File("Scans"), "*.tif").empty());
    EXPECT_EQ(Recorded("Office"), "");
    EXPECT_TRUE(std::regex_match(Recorded("Ocr"), std::regex("\"[^\"]+\\.tif\" /out \"[^\"]+\\.rtf\"\r\n")))
        << Recorded("Ocr");

    // An engine job file that cannot be written: the engine error at once, no engine run.
    CopyFileA((BuildBinFolder() + "LxOcr.exe").c_str(), root_.File("Kelmio\\OcrDrv\\LxOcr.exe").c_str(), FALSE);
    CreateDirectoryA(root_.File("Kelmio\\OcrDrv\\LxOcr.ini").c_str(), nullptr);
    g_selections.OcrLanguage = 4;
    SetOcrDocumentWaitLimitForTests(60000);
    const DWORD start = GetTickCount();
    EXPECT_EQ(OcrToDocument(ScanOrderFor(kKindImage)), 0);
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{kEngineError});
    EXPECT_TRUE(FilesIn(docs_, "*.rtf").empty());
}

}  // namespace
