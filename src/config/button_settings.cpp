#include "config/config.h"
#include "scan/scan_tables.h"

ButtonSetting ButtonSettings[kButtonKindCount];

// A stored choice, or the function section's default when "Tornel" has none.
static int32_t ReadChoice(const IniSection& tornel, const char* key, int kind, const char* fallbackKey)
{
    int32_t value = ReadTornelInt(tornel, key, kind);
    if (value < 0)
        value = ReadIniInt(kConfigFileName, kButtonKindNames[kind], fallbackKey, 0);
    return value;
}

// "Tornel" is read in one call: start-up would otherwise open the file 45 times.
void LoadButtonSettings()
{
    const IniSection tornel(kConfigFileName, kTornelSection);
    for (int kind = 0; kind < kButtonKindCount; ++kind) {
        ButtonSetting& setting = ButtonSettings[kind];
        setting.Doc = ReadChoice(tornel, "Doc", kind, "DefDoc");
        setting.Res = ReadChoice(tornel, "Res", kind, "DefRes");
        setting.Bri = ReadChoice(tornel, "Bri", kind, "DefBri");
        setting.Org = 0;
        setting.Area = 0;
    }
}

void SaveButtonSettings()
{
    for (int kind = 0; kind < kButtonKindCount; ++kind) {
        const ButtonSetting& setting = ButtonSettings[kind];
        WriteTornelInt("Doc", kind, setting.Doc);
        WriteTornelInt("Res", kind, setting.Res);
        WriteTornelInt("Bri", kind, setting.Bri);
        WriteTornelInt("Org", kind, setting.Org);
        WriteTornelInt("Area", kind, setting.Area);
    }
    WriteTornelInt("ScanToPoint", -1, 0);
}
