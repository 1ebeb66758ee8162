#include <windows.h>

#include <cstring>
#include <optional>

#include "common/handles.h"
#include "common/strings.h"
#include "config/config.h"

const char kButtonKindNames[kButtonKindCount][15] = {
    "Copy", "Mail", "Fax", "ToWeb", "MyWeb", "Image", "Excel", "Word",
    "eCard", "Calendar", "WallPaper", "MGI", "Ds", "Lamp", "MyFolder",
};

namespace {

constexpr char kImagePageSection[] = "Application";
constexpr char kCopyPageSection[] = "Printer";

// Read and written only through the accessors, under g_settingsLock.
ButtonSetting ButtonSettings[kButtonKindCount];
// Guards ButtonSettings between the window thread and a job's dispatching thread.
CriticalSection g_settingsLock;

bool ValidKind(int kind) { return kind >= 0 && kind < kButtonKindCount; }

// The three stored choices of a kind, in ButtonSetting's order.
enum Choice { kDoc, kRes, kBri, kChoiceCount };
constexpr const char* kChoiceKeys[kChoiceCount] = {"Doc", "Res", "Bri"};
constexpr const char* kFallbackKeys[kChoiceCount] = {"DefDoc", "DefRes", "DefBri"};

int32_t& ChoiceOf(ButtonSetting& setting, int choice)
{
    return choice == kDoc ? setting.Doc : choice == kRes ? setting.Res : setting.Bri;
}

// A kind's function section, read in one call and only once "Tornel" lacks one of the
// kind's choices: a fresh file has none, and 45 key reads would slow every start.
class FunctionDefaults {
public:
    explicit FunctionDefaults(int kind) : kind_(kind) {}
    int ReadInt(const char* key)
    {
        if (!section_)
            section_.emplace(kConfigFileName, kButtonKindNames[kind_]);
        return section_->ReadInt(key, 0);
    }

private:
    int kind_;
    std::optional<IniSection> section_;
};

// A stored choice, or the function section's default when "Tornel" has none.
int32_t ReadChoice(const IniSection& tornel, FunctionDefaults& defaults, int kind, int choice)
{
    int32_t value = ReadTornelInt(tornel, kChoiceKeys[choice], kind);
    return value < 0 ? defaults.ReadInt(kFallbackKeys[choice]) : value;
}

// True when the file already gives this value for the choice: its key is there and
// reads as the value, or is there and unreadable while the value is what a load
// makes of it. Such a key is left alone, so the user's text stays as it is.
bool FileGivesChoice(const IniSection& tornel, FunctionDefaults& defaults, int kind, int choice, int32_t value)
{
    char name[32];
    FormatString(name, "%s%d", kChoiceKeys[choice], kind);
    return tornel.Contains(name) && ReadChoice(tornel, defaults, kind, choice) == value;
}

// The section whose "DefaultArea" the settings page of a kind writes, or null for a
// kind without a page.
const char* AreaSectionOf(int kind)
{
    switch (kind) {
    case kKindImage:
        return kImagePageSection;
    case kKindCopy:
        return kCopyPageSection;
    case kKindMail:
    case kKindMyFolder:
        return kButtonKindNames[kind];
    default:
        return nullptr;
    }
}

// The scan area a kind had when the program last ran: the page's "DefaultArea", which
// OK (and the Copy page at once) writes, else what the button settings stored, else A4.
// The page's key comes first because the settings of earlier versions were saved with
// an area of 0 at every exit.
int32_t ReadArea(const IniSection& tornel, int kind)
{
    int32_t area = ReadPageArea(kind, -1);
    if (area < 0)
        area = ReadTornelInt(tornel, "Area", kind);
    return area < 0 ? 0 : area;
}

// True when "Area<kind>" already reads as the area, so a value this program could not
// read stays in the file as it is.
bool FileGivesArea(const IniSection& tornel, int kind, int32_t area)
{
    char name[32];
    FormatString(name, "Area%d", kind);
    return tornel.Contains(name) && ReadTornelInt(tornel, "Area", kind) == area;
}

}  // namespace

int ReadPageArea(int kind, int defaultValue)
{
    const char* section = AreaSectionOf(kind);
    return section ? ReadIniInt(kConfigFileName, section, "DefaultArea", defaultValue) : defaultValue;
}

void WritePageArea(int kind, int area)
{
    if (const char* section = AreaSectionOf(kind))
        WriteIniInt(kConfigFileName, section, "DefaultArea", area);
}

ButtonSetting ReadButtonSetting(int kind)
{
    if (!ValidKind(kind))
        return ButtonSetting{};
    CriticalSectionLock held(g_settingsLock.get());
    return ButtonSettings[kind];
}

void WriteButtonSetting(int kind, const ButtonSetting& setting)
{
    if (!ValidKind(kind))
        return;
    CriticalSectionLock held(g_settingsLock.get());
    ButtonSettings[kind] = setting;
}

void CopyButtonSettings(ButtonSetting (&out)[kButtonKindCount])
{
    CriticalSectionLock held(g_settingsLock.get());
    memcpy(out, ButtonSettings, sizeof ButtonSettings);
}

void RestoreButtonSettings(const ButtonSetting (&saved)[kButtonKindCount])
{
    CriticalSectionLock held(g_settingsLock.get());
    memcpy(ButtonSettings, saved, sizeof ButtonSettings);
}

// "Tornel" is read in one call: start-up would otherwise open the file 45 times.
void LoadButtonSettings()
{
    const IniSection tornel(kConfigFileName, kTornelSection);
    ButtonSetting loaded[kButtonKindCount];
    for (int kind = 0; kind < kButtonKindCount; ++kind) {
        ButtonSetting& setting = loaded[kind];
        FunctionDefaults defaults(kind);
        for (int choice = 0; choice < kChoiceCount; ++choice)
            ChoiceOf(setting, choice) = ReadChoice(tornel, defaults, kind, choice);
        setting.Org = 0;
        setting.Area = ReadArea(tornel, kind);
    }
    RestoreButtonSettings(loaded);
}

void SaveButtonSettings()
{
    const IniSection tornel(kConfigFileName, kTornelSection);
    ButtonSetting saved[kButtonKindCount];
    CopyButtonSettings(saved);
    for (int kind = 0; kind < kButtonKindCount; ++kind) {
        ButtonSetting& setting = saved[kind];
        FunctionDefaults defaults(kind);
        for (int choice = 0; choice < kChoiceCount; ++choice) {
            int32_t value = ChoiceOf(setting, choice);
            if (!FileGivesChoice(tornel, defaults, kind, choice, value))
                WriteTornelInt(kChoiceKeys[choice], kind, value);
        }
        WriteTornelInt("Org", kind, setting.Org);
        if (!FileGivesArea(tornel, kind, setting.Area))
            WriteTornelInt("Area", kind, setting.Area);
    }
    WriteTornelInt("ScanToPoint", -1, 0);
}

void LoadOcrLanguage(const char* country)
{
    int language = ReadIniInt(kConfigFileName, kApplicationSection, "Language", -1);
    if (language == -1) {
        language = strcmp(country, "Chinese") == 0    ? kOcrTraditionalChinese
                   : strcmp(country, "SChinese") == 0 ? kOcrSimplifiedChinese
                                                      : 0;
    }
    g_selections.OcrLanguage = language;
}

void SaveApplicationChoices(int32_t defaultAppIndex, int32_t language)
{
    WriteIniInt(kConfigFileName, kApplicationSection, "DefaultID", defaultAppIndex);
    WriteIniInt(kConfigFileName, kApplicationSection, "Language", language);
}
