#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/handles.h"
#include "common/message_box.h"
#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"
#include "i18n/i18n.h"
#include "resource.h"

// One text of TextTable: a single block that owns itself, the text stored inline.
struct TextEntry {
    HGLOBAL owner;
    int32_t id;
    uint32_t length;
    char* text;
    TextEntry* next;
};

LocalizationState g_localization;

namespace {

constexpr int kBucketCount = 100;
// Ids below this are ordinary string-table texts; from it on, keys of the file.
constexpr int kFirstKeyId = 11100;
constexpr const char* kNotFound = "String not found!";
constexpr const char* kDefaultFace = "MS Sans Serif";
constexpr int kDefaultPointSize = 8;
constexpr int kMaxPointSize = 20;
constexpr LONG kFontWeight = 500;

int CountIds(const uint32_t* idList)
{
    int count = 0;
    while (idList[count] != kKeyIdListEnd)
        ++count;
    return count;
}

void FreeKeyTable()
{
    free(g_localization.KeyTable);
    g_localization.KeyTable = nullptr;
    g_localization.KeyCount = 0;
}

bool BuildKeyTable(const uint32_t* idList)
{
    FreeKeyTable();
    const int idCount = CountIds(idList);
    auto* records = static_cast<KeyRecord*>(calloc(static_cast<size_t>(idCount) + 1, sizeof(KeyRecord)));
    if (!records)
        return false;
    HINSTANCE module = GetModuleHandleA(nullptr);
    int count = 0;
    for (int i = 0; i < idCount; ++i) {
        char key[1024];
        if (LoadStringA(module, idList[i], key, sizeof key) <= 0)
            continue;
        records[count].id = idList[i];
        CopyString(records[count].key, key);
        ++count;
    }
    records[count].id = kKeyIdListEnd;
    records[count].key[0] = '\0';
    SortKeyRecords(records, count);
    g_localization.KeyTable = records;
    g_localization.KeyCount = count;
    return true;
}

void FreeTextTable()
{
    if (g_localization.TextTable) {
        for (int bucket = 0; bucket < g_localization.BucketCount; ++bucket) {
            TextEntry* entry = g_localization.TextTable[bucket];
            while (entry) {
                TextEntry* next = entry->next;
                GlobalFree(entry->owner);
                entry = next;
            }
        }
        free(g_localization.TextTable);
    }
    g_localization.TextTable = nullptr;
    g_localization.BucketCount = 0;
}

void DeleteLocalizedFont()
{
    if (g_localization.Font)
        DeleteObject(g_localization.Font);
    g_localization.Font = nullptr;
}

bool StoreText(int32_t id, const char* text)
{
    size_t length = strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(TextEntry) + length + 1);
    if (!block)
        return false;
    auto* entry = static_cast<TextEntry*>(block);
    entry->owner = block;
    entry->id = id;
    entry->length = static_cast<uint32_t>(length);
    entry->text = reinterpret_cast<char*>(entry + 1);
    memcpy(entry->text, text, length + 1);
    TextEntry*& head = g_localization.TextTable[id % kBucketCount];
    entry->next = head;
    head = entry;
    return true;
}

// Reads every line into TextTable; false when a text could not be stored.
bool ReadTexts(FILE* file)
{
    bool allStored = true;
    char line[kLocLineSize];
    while (fgets(line, sizeof line, file)) {
        StripLineEnd(line);
        char key[kLocKeySize];
        char text[kLocTextSize];
        if (!ParseLocalizationLine(line, key, text))
            continue;
        int32_t id = FindKeyId(g_localization.KeyTable, g_localization.KeyCount, key);
        if (id <= 0)
            continue;
        if (!StoreText(id, text))
            allStored = false;
    }
    return allStored;
}

const TextEntry* FindText(int id)
{
    if (!g_localization.TextTable || g_localization.BucketCount <= 0 || id % kBucketCount < 0)
        return nullptr;
    for (const TextEntry* entry = g_localization.TextTable[id % kBucketCount]; entry; entry = entry->next) {
        if (entry->id == id)
            return entry;
    }
    return nullptr;
}

