// Scan to e-mail: the page is scanned to a BMP file and handed to the mail service
// library, which attaches it to a new mail of the system's default mail client. The
// client chosen on the Mail page is made that default for the call only.
#include <windows.h>

#include <atomic>
#include <cstring>

#include "common/bind_proc.h"
#include "common/handles.h"
#include "common/message_box.h"
#include "common/paths.h"
#include "common/registry.h"
#include "common/strings.h"
#include "config/config.h"
#include "config/discovery.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

constexpr char kMailLibrary[] = "Duderirir.dll";
constexpr char kSendMailExport[] = "TNGSendMail";
constexpr char kMailClientsKey[] = "SOFTWARE\\Clients\\Mail";

// The library's entry: the image path; the library has finished with the mail client
// and the file when it returns.
using PFN_TNGSendMail = int(__cdecl*)(char* imagePath);

struct MailClientName {
    const char* identifier;
    const char* clientName;  // the key under "SOFTWARE\Clients\Mail"
};
constexpr MailClientName kMailClientNames[] = {
    {"QUALCOMMEudoraPro", "Eudora"},
    {"OutlookExpress5", "Outlook Express"},
    {"NetscapeMessenger", "NetScape Messenger"},
};

const char* MailClientNameFor(const char* identifier)
{
    for (const MailClientName& entry : kMailClientNames) {
        if (strcmp(entry.identifier, identifier) == 0)
            return entry.clientName;
    }
    return nullptr;
}

void ReportMailFailure()
{
    char text[100];
    GetLocalizedText(IDS_ERROR_LAUNCH_MAIL, text);
    ShowMessageOwnedBy(nullptr, text, "Error", MB_OK);
}

// Windows' Simple MAPI reads the per-user default before the machine's from Vista on;
// XP reads only the machine's.
bool PerUserDefaultHonoured()
{
    return LOBYTE(LOWORD(GetVersion())) >= 6;
}

// Makes a mail client the default under one root while it lives and puts the earlier
// default back when it goes, whichever way the hand-off ended: the same data and
// type, or no value at all when there was none (and no key, when it made the key).
// A default it cannot read whole is left alone rather than lost.
class DefaultMailClientSwitch {
public:
    DefaultMailClientSwitch(HKEY root, const char* clientName, bool onlyOverAValue)
    {
        if (!root || !clientName)
            return;
        // Reading and writing one value is all it needs; a standard user may not open
        // the machine's keys for more. Over a value only, a key that is not there holds
        // none and is not made.
        const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE;
        DWORD disposition = REG_OPENED_EXISTING_KEY;
        const LONG opened = onlyOverAValue ? RegOpenKeyExA(root, kMailClientsKey, 0, access, key_.put())
                                           : RegCreateKeyExA(root, kMailClientsKey, 0, nullptr, 0, access, nullptr,
                                                             key_.put(), &disposition);
        if (opened != ERROR_SUCCESS)
            return;
        root_ = root;
        createdKey_ = disposition == REG_CREATED_NEW_KEY;
        previousSize_ = sizeof previous_;
        LONG status = RegQueryValueExA(key_.get(), nullptr, nullptr, &type_, previous_, &previousSize_);
        if (status == ERROR_SUCCESS)
            hadValue_ = true;
        else if (status != ERROR_FILE_NOT_FOUND || onlyOverAValue)
            return;
        const DWORD size = static_cast<DWORD>(strlen(clientName) + 1);
        changed_ = RegSetValueExA(key_.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clientName), size) ==
                   ERROR_SUCCESS;
    }
    ~DefaultMailClientSwitch()
    {
        if (changed_) {
            if (hadValue_)
                RegSetValueExA(key_.get(), nullptr, 0, type_, previous_, previousSize_);
            else
                RegDeleteValueA(key_.get(), nullptr);
        }
        if (createdKey_) {
            key_.reset();
            RegDeleteKeyA(root_, kMailClientsKey);
        }
    }
    bool Changed() const { return changed_; }
    DefaultMailClientSwitch(const DefaultMailClientSwitch&) = delete;
    DefaultMailClientSwitch& operator=(const DefaultMailClientSwitch&) = delete;

private:
    UniqueHkey key_;
    HKEY root_ = nullptr;
    bool createdKey_ = false;
    bool changed_ = false;
    bool hadValue_ = false;
    DWORD type_ = REG_SZ;
    BYTE previous_[256] = {};
    DWORD previousSize_ = 0;
};

// The unnamed value of the mail clients' key under root, or an empty text.
void ReadDefaultClient(HKEY root, char (&name)[256])
{
    ReadRegistryText(root, kMailClientsKey, nullptr, name, sizeof name - 1);
}

// Set by the dispatching thread, the only one that hands pages to mail: the user has
// been told once that the system's default program got the page instead of the chosen one.
std::atomic<bool> g_toldDefaultGotPage{false};

