// Application discovery against a scratch registry tree standing for HKLM, a real
// kmconfig.ini and program files made in a scratch folder (also the Windows directory).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "config/config.h"
#include "test_support.h"

namespace {

constexpr char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\APP Paths\\";
constexpr char kWordPadKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\APP Paths\\WORDPAD.EXE";
constexpr char kPhotoSuiteKey[] = "SOFTWARE\\MGI\\PhotoSuiteIII";
constexpr char kPaintClass[] = "{D3E34B21-9D75-101A-8C3D-00AA001A1652}";
constexpr char kWinePad[] = "C:\\Program Files\\Windows NT\\Accessories\\WORDPAD.EXE";

class ApplicationDiscovery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(root_, nullptr); }

    void Set(const std::string& subkey, const char* name, const std::string& text, DWORD type = REG_SZ)
    {
        ASSERT_TRUE(scratch_.SetText(subkey, name, text, type));
    }
    std::string Program(const std::string& name)
    {
        WriteTextFile(folder_.File(name), "");
        return folder_.File(name);
    }
    void RegisterPaint(const std::string& server)
    {
        Set("SOFTWARE\\Classes\\Paint.Picture\\Clsid", nullptr, kPaintClass);
        Set(std::string("SOFTWARE\\Classes\\CLSID\\") + kPaintClass + "\\LocalServer32", nullptr, server);
    }
    std::string Key(const char* key)
    {
        char value[512];
        GetPrivateProfileStringA("Tornel_Application", key, "<absent>", value, sizeof value,
                                 folder_.File("kmconfig.ini").c_str());
        return value;
    }
    // "name=file" per entry, in list order.
    std::vector<std::string> Entries()
    {
        std::vector<std::string> entries;
        for (int i = 1; i <= atoi(Key("NumAp").c_str()); ++i)
            entries.push_back(Key(("ApName" + std::to_string(i)).c_str()) + "=" +
                              Key(("ApFileName" + std::to_string(i)).c_str()));
        return entries;
    }
    int32_t Discover(int32_t osType = 5)
    {
        DiscoverApplicationsUnder(root_, osType, &g_selections.DefaultAppIndex);
        return g_selections.DefaultAppIndex;
    }

    ScratchWindowsDirectory folder_;
    ScratchRegistryKey scratch_{"Applications"};
    HKEY root_ = scratch_.get();
};

TEST_F(ApplicationDiscovery, FirstRunListsWhatIsInstalledInTableOrderAndPrefersPhotoSuite)
{
    WriteTextFile(folder_.File("kmconfig.ini"), "[Tornel_Application]\r\nLanguage=3\r\nApName7=Stale\r\n");
    const std::string imaging = Program("kodakimg.exe");
    Set(std::string(kAppPaths) + "Kodakimg.exe", nullptr, imaging);
    CreateDirectoryA(folder_.File("MGI").c_str(), nullptr);
    const std::string photoSuite = Program("MGI\\photoSuite.exe");
    Set(kPhotoSuiteKey, "Path2App", folder_.File("MGI"));
    Set("SOFTWARE\\Microsoft\\office\\9.0\\Word\\InstallRoot", "Path", folder_.path());  // no winword.exe there
    Set("SOFTWARE\\Microsoft\\office\\9.0\\Excel\\InstallRoot", "Path", std::string(250, 'x'));  // too long
    Set(kWordPadKey, nullptr, "\"%ProgramFiles%\\Windows NT\\Accessories\\WORDPAD.EXE\"", REG_EXPAND_SZ);

    EXPECT_EQ(Discover(), 2);

    EXPECT_EQ(Entries(), (std::vector<std::string>{"Imaging=" + imaging, "MGI PhotoSuite III SE=" + photoSuite,
                                                   std::string("Windows WordPad=") + kWinePad}));
    EXPECT_EQ(Key("Default"), "MGI PhotoSuite III SE");
    EXPECT_EQ(Key("ApName0"), "MGI PhotoSuite III SE");
    EXPECT_EQ(Key("DefaultID"), "2");
    EXPECT_EQ(Key("Language"), "3") << "only the list's keys go with an empty list";
    EXPECT_EQ(Key("ApName7"), "<absent>");
}

