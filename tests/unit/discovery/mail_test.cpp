#include <gtest/gtest.h>

// The test uses the registry calls of later Windows versions; the program does not.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>

#include <string>

#include "common/paths.h"
#include "config/discovery.h"
#include "test_support.h"

namespace {

constexpr char kEudoraKey[] = "SOFTWARE\\Clients\\Mail\\Eudora\\shell\\open\\command";
constexpr char kOutlookExpressKey[] = "SOFTWARE\\Clients\\Mail\\Outlook Express\\shell\\open\\command";
constexpr char kNetscapeKey[] = "SOFTWARE\\Clients\\Mail\\Netscape Messenger\\protocols\\mailto\\shell\\open\\command";

void SetDefaultValue(HKEY root, const char* subkey, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, nullptr, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

void SetCommand(HKEY root, const char* subkey, const std::string& command, DWORD type = REG_SZ)
{
    SetDefaultValue(root, subkey, type, command.c_str(), static_cast<DWORD>(command.size() + 1));
}

// The client keys live under a scratch key of HKCU that stands for HKLM; the client
// programs are empty files in a scratch folder, which is also the Windows directory.
class MailDiscovery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(root_, nullptr); }

    std::string Client(const char* file)
    {
        std::string path = folder_.File(file);
        WriteTextFile(path, "");
        return path;
    }

    std::string Key(const char* key)
    {
        char value[260];
        GetPrivateProfileStringA("EmailSystem", key, "<absent>", value, sizeof value, config_.c_str());
        return value;
    }

    ScratchWindowsDirectory folder_;
    std::string config_ = folder_.File("kmconfig.ini");
    ScratchRegistryKey scratch_{"Mail"};
    HKEY root_ = scratch_.get();
    uint32_t installed_ = 0xFFFF;
    uint32_t default_ = 0;
};

TEST_F(MailDiscovery, OutlookExpressCommandIsCutAtTheSwitch)
{
    // Cut at the switch, the quoted program keeps a blank behind its closing quote.
    Client("msimn.exe");
    SetEnvironmentVariableA("TORNEL_MAIL_TEST", folder_.path().c_str());
    SetCommand(root_, kOutlookExpressKey, "\"%TORNEL_MAIL_TEST%msimn.exe\" /mailurl:%1", REG_EXPAND_SZ);

    EXPECT_EQ(DiscoverMailSystemsUnder(root_, &installed_, &default_), 1);

    EXPECT_EQ(installed_, 16u);
    EXPECT_EQ(Key("Num"), "1");
    EXPECT_EQ(Key("EmailSystem1"), "OutlookExpress5");
    EXPECT_EQ(Key("Default"), "OutlookExpress5") << "a first run chooses the first client found";
    EXPECT_EQ(default_, 16u);
}

TEST_F(MailDiscovery, EudoraAndNetscapeWithoutOutlookExpress)
{
    std::string eudora = Client("Eudora.exe");
    std::string netscape = Client("netscp.exe");
    SetCommand(root_, kEudoraKey, "\"" + eudora + "\"");
    SetCommand(root_, kNetscapeKey, netscape + " \"%1\"");
    SetCommand(root_, kOutlookExpressKey, folder_.File("missing.exe") + " /mailurl:%1");
    WriteTextFile(config_, "[EmailSystem]\r\nNum=3\r\nEmailSystem3=OutlookExpress5\r\nDefault=NetscapeMessenger\r\n");

    EXPECT_EQ(DiscoverMailSystemsUnder(root_, &installed_, &default_), 1);

    EXPECT_EQ(installed_, 260u);
    EXPECT_EQ(Key("Num"), "2");
    EXPECT_EQ(Key("EmailSystem1"), "QUALCOMMEudoraPro");
    EXPECT_EQ(Key("EmailSystem2"), "NetscapeMessenger");
    EXPECT_EQ(Key("EmailSystem3"), "OutlookExpress5") << "entries past the count are left alone";
    EXPECT_EQ(Key("Default"), "NetscapeMessenger") << "a chosen client is kept";
    EXPECT_EQ(default_, 256u);
    EXPECT_EQ(MailSystemPositionIn(installed_, default_), 2);
}

