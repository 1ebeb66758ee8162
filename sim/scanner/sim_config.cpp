#include "sim_config.h"

#include <cstdlib>
#include <cstring>

#include "common/strings.h"

bool SimIniPathBeside(HMODULE module, char* out, size_t size)
{
    char modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        return false;
    char* slash = strrchr(modulePath, '\\');
    if (slash)
        slash[1] = '\0';
    else
        modulePath[0] = '\0';
    bool whole = CopyString(out, size, modulePath);
    return AppendString(out, size, kSimIniName) && whole;
}

int ReadSimInt(const char* iniPath, const char* section, const char* key, int defaultValue)
{
    char text[32];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, iniPath);
    if (text[0] == '\0')
        return defaultValue;
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (end == text)
        return defaultValue;
    return static_cast<int>(value);
}

int SimFault(const char* iniPath, const char* entryPoint)
{
    return ReadSimInt(iniPath, kSimFaultsSection, entryPoint, 0);
}

bool SimPlugged(const char* iniPath) { return ReadSimInt(iniPath, kSimScannerSection, kSimPluggedKey, 1) != 0; }