TEST_F(ApplicationDiscovery, PaintIsRefreshedInPlaceOrAppendedOnceItsOldProgramIsGone)
{
    const std::string a = Program("a.exe"), b = Program("b.exe");
    const std::string paint = Program("mspaint.exe");
    // Through its ProgID: the App Paths entry of pbrush.exe is not consulted.
    RegisterPaint("\"" + paint + "\" /Embedding");
    Set(std::string(kAppPaths) + "pbrush.exe", nullptr, Program("pbrush.exe"));
    // PhotoSuite's key without its program: preferred, but Default is already set.
    Set(kPhotoSuiteKey, "Path2App", folder_.File("nowhere"));
    for (bool oldPaintExists : {true, false}) {
        const std::string oldPaint = oldPaintExists ? Program("oldpaint.exe") : folder_.File("moved.exe");
        WriteTextFile(folder_.File("kmconfig.ini"),
                      "[Tornel_Application]\r\nNumAp=4\r\nApName1=A\r\nApFileName1=" + a +
                          "\r\nApName2=Windows Paint\r\nApFileName2=" + oldPaint + "\r\nApName3=B\r\nApFileName3=" + b +
                          "\r\nApName4=Gone\r\nApFileName4=" + folder_.File("gone.exe") +
                          "\r\nApName0=B\r\nDefault=B\r\n");
        const std::string paintEntry = "Windows Paint=\"" + paint;  // the existence test took the closing quote
        if (oldPaintExists) {
            EXPECT_EQ(Discover(), 3);
            EXPECT_EQ(Entries(), (std::vector<std::string>{"A=" + a, paintEntry, "B=" + b}));
        } else {
            EXPECT_EQ(Discover(), 2);
            EXPECT_EQ(Entries(), (std::vector<std::string>{"A=" + a, "B=" + b, paintEntry}));
        }
        EXPECT_EQ(Key("ApName0"), "B");
    }
}

TEST_F(ApplicationDiscovery, PaintFallsBackToPbrushWithItsReferencesExpanded)
{
    RegisterPaint(folder_.File("missing.exe"));
    SetEnvironmentVariableA("TORNEL_APPS_TEST", folder_.path().c_str());
    const std::string pbrush = Program("pbrush.exe");
    Set(std::string(kAppPaths) + "pbrush.exe", nullptr, "%TORNEL_APPS_TEST%pbrush.exe", REG_EXPAND_SZ);
    EXPECT_EQ(Discover(), 1);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Windows Paint=" + pbrush}));
    EXPECT_EQ(Key("ApName0"), "Windows Paint") << "without PhotoSuite the default is entry 1";
}

TEST_F(ApplicationDiscovery, WordPadIsRebuiltOnlyOnTheNtFamilyAndOnlyFromTheRegisteredForm)
{
    struct Case {
        int32_t osType;
        std::string value;
        DWORD type;
        std::string listed;  // the stored path, empty when WordPad is not listed
    };
    const std::string registered = "\"%ProgramFiles%\\Windows NT\\Accessories\\WORDPAD.EXE\"";
    const std::string local = Program("wordpad.exe");
    const Case cases[] = {
        {5, registered, REG_EXPAND_SZ, kWinePad},
        {7, registered, REG_SZ, kWinePad},
        {4, registered, REG_EXPAND_SZ, ""},  // tested as read
        {5, "%ProgramFiles%\\Windows NT\\Accessories\\WORDPAD.EXE", REG_EXPAND_SZ, kWinePad},
        {5, "\"" + local + "\"", REG_SZ, local},
        {4, local, REG_SZ, local},
        {5, "\"x\"", REG_SZ, ""},
        {5, "\"%ProgramFiles%\\" + std::string(240, 'w') + "\"", REG_SZ, ""},  // rebuilt it does not fit
        {5, "", REG_DWORD, ""},
    };
    for (const Case& c : cases) {
        WriteTextFile(folder_.File("kmconfig.ini"), "");
        Set(kWordPadKey, nullptr, c.value, c.type);
        Discover(c.osType);
        EXPECT_EQ(Entries(), c.listed.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{"Windows WordPad=" + c.listed})
            << c.osType << " " << c.value;
    }
}

}  // namespace

TEST_F(ApplicationDiscovery, GarbledCountsNeitherHangNorDropTheList)
{
    const std::string notepad = Program("notepad.exe");
    const std::string wordpad = Program("wordpad.exe");
    for (const char* count : {"100000000", "-5"}) {
        WriteTextFile(folder_.File("kmconfig.ini"), std::string("[Tornel_Application]\r\nNumAp=") + count +
                                                        "\r\nApName1=Notepad\r\nApFileName1=" + notepad +
                                                        "\r\nApName2=WordPad\r\nApFileName2=" + wordpad + "\r\n");
        Discover();
        EXPECT_EQ(Key("ApName1"), "Notepad") << count;
        EXPECT_EQ(Key("ApName2"), "WordPad") << count;
        EXPECT_EQ(ReadListCount("Tornel_Application", "NumAp", "ApName", 0), 2) << count;
    }
}
