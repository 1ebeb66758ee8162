// Scan to e-mail: the page is scanned to a BMP file and handed to the mail service
// library, which attaches it to a new mail of the system's default mail client. The
// client chosen on the Mail page is made that default for the call only.
#include <windows.h>

#include <cstring>

#include "common/handles.h"
#include "common/message_box.h"
#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

constexpr char kMailSection[] = "EmailSystem";
constexpr char kMailLibrary[] = "Duderirir.dll";
constexpr char kSendMailExport[] = "TNGSendMail";
constexpr char kMailClientsKey[] = "SOFTWARE\\Clients\\Mail";
// Windows XP, where Outlook Express 6 registers under the name of version 5.
constexpr int32_t kOsTypeXp = 7;

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

// Makes a mail client the system's default while it lives and puts the earlier
// default back when it goes, whichever way the hand-off ended: the same data and
// type, or no value at all when there was none. A default it cannot read whole is
// left alone rather than lost.
class DefaultMailClientSwitch {
public:
    explicit DefaultMailClientSwitch(const char* clientName)
    {
        if (!clientName)
            return;
        // Reading and writing one value is all it needs; a normal user may not open
        // the machine's keys for more.
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMailClientsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key_.put()) !=
            ERROR_SUCCESS)
            return;
        previousSize_ = sizeof previous_;
        LONG status = RegQueryValueExA(key_.get(), nullptr, nullptr, &type_, previous_, &previousSize_);
        if (status == ERROR_SUCCESS)
            hadValue_ = true;
        else if (status != ERROR_FILE_NOT_FOUND)
            return;
        const DWORD size = static_cast<DWORD>(strlen(clientName) + 1);
        changed_ = RegSetValueExA(key_.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clientName), size) ==
                   ERROR_SUCCESS;
    }
    ~DefaultMailClientSwitch()
    {
        if (!changed_)
            return;
        if (hadValue_)
            RegSetValueExA(key_.get(), nullptr, 0, type_, previous_, previousSize_);
        else
            RegDeleteValueA(key_.get(), nullptr);
    }
    DefaultMailClientSwitch(const DefaultMailClientSwitch&) = delete;
    DefaultMailClientSwitch& operator=(const DefaultMailClientSwitch&) = delete;

private:
    UniqueHkey key_;
    bool changed_ = false;
    bool hadValue_ = false;
    DWORD type_ = REG_SZ;
    BYTE previous_[256] = {};
    DWORD previousSize_ = 0;
};

// Loads the library for this one hand-off and frees it right after. False when the
// library or its entry is missing.
bool HandToMailLibrary(const char* libraryPath, const char* imagePath)
{
    UniqueModule library(LoadLibraryA(libraryPath));
    if (!library)
        return false;
    FARPROC proc = GetProcAddress(library.get(), kSendMailExport);
    if (!proc)
        return false;
    char path[260];
    CopyString(path, imagePath);
    reinterpret_cast<PFN_TNGSendMail>(reinterpret_cast<void*>(proc))(path);
    return true;
}

// "Default" of "EmailSystem"; when it is empty, the mail discovery runs once and
// its choice is read again.
void ReadChosenMailSystem(char (&identifier)[260])
{
    ReadIniString(kConfigFileName, kMailSection, "Default", "", identifier);
    if (identifier[0])
        return;
    DiscoverMailSystems(&InstalledMailSystems, &DefaultMailSystem);
    ReadIniString(kConfigFileName, kMailSection, "Default", "", identifier);
}

}  // namespace

int ScanToEmail()
{
    char identifier[260];
    ReadChosenMailSystem(identifier);
    if (OsType == kOsTypeXp && strcmp(identifier, "OutlookExpress6") == 0)
        CopyString(identifier, "OutlookExpress5");

    // Without a mail system or the library nothing could take the page: say so before
    // the user waits for a scan.
    char library[MAX_PATH];
    if (InstalledMailSystems == 0 || !WindowsFilePath(library, kMailLibrary) || !FileExists(library)) {
        ReportMailFailure();
        return 0;
    }

    char imagePath[260];
    MakeOutputFileName(imagePath, "bmp");
    if (!RunScanJob(imagePath, kKindMail, kOutputFormatBmp))
        return 0;  // aborted: no registry change, no hand-off, no message

    if (!HandToMailService(identifier, library, imagePath)) {
        ReportMailFailure();
        return 0;
    }
    const MailSystemInfo* system = FindMailSystem(identifier);
    AnnounceDestinationResult(DestinationResult::Mailed, system ? system->displayName : identifier);
    return 1;
}

bool HandToMailService(const char* identifier, const char* libraryPath, const char* imagePath)
{
    DefaultMailClientSwitch chosenClient(MailClientNameFor(identifier));
    return HandToMailLibrary(libraryPath, imagePath);
}
