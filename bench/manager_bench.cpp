// Button manager figure: from the call that opens it to the dialog shown and idle
// (the first page created, localized and painted; the others are made when their tab
// is first chosen), median of many openings, beside the same dialog template opened
// empty; where the time goes: each page alone in that empty template, and the
// localization's lookup record written as often as an opening used to write it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/paths.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "settings/pages.h"
#include "settings/settings.h"

#include "bench_clock.h"
#include "figures.h"
#include "scratch.h"

namespace {

constexpr int kRuns = 40;
constexpr int kEnglishResource = 9101;
constexpr int kConfigResource = 9102;
// Text lookups of one opening: the dialog's 5, the pages' 32, 21, 20 and 21.
constexpr int kLookupsPerOpening = 99;

// Written by the owner's procedure when the open dialog first waits for input.
double g_shownAt = 0;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A modal dialog tells its owner when its queue is empty: everything is shown.
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
        if (g_shownAt == 0) {
            g_shownAt = NowSeconds();
            PostMessageA(reinterpret_cast<HWND>(lParam), WM_COMMAND, IDCANCEL, 0);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK EmptyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// The page the empty template creates in its WM_INITDIALOG, for the breakdown.
struct PageUnderTest {
    int templateId;
    DLGPROC procedure;
} g_page = {0, nullptr};

INT_PTR CALLBACK OnePageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        LocalizedCreateDialog(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(g_page.templateId), dialog, g_page.procedure);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

template <class Open>
double MedianOpenMs(Open&& open)
{
    std::vector<double> samples;
    g_shownAt = 0;
    open();  // warm caches, classes and fonts
    for (int i = 0; i < kRuns; ++i) {
        g_shownAt = 0;
        double start = NowSeconds();
        open();
        samples.push_back((g_shownAt - start) * 1000.0);
    }
    return Median(samples);
}

bool WriteResourceFile(int id, const std::string& path, const char* extra)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    FILE* file = data ? fopen(path.c_str(), "wb") : nullptr;
    if (!file)
        return false;
    fwrite(data, 1, SizeofResource(module, found), file);
    fputs(extra, file);
    fclose(file);
    return true;
}

// Applications, printers, a mail system and a folder, so every page has its lists.
constexpr char kUserKeys[] =
    "\r\n[Tornel_Application]\r\nNumAp=3\r\nApName1=Windows Paint\r\nApFileName1=C:\\windows\\notepad.exe\r\n"
    "ApName2=Microsoft Word 2000\r\nApFileName2=C:\\windows\\notepad.exe\r\nApName3=Viewer\r\n"
    "ApFileName3=C:\\windows\\notepad.exe\r\n[Tornel_Printer]\r\nNumPrinter=1\r\nPrinterName0=Office\r\n"
    "PrinterName1=Office\r\n";

}  // namespace

int main()
{
    ScratchWindowsDirectory windows;
    const std::string& folder = windows.path();
    if (!WriteResourceFile(kEnglishResource, folder + "Tornel.loc", "") ||
        !WriteResourceFile(kConfigResource, folder + "kmconfig.ini", kUserKeys) || !LoadInstalledLocalization()) {
        fprintf(stderr, "bench_manager: cannot prepare the localization and settings files\n");
        return 1;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = OwnerProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TornelBenchOwner";
    RegisterClassA(&windowClass);
    HWND owner = CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 instance, nullptr);

    double managerMs = MedianOpenMs([&] { RunButtonManager(instance, owner); });
    double emptyMs = MedianOpenMs([&] {
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_BUTTON_MANAGER), owner, EmptyDialogProc, 0);
    });
    const std::pair<const char*, PageUnderTest> kPages[] = {
        {"Application page", {IDD_APPLICATION_PAGE, ApplicationPageProc}},
        {"Copy page", {IDD_COPY_PAGE, CopyPageProc}},
        {"Mail page", {IDD_MAIL_PAGE, MailPageProc}},
        {"Folder page", {IDD_FOLDER_PAGE, FolderPageProc}},
    };
    std::vector<double> pageMs;
    for (const auto& page : kPages) {
        g_page = page.second;
        pageMs.push_back(MedianOpenMs([&] {
            DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_BUTTON_MANAGER), owner, OnePageProc, 0);
        }));
    }
    char record[MAX_PATH];
    WindowsFilePath(record, "R710Debug.ini");
    std::vector<double> recordSamples;
    for (int i = 0; i < kRuns; ++i) {
        double start = NowSeconds();
        for (int n = 0; n < kLookupsPerOpening; ++n)
            WritePrivateProfileStringA("R710BTNS", "Test", "8", record);
        recordSamples.push_back((NowSeconds() - start) * 1000.0);
    }
    double recordMs = Median(recordSamples);

    printf("Button manager, open to shown (first page created, localized, painted), median of %d\n", kRuns);
    printf("%-44s %9.2f ms\n", "Button manager", managerMs);
    printf("%-44s %9.2f ms   ratio %5.2f\n", "the same template opened empty", emptyMs,
           emptyMs > 0 ? managerMs / emptyMs : 0.0);
    for (size_t i = 0; i < pageMs.size(); ++i)
        printf("  %-42s %9.2f ms   (the template empty with it)\n", kPages[i].first, pageMs[i]);
    printf("%-44s %9.2f ms   share %4.0f %%\n", "lookup records of one opening (99 writes)", recordMs,
           managerMs > 0 ? 100.0 * recordMs / managerMs : 0.0);

    PrintFigure("manager-open", emptyMs > 0 ? managerMs / emptyMs : 0, 10, "x-empty-template");

    DestroyWindow(owner);
    FreeLocalization();
    return 0;
}
