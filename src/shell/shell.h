// Launch and tray shell: the entry point, launch decoding, the tray window and its
// menu, and the probe of the Windows version.
#pragma once

#include <cstdint>

// ---- Operating-system probe -------------------------------------------------------

// The Windows family and version as the destinations test it.
enum OsTypeValue : int32_t {
    kOsWin16 = 1,    // unresolved or 16-bit Windows; also any unknown platform
    kOsWinNt = 2,    // NT family before Windows 2000
    kOsWin95 = 3,    // 9x family, minor version 0
    kOsWin98 = 4,    // 9x family, any later minor version (98, Me)
    kOsWin2000 = 5,  // NT family, major version 5 or later (2000, XP and later)
};

// Set once by the window thread at start-up (ProbeOsType); read by every thread after.
extern int32_t OsType;

// What the system reports about its version: the raw GetVersion value and, on the
// NT family, the answer of GetVersionExA. Kept apart from the decision so every
// Windows release can be fed to it.
struct OsVersionFacts {
    uint32_t rawVersion;    // GetVersion: low byte major, second byte minor, top bit set on 9x
    bool versionExAnswered; // GetVersionExA was found in kernel32.dll and succeeded
    uint32_t platformId;    // dwPlatformId from GetVersionExA
    uint32_t majorVersion;  // dwMajorVersion from GetVersionExA
};

// Reads the facts of the running system.
OsVersionFacts ReadOsVersionFacts();
// The type the version facts give, before any override.
int32_t DecideOsType(const OsVersionFacts& facts);
// The driver installation's forced type: "WIN16", "WIN95", "WIN98", "WINNT" or
// "WIN2000", matched exactly; any other text keeps the detected type.
int32_t ApplyOsTypeOverride(int32_t detectedType, const char* overrideText);
// Decides the type of the running system and applies the override of section
// "TrickOS", key "OSTYPE" in "TAVENDRV.INI" in the Windows directory.
int32_t ProbeOsType();

// The rest of the shell: launch decoding, the scanner session and the tray window.
#include "shell/launch.h"
#include "shell/scanner_session.h"
#include "shell/tray.h"
