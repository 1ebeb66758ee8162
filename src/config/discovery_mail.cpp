// The mail clients the e-mail function can hand a scan to: found by their registered
// command lines, written to "EmailSystem" with the chosen default.
#include <windows.h>

#include <cstring>

#include "common/registry.h"
#include "common/strings.h"
#include "config/discovery.h"
#include "config/config.h"


const MailSystemInfo kMailSystems[kMailSystemCount] = {
    {"LotusccMail", 1, "Lotus cc:Mail"},
    {"LotusNotesccMail", 2, "Lotus Notes cc:Mail"},
    {"QUALCOMMEudoraPro", 4, "Eudora"},
    {"OutlookExpress4", 8, "Outlook Express 4"},
    {"OutlookExpress5", 16, "Outlook Express 5"},
    {"MicrosoftOutlook97", 32, "Microsoft Outlook 97"},
    {"MicrosoftOutlook98", 64, "Microsoft Outlook 98"},
    {"MicrosoftOutlook2000", 128, "Microsoft Outlook 2000"},
    {"NetscapeMessenger", 256, "Netscape"},
    {"MicrosoftExchange", 512, "Microsoft Exchange"},
    {"OutlookExpress6", 1024, "Outlook Express 6"},
    // Whatever program the system names as its Simple MAPI default; the maker's
    // programs do not know the identifier and ignore it.
    {kDefaultMapiClientId, kDefaultMapiClientBit, "Default mail program"},
};

namespace {

// The position counts every system the Mail page lists (bits 1 to 2048), so that
// a position names the same entry in the list and in "DefaultMailSystem".
constexpr uint32_t kLastPositionBit = kDefaultMapiClientBit;
constexpr char kMailClientsKey[] = "SOFTWARE\\Clients\\Mail";

// A detectable client: its open command, and where the program path in it ends.
struct MailClientKey {
    const char* subkey;
    char cutAt;  // 0: the whole command is the path
    const char* identifier;
};
constexpr MailClientKey kMailClientKeys[] = {
    {"SOFTWARE\\Clients\\Mail\\Eudora\\shell\\open\\command", 0, "QUALCOMMEudoraPro"},
    {"SOFTWARE\\Clients\\Mail\\Outlook Express\\shell\\open\\command", '/', "OutlookExpress5"},
    {"SOFTWARE\\Clients\\Mail\\Netscape Messenger\\protocols\\mailto\\shell\\open\\command", '"',
     "NetscapeMessenger"},
};

// The registry's texts read here are of at most 255 bytes.
constexpr size_t kTextSize = 256;

// Cuts the command where its program path ends; the blank in front of a switch may
// stay, since the file lookup ignores trailing blanks of a name.
void CutCommand(char* command, char cutAt)
{
    if (!cutAt)
        return;
    if (char* at = strchr(command, cutAt))
        *at = '\0';
}

// The existence test of the configuration store: a leading double quote is skipped
// and a closing one removed; wildcards match as FindFirstFileA matches them.
bool MailClientInstalled(HKEY root, const MailClientKey& client)
{
    char command[257];
    if (!ReadRegistryText(root, client.subkey, nullptr, command, kTextSize))
        return false;
    char expanded[260];
    DWORD length = ExpandEnvironmentStringsA(command, expanded, sizeof expanded);
    if (length == 0 || length > sizeof expanded)
        return false;
    CutCommand(expanded, client.cutAt);
    return FileExists(expanded);
}

// The client's Simple MAPI library as a full path: references expanded, and a bare
// file name in the system folder, where the system's MAPI loads it from.
bool MapiLibraryPath(const char* dllPath, char (&path)[260])
{
    char expanded[260];
    DWORD length = ExpandEnvironmentStringsA(dllPath, expanded, sizeof expanded);
    if (length == 0 || length > sizeof expanded || !expanded[0])
        return false;
    if (strchr(expanded, '\\'))
        return CopyString(path, expanded);
    UINT folder = GetSystemDirectoryA(path, sizeof path);
    return folder != 0 && folder < sizeof path && AppendBackslash(path) && AppendString(path, expanded);
}

}  // namespace

