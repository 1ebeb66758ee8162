// Localization figures: loading the English file with its key table, localizing the
// largest dialog template, and 10,000 text lookups, each beside a baseline measured
// in the same run (ratios hold on a noisy machine; absolute times do not).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/paths.h"
#include "i18n/dialog_template.h"
#include "i18n/i18n.h"

#include "bench_clock.h"
#include "figures.h"
#include "scratch.h"

namespace {

constexpr int kEnglishResource = 9101;


// Mean time of one call in milliseconds over runs calls.
template <class F>
double MeanMs(int runs, F&& call)
{
    call();  // warm caches and the profile API
    double start = NowSeconds();
    for (int i = 0; i < runs; ++i)
        call();
    return (NowSeconds() - start) * 1000.0 / runs;
}

std::string ResourceBytes(LPCSTR name, LPCSTR type)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

BOOL CALLBACK FindLargest(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR largest)
{
    HRSRC found = FindResourceA(module, name, type);
    DWORD size = found ? SizeofResource(module, found) : 0;
    auto* best = reinterpret_cast<std::pair<LPSTR, DWORD>*>(largest);
    if (IS_INTRESOURCE(name) && size > best->second)
        *best = {name, size};
    return TRUE;
}

int CountLines(const char* path)
{
    FILE* file = fopen(path, "rt");
    if (!file)
        return 0;
    char line[1024];
    int count = 0;
    while (fgets(line, sizeof line, file))
        ++count;
    fclose(file);
    return count;
}

void Report(const char* what, double ms, const char* baseline, double baselineMs)
{
    printf("%-48s %9.3f ms   %-34s %9.3f ms   ratio %6.2f\n", what, ms, baseline, baselineMs,
           baselineMs > 0 ? ms / baselineMs : 0.0);
}

}  // namespace

int main()
{
    ScratchWindowsDirectory folder;
    const std::string english = ResourceBytes(MAKEINTRESOURCEA(kEnglishResource), RT_RCDATA);
    const std::string path = folder.File("Tornel.loc");
    WriteTextFile(path, english);
    printf("Localization benchmark (%zu-byte English file, %d keys)\n\n", english.size(), kKeyIdCount);

    // 1. Load and key table, beside reading the same lines without parsing them.
    double loadMs = MeanMs(200, [&] { LoadLocalizationFile(path.c_str(), KeyIdList); });
    double readMs = MeanMs(200, [&] { CountLines(path.c_str()); });
    Report("load English file + key table (target < 5 ms)", loadMs, "read its lines only", readMs);

    // 2. The largest template, beside a plain copy of the same resource.
    std::pair<LPSTR, DWORD> largest{nullptr, 0};
    EnumResourceNamesA(GetModuleHandleA(nullptr), RT_DIALOG, FindLargest, reinterpret_cast<LONG_PTR>(&largest));
    const std::string original = ResourceBytes(largest.first, RT_DIALOG);
    double localizeMs = MeanMs(200, [&] {
        GlobalFree(LocalizeDialogTemplate(GetModuleHandleA(nullptr), largest.first));
    });
    double copyMs = MeanMs(200, [&] {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, original.size());
        memcpy(GlobalLock(block), original.data(), original.size());
        GlobalUnlock(block);
        GlobalFree(block);
    });
    TemplateFont font{8, u"MS Sans Serif"};
    auto noTitles = [](void*, uint16_t, std::u16string&) { return false; };
    double walkMs = MeanMs(2000, [&] {
        TemplateBuffer copy;
        LocalizeTemplateBytes(reinterpret_cast<const uint8_t*>(original.data()), original.size(), &font, noTitles,
                              nullptr, copy);
    });
    printf("largest template: %lu bytes (id %u)\n", static_cast<unsigned long>(largest.second),
           static_cast<unsigned>(reinterpret_cast<uintptr_t>(largest.first)));
    Report("localize largest template", localizeMs, "copy it unchanged", copyMs);
    Report("walk it only (font, no title lookups)", walkMs, "copy it unchanged", copyMs);

    // 3. 10,000 lookups, beside the string table and the record each lookup leaves.
    char text[1024];
    double lookupMs = MeanMs(3, [&] {
        for (int i = 0; i < 10000; ++i)
            GetLocalizedText(static_cast<int>(KeyIdList[i % kKeyIdCount]), text);
    });
    double stringTableMs = MeanMs(3, [&] {
        for (int i = 0; i < 10000; ++i)
            LoadStringA(GetModuleHandleA(nullptr), KeyIdList[i % kKeyIdCount], text, sizeof text);
    });
    char record[MAX_PATH];
    WindowsFilePath(record, "R710Debug.ini");
    double recordMs = MeanMs(3, [&] {
        for (int i = 0; i < 10000; ++i)
            WritePrivateProfileStringA("R710BTNS", "Test", "8", record);
    });
    Report("10,000 GetLocalizedText", lookupMs, "10,000 LoadString (keys)", stringTableMs);
    Report("10,000 GetLocalizedText", lookupMs, "10,000 lookup records alone", recordMs);
    PrintFigure("text-lookup", stringTableMs > 0 ? lookupMs / stringTableMs : 0, 20, "x-LoadString");

    FreeLocalization();
    return 0;
}