TEST_F(MailDiscovery, UnreadableKeysAreSkipped)
{
    std::string eudora = Client("Eudora.exe");
    DWORD number = 1;
    SetDefaultValue(root_, kEudoraKey, REG_DWORD, &number, sizeof number);
    // Cut at its quote the value would name an existing file, but it does not fit.
    std::string tooLong = Client("netscp.exe") + " \"" + std::string(300, 'x') + "\"";
    SetCommand(root_, kNetscapeKey, tooLong);
    SetCommand(root_, kOutlookExpressKey, "");

    EXPECT_EQ(DiscoverMailSystemsUnder(root_, &installed_, &default_), 1);

    EXPECT_EQ(installed_, 0u);
    EXPECT_EQ(Key("Num"), "0");
    EXPECT_EQ(Key("EmailSystem1"), "<absent>");
    EXPECT_EQ(Key("Default"), "<absent>") << "nothing found: the choice stays empty";
    EXPECT_EQ(default_, 0u);
}

TEST_F(MailDiscovery, ClientsUnderTheMachineKey)
{
    HKEY existing;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Eudora", 0, KEY_READ, &existing) ==
        ERROR_SUCCESS) {
        RegCloseKey(existing);
        GTEST_SKIP() << "the test prefix has an Eudora key of its own";
    }
    SetCommand(HKEY_LOCAL_MACHINE, kEudoraKey, Client("Eudora.exe"));
    int result = DiscoverMailSystems(&installed_, &default_);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Eudora");

    EXPECT_EQ(result, 1);
    EXPECT_EQ(installed_ & 4u, 4u);
    EXPECT_EQ(Key("EmailSystem1"), "QUALCOMMEudoraPro");
}

// The system's default Simple MAPI program, under a name no table knows: the user's
// default comes before the machine's, and a library that does not exist names none.
TEST_F(MailDiscovery, TheDefaultSimpleMapiProgram)
{
    HKEY user;
    ASSERT_EQ(RegCreateKeyExA(root_, "User", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr), ERROR_SUCCESS);
    const std::string clients = "SOFTWARE\\Clients\\Mail";
    SetCommand(root_, clients.c_str(), "Machine Mail");
    SetCommand(user, clients.c_str(), "User Mail");
    RegSetKeyValueA(root_, (clients + "\\Machine Mail").c_str(), "DLLPath", REG_SZ, "mapi32.dll", 11);
    const std::string library = Client("usermapi.dll");
    RegSetKeyValueA(root_, (clients + "\\User Mail").c_str(), "DLLPath", REG_SZ, library.c_str(),
                    static_cast<DWORD>(library.size() + 1));
    char name[257];
    EXPECT_TRUE(FindDefaultMapiClient(root_, user, name));
    EXPECT_STREQ(name, "User Mail");
    EXPECT_TRUE(FindDefaultMapiClient(root_, nullptr, name)) << "a bare name is in the system folder";
    EXPECT_STREQ(name, "Machine Mail");
    EXPECT_EQ(DiscoverMailSystemsUnder(root_, &installed_, &default_, user), 1);
    EXPECT_EQ(Key("EmailSystem1"), "SystemDefaultMail");
    EXPECT_EQ(MailSystemPositionIn(installed_ | 4, default_), 2) << "listed last, after bit 1024";
    DeleteFileA(library.c_str());
    EXPECT_FALSE(FindDefaultMapiClient(root_, user, name));
    RegCloseKey(user);
}

TEST(MailSystems, BitsOfIdentifiers)
{
    uint32_t mask = 0;
    MailSystemBit(&mask, "NetscapeMessenger");
    MailSystemBit(&mask, "QUALCOMMEudoraPro");
    EXPECT_EQ(mask, 260u);
    MailSystemBit(&mask, "netscapemessenger");
    MailSystemBit(&mask, "OutlookExpress");
    MailSystemBit(&mask, "");
    EXPECT_EQ(mask, 260u) << "identifiers match exactly";
    MailSystemBit(&mask, "OutlookExpress6");
    EXPECT_EQ(mask, 1284u);
    ASSERT_NE(FindMailSystem("MicrosoftExchange"), nullptr);
    EXPECT_STREQ(FindMailSystem("MicrosoftExchange")->displayName, "Microsoft Exchange");
}

TEST(MailSystems, PositionOfTheDefault)
{
    EXPECT_EQ(MailSystemPositionIn(260, 256), 2);
    EXPECT_EQ(MailSystemPositionIn(260, 4), 1);
    EXPECT_EQ(MailSystemPositionIn(16, 16), 1);
    EXPECT_EQ(MailSystemPositionIn(1 | 16 | 512, 512), 3);
    EXPECT_EQ(MailSystemPositionIn(260, 0), 2) << "no match: every installed bit counts";
    EXPECT_EQ(MailSystemPositionIn(260, 16), 2);
    EXPECT_EQ(MailSystemPositionIn(1024 | 4, 1024), 2) << "bit 1024 counts as in the Mail page's list";
    EXPECT_EQ(MailSystemPositionIn(0, 4), 0);
}

}  // namespace
