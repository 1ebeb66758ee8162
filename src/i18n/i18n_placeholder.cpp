#include <cstring>

#include "common/strings.h"
#include "i18n/i18n.h"

// Placeholder until the localization file is read: every lookup misses.
int GetLocalizedText(int, char* buffer, int size)
{
    if (size > 0)
        CopyString(buffer, static_cast<size_t>(size), "String not found!");
    return 0;
}

int FreeLocalization() { return 1; }
int LoadInstalledLocalization() { return 1; }