int ScreenPixelsPerInch()
{
    WindowDc screen(nullptr);
    int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

void CreateLocalizedFont()
{
    DeleteLocalizedFont();
    LOGFONTA& font = g_localization.LogFont;
    font = LOGFONTA{};
    const TextEntry* face = FindText(IDS_DLG_LOCAL_FONT);
    CopyString(font.lfFaceName, face ? face->text : kDefaultFace);
    font.lfWeight = kFontWeight;

    int size = kDefaultPointSize;
    if (const TextEntry* sizeText = FindText(IDS_DLG_LOCAL_FONT_SIZE)) {
        size = atoi(sizeText->text);
        if (size < 0)
            size = kDefaultPointSize;
        else if (size > kMaxPointSize)
            size = kMaxPointSize;
    }
    g_localization.PointSize = size;
    int height = (ScreenPixelsPerInch() * size + 71) / 72 + 1;
    height &= ~1;
    font.lfHeight = -height;

    if (const TextEntry* charSet = FindText(IDS_DLG_LOCAL_FONT_CHAR_SET)) {
        int value = atoi(charSet->text);
        font.lfCharSet = static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
    g_localization.Font = CreateFontIndirectA(&font);
}

// A dialog looks up a hundred texts while it opens: the record is written once the
// window thread is idle again, not once per text. A lookup on another thread posts
// an empty message so that an idle window thread wakes and writes it.
void LeaveLookupRecord()
{
    if (g_localization.LookupRecordPending.exchange(true))
        return;
    const DWORD windowThread = g_localization.WindowThreadId;
    if (windowThread && windowThread != GetCurrentThreadId())
        PostThreadMessageA(windowThread, WM_NULL, 0, 0);
}

bool CanOpenForReading(const char* path)
{
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(file);
}

bool FindLocalizationFile(char (&path)[MAX_PATH])
{
    static const char* const kNames[] = {"Tornel.loc", "trnl_inf.loc"};
    for (const char* name : kNames) {
        if (WindowsFilePath(path, name) && CanOpenForReading(path))
            return true;
    }
    return false;
}

// The start-up messages are fixed English: no localized text exists yet.
int FailStartup(const char* message)
{
    ShowMessage(message);
    PostQuitMessage(0);
    return 0;
}

}  // namespace

int LoadLocalizationFile(const char* path, const uint32_t* idList)
{
    FreeTextTable();
    DeleteLocalizedFont();
    if (!idList || !BuildKeyTable(idList))
        return 0;
    UniqueStdFile file(fopen(path, "rt"));
    if (!file)
        return 0;
    g_localization.TextTable = static_cast<TextEntry**>(calloc(kBucketCount, sizeof(TextEntry*)));
    if (!g_localization.TextTable)
        return 0;
    g_localization.BucketCount = kBucketCount;
    bool allStored = ReadTexts(file.get());
    file.reset();
    CreateLocalizedFont();
    return allStored ? 1 : 0;
}

int GetLocalizedText(int id, char* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    if (id < kFirstKeyId)
        return LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, size);
    int found = 0;
    if (const TextEntry* entry = FindText(id)) {
        CopyString(buffer, static_cast<size_t>(size), entry->text);
        found = 1;
    } else {
        CopyString(buffer, static_cast<size_t>(size), kNotFound);
    }
    LeaveLookupRecord();
    return found;
}

void WritePendingLookupRecord()
{
    if (g_localization.LookupRecordPending.exchange(false))
        WriteLookupRecord();
}

int FreeLocalization()
{
    WritePendingLookupRecord();
    FreeTextTable();
    DeleteLocalizedFont();
    return 1;
}

int LoadInstalledLocalization()
{
    char path[MAX_PATH];
    if (!FindLocalizationFile(path))
        return FailStartup("Localization string file not found!");
    if (!LoadLocalizationFile(path, KeyIdList))
        return FailStartup("load string fail!");
    g_localization.WindowThreadId = GetCurrentThreadId();
    return 1;
}

int CheckAllTexts(const KeyRecord* keyTable)
{
    if (!keyTable)
        return 1;
    for (const KeyRecord* record = keyTable; record->id != kKeyIdListEnd; ++record) {
        if (!FindText(static_cast<int>(record->id)))
            return 0;
    }
    return 1;
}

// ---- Font ----------------------------------------------------------------------

void SetLocalizedLogFont(const LOGFONTA* font)
{
    g_localization.LogFont = *font;
    int dpi = ScreenPixelsPerInch();
    int height = abs(static_cast<int>(font->lfHeight));
    g_localization.PointSize = (height * 72 + dpi - 1) / dpi;
}

void SetDlgItemLocalizedText(HWND dialog, int controlId, int stringId)
{
    char text[1024];
    if (GetLocalizedText(stringId, text))
        SetDlgItemTextA(dialog, controlId, text);
}

// The string table has no key for the start-failure text, so unless a localization
// ever provides one, a fixed text says which program could not be started.
void ShowStartFailure(const char* program)
{
    ShowLocalizedMessage(IDS_START_FAILED, "The program \"%s\" could not be started.", program);
}

int ShowLocalizedMessage(int textId, const char* fallback, const char* argument, UINT type, int textSize)
{
    char format[1024];
    char text[1024];
    if (!GetLocalizedText(textId, format, textSize < 1024 ? textSize : 1024) && fallback)
        CopyString(format, fallback);
    if (!argument)
        return ShowMessage(format, nullptr, type);
    FormatLocalizedText(text, format, argument);
    return ShowMessage(text, nullptr, type);
}
