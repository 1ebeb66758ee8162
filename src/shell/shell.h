// Launch and tray shell: the entry point, launch decoding, the tray window and its
// menu, and the probe of the Windows version.
#pragma once

#include <cstdint>

#include "config/config.h"

// ---- Operating-system probe -------------------------------------------------------

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
