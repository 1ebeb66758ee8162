#include "config/discovery_ini.h"

#include <windows.h>

#include "common/paths.h"
#include "common/strings.h"

namespace {

constexpr char kConfigFile[] = "kmconfig.ini";

// False when the Windows directory is too long for a path; the call is then skipped
// rather than made with a cut name that could name another file.
bool ConfigPath(char (&path)[MAX_PATH]) { return WindowsFilePath(path, kConfigFile); }

}  // namespace

namespace DiscoveryIni {

void ReadText(const char* section, const char* key, char* out, size_t size)
{
    if (size == 0)
        return;
    out[0] = '\0';
    char path[MAX_PATH];
    if (!ConfigPath(path))
        return;
    GetPrivateProfileStringA(section, key, "", out, static_cast<DWORD>(size), path);
}

// Write results are not checked: a configuration file that cannot be written leaves
// the lists of the last run, which the pages and destinations still read.
void WriteText(const char* section, const char* key, const char* value)
{
    char path[MAX_PATH];
    if (ConfigPath(path))
        WritePrivateProfileStringA(section, key, value, path);
}

void WriteInt(const char* section, const char* key, int32_t value)
{
    char text[16];
    FormatString(text, "%d", static_cast<int>(value));
    WriteText(section, key, text);
}

void DeleteSection(const char* section)
{
    char path[MAX_PATH];
    if (ConfigPath(path))
        WritePrivateProfileStringA(section, nullptr, nullptr, path);
}

}  // namespace DiscoveryIni
