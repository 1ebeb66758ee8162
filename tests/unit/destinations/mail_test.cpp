// Scan to e-mail against the real mail service library and mail clients of the virtual
// scanner, registered in the test prefix's machine keys: which client gets the mail,
// and that the system's default client is back afterwards on every path.
#include <gtest/gtest.h>

// The test uses the registry calls of later Windows versions; the program does not.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/paths.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "fake_engine.h"
#include "test_support.h"

namespace {

constexpr char kMailKey[] = "SOFTWARE\\Clients\\Mail";
// The default client: its name, or "<absent>" when the value does not exist.
std::string DefaultClient()
{
    char value[256] = "";
    DWORD size = sizeof value;
    LONG status = RegGetValueA(HKEY_LOCAL_MACHINE, kMailKey, nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    return status == ERROR_SUCCESS ? value : "<absent>";
}

void SetDefaultClient(const std::string& name)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMailKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    if (name == "<absent>")
        RegDeleteValueA(key, nullptr);
    else
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()), name.size() + 1);
    RegCloseKey(key);
}

void SetValue(const std::string& subkey, const char* name, const std::string& data)
{
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kMailKey) + "\\" + subkey).c_str(), name, REG_SZ,
                              data.c_str(), data.size() + 1),
              ERROR_SUCCESS);
}

// Each client is a copy of the virtual scanner's client library in a folder of its
// own, so its call record names it.
class ScanToEmailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedDefault_ = DefaultClient();
        CreateDirectoryA(windows_.File("Scans").c_str(), nullptr);
        CopyFileA((BuildBinFolder() + "Duderirir.dll").c_str(), windows_.File("Duderirir.dll").c_str(), FALSE);
        for (const char* client : {"Eudora", "NetScape Messenger", "Tornel Test Client"}) {
            std::string folder = windows_.File(client);
            CreateDirectoryA(folder.c_str(), nullptr);
            CopyFileA((BuildBinFolder() + "SimMail.dll").c_str(), (folder + "\\SimMail.dll").c_str(), FALSE);
            SetValue(client, "DLLPath", folder + "\\SimMail.dll");
        }
        SetDefaultClient("Tornel Test Client");
        FakeEngine::Install(FakeScript{});
    }
    void TearDown() override
    {
        WaitForProgressThreadEnd();
        FakeEngine::Uninstall();
        for (const char* client : {"Eudora", "NetScape Messenger", "Tornel Test Client"})
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kMailKey) + "\\" + client).c_str());
        SetDefaultClient(savedDefault_);
    }
    void Configure(const std::string& emailSystem, uint32_t installed)
    {
        WriteTextFile(windows_.File("kmconfig.ini"), "[MyFolder]\r\nNum=1\r\nDefault=1\r\nFolder1=" +
                                                         windows_.File("Scans") + "\\\r\n[EmailSystem]\r\n" +
                                                         emailSystem);
        g_selections.InstalledMailSystems = installed;
    }
    // The client's record of its calls: "default=..." and "file=..." fields per line.
    std::string Calls(const char* client) { return ReadTextFile(windows_.File(client) + "\\mapi_calls.log"); }

    ScratchWindowsDirectory windows_;
    std::string savedDefault_;
    ShownMessages shown_;
};

TEST_F(ScanToEmailTest, TheChosenClientIsTheDefaultForTheCallOnly)
{
    struct Case {
        const char* identifier;
        const char* before;     // the default client before the press
        const char* reached;    // the client whose library got the call
        const char* during;     // the default the client saw
    };
    const Case cases[] = {
        {"NetscapeMessenger", "Tornel Test Client", "NetScape Messenger", "NetScape Messenger"},
        {"NetscapeMessenger", "<absent>", "NetScape Messenger", "NetScape Messenger"},
        {"MicrosoftExchange", "Tornel Test Client", "Tornel Test Client", "Tornel Test Client"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.identifier) + " over " + c.before);
        SetDefaultClient(c.before);
        Configure(std::string("Default=") + c.identifier + "\r\n", 256);
        const std::string earlier = Calls(c.reached);
        EXPECT_EQ(ScanToEmail(ScanOrderFor(kKindMail)), 1);
        const std::string call = Calls(c.reached).substr(earlier.size());
        EXPECT_NE(call.find(std::string("\tdefault=") + c.during + "\t"), std::string::npos) << call;
        EXPECT_NE(call.find("\tflags=9\t"), std::string::npos) << "compose window shown: " << call;
        EXPECT_NE(call.find("\\Scans\\"), std::string::npos) << "the scanned page attached: " << call;
        EXPECT_EQ(DefaultClient(), c.before) << "the earlier default is back, an absent one stays absent";
        EXPECT_EQ(shown_.Take(), std::vector<std::string>{});
    }
}