bool FindDefaultMapiClient(HKEY machineRoot, HKEY userRoot, char (&clientName)[257])
{
    // The per-user default comes first, as the system's MAPI reads it since Vista.
    if (!ReadRegistryText(userRoot, kMailClientsKey, nullptr, clientName, kTextSize) || !clientName[0]) {
        if (!ReadRegistryText(machineRoot, kMailClientsKey, nullptr, clientName, kTextSize) || !clientName[0])
            return false;
    }
    char clientKey[320];
    if (!FormatString(clientKey, "%s\\%s", kMailClientsKey, clientName))
        return false;
    char dllPath[257];
    if (!ReadRegistryText(userRoot, clientKey, "DLLPath", dllPath, kTextSize) &&
        !ReadRegistryText(machineRoot, clientKey, "DLLPath", dllPath, kTextSize))
        return false;
    char library[260];
    return MapiLibraryPath(dllPath, library) && FileExists(library);
}

namespace {

void WriteNumberedSystem(int32_t number, const char* identifier)
{
    char key[32];
    FormatString(key, "EmailSystem%d", static_cast<int>(number));
    WriteIniString(kConfigFileName, kEmailSystemSection, key, identifier);
}

}  // namespace

const MailSystemInfo* FindMailSystem(const char* identifier)
{
    if (!identifier)
        return nullptr;
    for (const MailSystemInfo& system : kMailSystems) {
        if (strcmp(system.identifier, identifier) == 0)
            return &system;
    }
    return nullptr;
}

void MailSystemBit(uint32_t* mask, const char* identifier)
{
    if (const MailSystemInfo* system = FindMailSystem(identifier))
        *mask |= system->bit;
}

int32_t MailSystemPositionIn(uint32_t installed, uint32_t defaultBits)
{
    int32_t position = 0;
    for (uint32_t bit = 1; bit <= kLastPositionBit; bit <<= 1) {
        if (installed & bit) {
            ++position;
            if (defaultBits & bit)
                break;
        }
    }
    return position;
}

int DiscoverMailSystemsUnder(HKEY root, uint32_t* installed, uint32_t* defaultSystem, HKEY userRoot)
{
    uint32_t found = 0;
    int32_t count = 0;
    const char* firstFound = nullptr;
    for (const MailClientKey& client : kMailClientKeys) {
        if (!MailClientInstalled(root, client))
            continue;
        ++count;
        MailSystemBit(&found, client.identifier);
        WriteNumberedSystem(count, client.identifier);
        if (!firstFound)
            firstFound = client.identifier;
    }
    char clientName[257];
    if (FindDefaultMapiClient(root, userRoot, clientName)) {
        ++count;
        found |= kDefaultMapiClientBit;
        WriteNumberedSystem(count, kDefaultMapiClientId);
        if (!firstFound)
            firstFound = kDefaultMapiClientId;
    }
    *installed = found;
    WriteIniInt(kConfigFileName, kEmailSystemSection, "Num", count);

    // A first run has no chosen client yet: the first one found becomes the choice,
    // so the e-mail function and the Mail page start from a client that exists.
    char defaultId[32];
    ReadIniString(kConfigFileName, kEmailSystemSection, "Default", "", defaultId);
    if (!defaultId[0] && firstFound) {
        WriteIniString(kConfigFileName, kEmailSystemSection, "Default", firstFound);
        CopyString(defaultId, firstFound);
    }
    uint32_t defaultBits = *defaultSystem;
    MailSystemBit(&defaultBits, defaultId);
    *defaultSystem = defaultBits;
    return 1;
}

int DiscoverMailSystems(uint32_t* installed, uint32_t* defaultSystem)
{
    return DiscoverMailSystemsUnder(HKEY_LOCAL_MACHINE, installed, defaultSystem, HKEY_CURRENT_USER);
}

void RefreshMailSystems()
{
    uint32_t installed = 0;
    uint32_t defaultSystem = g_selections.DefaultMailSystem;
    DiscoverMailSystems(&installed, &defaultSystem);
    g_selections.InstalledMailSystems = installed;
    g_selections.DefaultMailSystem = defaultSystem;
}

void RunStartupDiscoveries()
{
    DiscoverApplications(g_selections.OsType, &g_selections.DefaultAppIndex);
    int32_t selectedPrinter = -1;
    DiscoverPrinters(&selectedPrinter);
    g_selections.SelectedPrinterIndex = selectedPrinter;
    RefreshMailSystems();
    g_selections.DefaultMailPosition =
        MailSystemPositionIn(g_selections.InstalledMailSystems, g_selections.DefaultMailSystem);
}
