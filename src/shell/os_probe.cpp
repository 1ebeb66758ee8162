// Decides the Windows family and version once at start-up. The decision follows the
// driver's own rules (GetVersion first, GetVersionExA only on the NT family) so the
// program and the scanner driver agree on the system, and the driver's installer
// can force the answer through "TAVENDRV.INI".
#include <windows.h>

#include <cstring>

#include "common/bind_proc.h"
#include "common/handles.h"
#include "common/strings.h"
#include "config/config.h"
#include "shell/shell.h"

namespace {

constexpr uint32_t kNineXFamilyBit = 0x80000000u;

// The overrides in the order they are tried; the first exact match wins.
struct OsOverride {
    const char* text;
    int32_t type;
};
constexpr OsOverride kOsOverrides[] = {
    {"WIN16", kOsWin16}, {"WIN95", kOsWin95}, {"WIN98", kOsWin98}, {"WINNT", kOsWinNt}, {"WIN2000", kOsWin2000},
};

// kernel32.dll by full path from the system directory, as the driver loads it.
bool KernelPath(char (&path)[255])
{
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    AppendBackslash(path);
    return AppendString(path, "kernel32.dll");
}

using GetVersionExAProc = BOOL(WINAPI*)(OSVERSIONINFOA*);

// Asks GetVersionExA, looked up at run time because the oldest NT releases lack it.
void ReadVersionEx(OsVersionFacts& facts)
{
    char kernelPath[255];
    if (!KernelPath(kernelPath))
        return;
    UniqueModule kernel(LoadLibraryA(kernelPath));
    if (!kernel)
        return;
    GetVersionExAProc getVersionEx = nullptr;
    if (!BindProc(kernel.get(), "GetVersionExA", getVersionEx))
        return;
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;  // 148: the form every release understands
    if (!getVersionEx(&info))
        return;
    facts.versionExAnswered = true;
    facts.platformId = info.dwPlatformId;
    facts.majorVersion = info.dwMajorVersion;
}

}  // namespace

OsVersionFacts ReadOsVersionFacts()
{
    OsVersionFacts facts = {};
    facts.rawVersion = GetVersion();
    if (facts.rawVersion != 0 && (facts.rawVersion & kNineXFamilyBit) == 0)
        ReadVersionEx(facts);
    return facts;
}

int32_t DecideOsType(const OsVersionFacts& facts)
{
    uint32_t type = kOsWin16;
    uint32_t extendedMajor = 0;
    const uint32_t minor = (facts.rawVersion >> 8) & 0xFF;
    if (facts.rawVersion != 0 && (facts.rawVersion & kNineXFamilyBit) == 0) {
        type = kOsWinNt;
        if (facts.versionExAnswered) {
            type = facts.platformId;
            extendedMajor = facts.majorVersion;
        }
    }
    if (extendedMajor >= 5)
        type = kOsWin2000;
    if (type == kOsWin16)
        type = (minor == 0) ? kOsWin95 : kOsWin98;
    if (type < kOsWin16 || type > kOsWin2000)
        type = kOsWin16;
    return static_cast<int32_t>(type);
}

int32_t ApplyOsTypeOverride(int32_t detectedType, const char* overrideText)
{
    if (!overrideText || !*overrideText)
        return detectedType;
    for (const OsOverride& entry : kOsOverrides) {
        if (strcmp(overrideText, entry.text) == 0)
            return entry.type;
    }
    return detectedType;
}

int32_t ProbeOsType()
{
    int32_t type = DecideOsType(ReadOsVersionFacts());
    char overrideText[255];
    ReadOsTypeOverride(overrideText);
    return ApplyOsTypeOverride(type, overrideText);
}