TEST_F(ScanToEmailTest, AnEmptyChoiceRunsTheDiscoveryOnce)
{
    std::string program = windows_.File("Eudora\\Eudora.exe");
    WriteTextFile(program, "");
    SetValue("Eudora\\shell\\open\\command", nullptr, program);
    Configure("", 0);
    EXPECT_EQ(ScanToEmail(ScanOrderFor(kKindMail)), 1);
    char chosen[64];
    ReadIniString(kConfigFileName, "EmailSystem", "Default", "", chosen);
    EXPECT_STREQ(chosen, "QUALCOMMEudoraPro");
    EXPECT_EQ(g_selections.InstalledMailSystems.load(), 4u | 2048u) << "Eudora and the system's default program";
    EXPECT_NE(Calls("Eudora").find("\tdefault=Eudora\t"), std::string::npos);
    EXPECT_EQ(DefaultClient(), "Tornel Test Client");
}

TEST_F(ScanToEmailTest, WithoutAMailSystemOrLibraryTheUserIsTold)
{
    struct Case {
        const char* what;
        uint32_t installed;
        const char* library;  // what stands as "Duderirir.dll"; null: none
        int scans;
    };
    const Case cases[] = {
        {"no library", 256, nullptr, 0},
        {"a library without the entry", 256, "SimMail.dll", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(windows_.File("Duderirir.dll").c_str());
        if (c.library)
            CopyFileA((BuildBinFolder() + c.library).c_str(), windows_.File("Duderirir.dll").c_str(), FALSE);
        Configure("Default=NetscapeMessenger\r\n", c.installed);
        FakeEngine::Install(FakeScript{});
        EXPECT_EQ(ScanToEmail(ScanOrderFor(kKindMail)), 0);
        EXPECT_EQ(FakeEngine::scanCalls.load(), c.scans);
        EXPECT_EQ(shown_.Take(), std::vector<std::string>{"ErrorLaunchMail"});
        EXPECT_EQ(DefaultClient(), "Tornel Test Client");
    }
}

// The machine's key refuses the switch (a deleted key stands for one a standard user
// may not write): where the system reads the per-user default first, that one is
// switched for the call and put back; where it does not, the user hears once which
// program got the page.
TEST_F(ScanToEmailTest, AMachineKeyThatRefusesTheSwitch)
{
    HKEY refusing;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\TornelTestRefusing", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &refusing, nullptr),
              ERROR_SUCCESS);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TornelTestRefusing");
    const std::string library = windows_.File("Duderirir.dll");
    const std::string image = windows_.File("Scans\\page.bmp");
    WriteTextFile(image, "BM");
    for (bool honoured : {true, false}) {
        SCOPED_TRACE(honoured ? "per-user default read first" : "machine default only");
        const MailDefaultKeys keys = {refusing, HKEY_CURRENT_USER, honoured};
        const std::string earlier = Calls("Tornel Test Client");
        EXPECT_TRUE(HandToMailServiceWith(keys, "NetscapeMessenger", library.c_str(), image.c_str()));
        EXPECT_TRUE(HandToMailServiceWith(keys, "NetscapeMessenger", library.c_str(), image.c_str()));
        const std::string calls = Calls("Tornel Test Client").substr(earlier.size());
        const std::string during = honoured ? "NetScape Messenger" : "<no key>";
        EXPECT_NE(calls.find("\tuserdefault=" + during + "\t"), std::string::npos) << calls;
        HKEY user;
        EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kMailKey, 0, KEY_READ, &user), ERROR_SUCCESS)
            << "the per-user key it made is gone again";
        EXPECT_EQ(DefaultClient(), "Tornel Test Client");
        // The machine's key is gone, so the program that got the page has no name there.
        EXPECT_EQ(shown_.Take(), honoured ? std::vector<std::string>{}
                                          : std::vector<std::string>{"MsgMailWentTo MailDefaultProgram"});
    }
    RegCloseKey(refusing);
}

// Without any mail program the page goes into a draft beside it, which the program
// for mail files opens; without one, the page stays where the message says.
TEST_F(ScanToEmailTest, WithoutAnyMailProgramThePageIsADraft)
{
    Configure("Default=NetscapeMessenger\r\n", 0);
    EXPECT_EQ(ScanToEmail(ScanOrderFor(kKindMail)), 0);
    EXPECT_EQ(FakeEngine::scanCalls.load(), 1);
    const std::vector<std::string> shown = shown_.Take();
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(windows_.File("Scans\\*.eml").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    std::string page = std::string(found.cFileName, strlen(found.cFileName) - 4) + ".bmp";
    EXPECT_NE(GetFileAttributesA(windows_.File("Scans\\" + page).c_str()), INVALID_FILE_ATTRIBUTES)
        << "the page stays";
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("MsgMailByHand ", 0), 0u);
    EXPECT_EQ(shown[0].substr(shown[0].size() - page.size() - 6), "Scans\\" + page) << "the message names the page";
}

}  // namespace