// Where the chosen client could not be made the default, the page goes to the one
// that is: the user hears once which program that is.
void TellOnceWhichProgramGotIt(const MailDefaultKeys& keys)
{
    if (g_toldDefaultGotPage.exchange(true))
        return;
    char client[256];
    ReadDefaultClient(keys.machine, client);
    if (!client[0])
        GetLocalizedText(IDS_MAIL_DEFAULT_PROGRAM, client);
    ShowLocalizedMessage(IDS_MSG_MAIL_WENT_TO, nullptr, client, MB_OK | MB_ICONINFORMATION);
}

// Loads the library for this one hand-off and frees it right after. False when the
// library or its entry is missing.
bool HandToMailLibrary(const char* libraryPath, const char* imagePath)
{
    UniqueModule library(LoadLibraryA(libraryPath));
    if (!library)
        return false;
    PFN_TNGSendMail sendMail = nullptr;
    if (!BindProc(library.get(), kSendMailExport, sendMail))
        return false;
    char path[260];
    CopyString(path, imagePath);
    sendMail(path);
    return true;
}

// The chosen mail system; when none is, the mail discovery runs once and its choice
// is read again.
void ReadOrDiscoverMailSystem(char (&identifier)[260])
{
    ReadChosenMailSystem(identifier);
    if (identifier[0])
        return;
    RefreshMailSystems();
    ReadChosenMailSystem(identifier);
}

// The system's default mail program by its own name when it names one.
void DefaultProgramName(char (&name)[257])
{
    if (!FindDefaultMapiClient(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, name))
        GetLocalizedText(IDS_MAIL_DEFAULT_PROGRAM, name);
}

}  // namespace

// The mail program a page for the mail system goes to, by the name the user knows.
static void ProgramNameFor(const char* identifier, char (&program)[257])
{
    const MailSystemInfo* system = FindMailSystem(identifier);
    if (system && system->bit == kDefaultMapiClientBit)
        DefaultProgramName(program);
    else
        CopyString(program, system ? system->displayName : identifier);
}

namespace {

// Where a page goes: the chosen mail system and the library that takes it; no library
// when no mail program is installed and the page goes out as a draft.
struct MailRoute {
    char identifier[260];
    char library[MAX_PATH];
    bool draft;
};

}  // namespace

// False, with the message shown, when nothing could take the page: said before the
// user waits for a scan.
static bool ChooseMailRoute(MailRoute* route)
{
    ReadOrDiscoverMailSystem(route->identifier);
    // On XP, Outlook Express 6 registers under the name of version 5.
    if (g_selections.OsType == kOsWinXp && strcmp(route->identifier, "OutlookExpress6") == 0)
        CopyString(route->identifier, "OutlookExpress5");
    // Without any mail program the page still goes out, as a draft for whatever opens
    // mail files.
    route->draft = g_selections.InstalledMailSystems == 0;
    if (route->draft)
        return true;
    if (!WindowsFilePath(route->library, kMailLibrary) || !FileExists(route->library)) {
        ReportMailFailure();
        return false;
    }
    return true;
}

// The hand-off after the scan.
static int MailPage(const MailRoute& route, const char* imagePath)
{
    if (route.draft)
        return MailDraftOfPage(imagePath);
    if (!HandToMailService(route.identifier, route.library, imagePath)) {
        ReportMailFailure();
        return 0;
    }
    char program[257];
    ProgramNameFor(route.identifier, program);
    AnnounceDestinationResult(DestinationResult::Mailed, program);
    return 1;
}

void MailProgramName(char (&program)[257])
{
    char identifier[260];
    ReadChosenMailSystem(identifier);
    if (g_selections.InstalledMailSystems == 0)
        DefaultProgramName(program);
    else
        ProgramNameFor(identifier, program);
}

int ScanToEmail(const ScanOrder& order)
{
    MailRoute route;
    if (!ChooseMailRoute(&route))
        return 0;
    char imagePath[260];
    MakeOutputFileName(imagePath, "bmp");
    if (!RunScanJob(imagePath, order, kOutputFormatBmp))
        return 0;  // aborted: no registry change, no hand-off, no message
    return MailPage(route, imagePath);
}

int ResendToMail(const char* imagePath)
{
    MailRoute route;
    if (!ChooseMailRoute(&route))
        return 0;
    return MailPage(route, imagePath);
}

bool HandToMailService(const char* identifier, const char* libraryPath, const char* imagePath)
{
    const MailDefaultKeys keys = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, PerUserDefaultHonoured()};
    return HandToMailServiceWith(keys, identifier, libraryPath, imagePath);
}

bool HandToMailServiceWith(const MailDefaultKeys& keys, const char* identifier, const char* libraryPath,
                           const char* imagePath)
{
    const char* clientName = MailClientNameFor(identifier);
    DefaultMailClientSwitch machine(keys.machine, clientName, false);
    // Where the system reads the per-user default first, a per-user value would hide
    // the machine's switch, and where the machine's cannot be written the per-user one
    // is the user's own to switch.
    const bool switchUser = clientName && keys.userDefaultHonoured;
    DefaultMailClientSwitch user(switchUser ? keys.user : nullptr, clientName, machine.Changed());
    const bool handed = HandToMailLibrary(libraryPath, imagePath);
    if (handed && clientName && !machine.Changed() && !user.Changed())
        TellOnceWhichProgramGotIt(keys);
    return handed;
}
