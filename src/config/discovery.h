// Printer and mail-client discovery: refreshes the lists of "kmconfig.ini" that the
// copy and e-mail functions choose from, at every start of the program.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// ---- The discoveries of a start -----------------------------------------------------

// Applications (for the probed OsType), printers and mail systems, in that order; the
// choices they find go to g_selections.
void RunStartupDiscoveries();
// The mail discovery alone, its masks stored in g_selections; the e-mail function runs
// it when no mail system is chosen yet.
void RefreshMailSystems();

// ---- Mail-system identifiers -------------------------------------------------------

struct MailSystemInfo {
    const char* identifier;   // stored in "EmailSystem"; compared byte-wise
    uint32_t bit;
    const char* displayName;  // shown on the Mail page
};
constexpr size_t kMailSystemCount = 12;
// The system's default Simple MAPI program, whichever it is: found by the unnamed
// value of "Software\Clients\Mail" and handed the page without any default switched.
constexpr char kDefaultMapiClientId[] = "SystemDefaultMail";
constexpr uint32_t kDefaultMapiClientBit = 2048;
extern const MailSystemInfo kMailSystems[kMailSystemCount];

// The entry of an identifier, or null for an unknown one.
const MailSystemInfo* FindMailSystem(const char* identifier);
// ORs the identifier's bit into the mask; an unknown identifier changes nothing.
void MailSystemBit(uint32_t* mask, const char* identifier);
// The number of set bits of the installed mask, from bit 1 up to 2048, up to and
// including the first bit also set in defaultBits; when none matches, the number of
// all installed bits among those.
int32_t MailSystemPositionIn(uint32_t installed, uint32_t defaultBits);

// ---- Discoveries -------------------------------------------------------------------

// Rewrites section "Tornel_Printer" from the spooler's local and connected printers
// and sets *selectedPrinterIndex (which holds -1 on entry). Non-zero when the spooler
// answered; then the section lists its printers, none included.
int DiscoverPrinters(int32_t* selectedPrinterIndex);

// True when the system names a default printer (win.ini "windows"/"device" is neither
// empty nor a single blank).
bool SystemHasDefaultPrinter();

// Looks for the mail clients under HKEY_LOCAL_MACHINE (the default Simple MAPI program
// under HKEY_CURRENT_USER first), writes section "EmailSystem" and sets the masks;
// always 1.
int DiscoverMailSystems(uint32_t* installed, uint32_t* defaultSystem);
// The same with the client keys ("SOFTWARE\Clients\Mail\...") looked up under root,
// and the per-user default under userRoot (none when null).
int DiscoverMailSystemsUnder(HKEY root, uint32_t* installed, uint32_t* defaultSystem, HKEY userRoot = nullptr);
// The default Simple MAPI program: the unnamed value of "SOFTWARE\Clients\Mail" under
// userRoot, else under machineRoot, naming a client whose key (per user first) has a
// DLLPath that exists. Its name goes to clientName.
bool FindDefaultMapiClient(HKEY machineRoot, HKEY userRoot, char (&clientName)[257]);
