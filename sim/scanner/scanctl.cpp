// scanctl: the virtual flatbed's control tool. It presses the scanner's buttons
// (through the engine's named event and shared block), plugs and unplugs the
// scanner, and sets its pace and injected faults in "TNSim.ini".
// Exit code 0 when done, 2 for a usage error or when the action is not possible.
#include <windows.h>

#include <dbt.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/handles.h"
#include "common/paths.h"
#include "common/strings.h"
#include "sim_config.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 2;
constexpr DWORD kBroadcastTimeoutMs = 2000;
constexpr DWORD kMaxWaitMs = 600000;

const char kUsage[] =
    "usage: scanctl COMMAND [--ini PATH] [--wait MS]\n"
    "  press N             press button N (1 to 4: button code 1, 2, 4, 8)\n"
    "  press-code C        deliver the raw button code C\n"
    "                      --wait MS: wait until the engine entered the button callback\n"
    "  unplug | plug       unplug or plug in the virtual scanner\n"
    "  fault NAME VALUE    inject a status for an entry point, ScanError or NoEndNotification\n"
    "  fault clear         remove every injected fault\n"
    "  pace LINES          scan speed in lines per second (0: as fast as possible)\n"
    "  page text|test      the page on the bed: printed text, or the test page (default)\n"
    "The settings file is TNSim.ini in the Windows directory unless --ini names another.\n";

const char* const kFaultNames[] = {
    "TNeInitEngine",     "TNeChooseScanner",       "TNeGetScannerCapabilities", "TNeScanAsync",
    "TNeReleaseScanner", "TNeStopScan",            "TNeProcessImage",           "TNeReleaseEngine",
    "TNeRegisterNotification", "TNcGetScannerList", kSimScanErrorKey,           kSimNoEndNotificationKey,
};

struct Options {
    const char* command = nullptr;
    const char* arguments[2] = {};
    int argumentCount = 0;
    char iniPath[MAX_PATH] = {};
    long waitMs = -1;  // -1: do not wait
};

int Fail(const char* message, const char* detail = nullptr)
{
    if (detail)
        fprintf(stderr, "scanctl: %s: %s\n", message, detail);
    else
        fprintf(stderr, "scanctl: %s\n", message);
    return kExitFailed;
}

// A whole decimal number, sign allowed; false for anything else.
bool ParseInteger(const char* text, long* value)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    long parsed = strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE)
        return false;
    *value = parsed;
    return true;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--ini") == 0) {
            if (++i >= argc || !CopyString(options->iniPath, argv[i]))
                return false;
        } else if (strcmp(arg, "--wait") == 0) {
            if (++i >= argc || !ParseInteger(argv[i], &options->waitMs) || options->waitMs < 0 ||
                options->waitMs > static_cast<long>(kMaxWaitMs))
                return false;
        } else if (!options->command) {
            options->command = arg;
        } else if (options->argumentCount < 2) {
            options->arguments[options->argumentCount++] = arg;
        } else {
            return false;
        }
    }
    if (!options->command)
        return false;
    if (!options->iniPath[0] && !WindowsFilePath(options->iniPath, kSimIniName))
        return false;
    return true;
}

// ---------------------------------------------------------------------------
// Buttons

// Waits until the engine reports a callback entered for this press or a later one.
bool WaitForCallback(SimButtonState* state, HANDLE enteredEvent, LONG sequence, DWORD waitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (static_cast<LONG>(state->enteredSequence - sequence) >= 0)
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= waitMs)
            return false;
        // Another waiter may take the auto-reset event: look again at least every 20 ms.
        DWORD slice = waitMs - elapsed < 20 ? waitMs - elapsed : 20;
        WaitForSingleObject(enteredEvent, slice);
    }
}

int Press(const char* label, uint32_t code, const Options& options)
{
    UniqueHandle mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kSimButtonStateBlock));
    if (!mapping)
        return Fail("no scan engine is listening for buttons", "the shared block TNSimButtonState does not exist");
    UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SimButtonState)));
    auto* state = static_cast<SimButtonState*>(view.get());
    if (!state)
        return Fail("cannot map the shared block TNSimButtonState");
    if (state->listenerThreadId == 0)
        return Fail("no scan engine is listening for buttons", "its button thread has stopped");
    UniqueHandle pressEvent(OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, kSimButtonPressEvent));
    UniqueHandle enteredEvent(OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, kSimButtonEnteredEvent));
    if (!pressEvent || !enteredEvent)
        return Fail("no scan engine is listening for buttons", "its button events do not exist");

    LARGE_INTEGER frequency, pressTime;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&pressTime);
    state->code = code;
    state->pressQpc = pressTime.QuadPart;
    LONG sequence = InterlockedIncrement(&state->pressSequence);
    if (!SetEvent(pressEvent.get()))
        return Fail("cannot signal TNSimButtonPress");
    printf("%s code %lu qpc %lld freq %lld\n", label, static_cast<unsigned long>(code),
           static_cast<long long>(pressTime.QuadPart), static_cast<long long>(frequency.QuadPart));
    fflush(stdout);

    if (options.waitMs < 0)
        return kExitOk;
    if (!WaitForCallback(state, enteredEvent.get(), sequence, static_cast<DWORD>(options.waitMs)))
        return Fail("the engine did not enter the button callback in time");
    long long latencyUs = (state->enteredQpc - pressTime.QuadPart) * 1000000LL / frequency.QuadPart;
    printf("callback-entered-us %lld\n", latencyUs);
    return kExitOk;
}

int PressButton(const Options& options)
{
    long number = 0;
    if (options.argumentCount != 1 || !ParseInteger(options.arguments[0], &number) || number < 1 || number > 4)
        return Fail("press takes a button number from 1 to 4");
    char label[32];
    FormatString(label, "press %ld", number);
    return Press(label, 1u << (number - 1), options);
}

int PressCode(const Options& options)
{
    long code = 0;
    if (options.argumentCount != 1 || !ParseInteger(options.arguments[0], &code))
        return Fail("press-code takes one whole number");
    char label[32];
    FormatString(label, "press-code %ld", code);
    return Press(label, static_cast<uint32_t>(code), options);
}

// ---------------------------------------------------------------------------
// Settings

int WriteSetting(const Options& options, const char* section, const char* key, const char* value)
{
    if (!WritePrivateProfileStringA(section, key, value, options.iniPath)) {
        char detail[MAX_PATH + 32];
        FormatString(detail, "%s (error %lu)", options.iniPath, GetLastError());
        return Fail("cannot write the settings file", detail);
    }
    return kExitOk;
}

// Tells every top-level window, the resident scanner monitor among them, that
// devices came or went, as Windows does when a scanner is plugged or unplugged.
void BroadcastDeviceChange()
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG,
                             kBroadcastTimeoutMs, &result))
        fprintf(stderr, "scanctl: WM_DEVICECHANGE broadcast did not complete (error %lu)\n", GetLastError());
}

int SetPlugged(const Options& options, bool plugged)
{
    if (options.argumentCount != 0)
        return Fail(plugged ? "plug takes no arguments" : "unplug takes no arguments");
    int status = WriteSetting(options, kSimScannerSection, kSimPluggedKey, plugged ? "1" : "0");
    if (status != kExitOk)
        return status;
    BroadcastDeviceChange();
    printf("%s %s\n", plugged ? "plugged" : "unplugged", options.iniPath);
    return kExitOk;
}

bool IsFaultName(const char* name)
{
    for (const char* known : kFaultNames) {
        if (strcmp(known, name) == 0)
            return true;
    }
    return false;
}

int SetFault(const Options& options)
{
    if (options.argumentCount == 1 && strcmp(options.arguments[0], "clear") == 0) {
        int status = WriteSetting(options, kSimFaultsSection, nullptr, nullptr);
        if (status == kExitOk)
            printf("faults cleared %s\n", options.iniPath);
        return status;
    }
    long value = 0;
    if (options.argumentCount != 2 || !ParseInteger(options.arguments[1], &value))
        return Fail("fault takes a name and a whole number, or the word clear");
    if (!IsFaultName(options.arguments[0]))
        return Fail("unknown fault name", options.arguments[0]);
    char text[16];
    FormatString(text, "%ld", value);
    int status = WriteSetting(options, kSimFaultsSection, options.arguments[0], text);
    if (status == kExitOk)
        printf("fault %s=%s %s\n", options.arguments[0], text, options.iniPath);
    return status;
}

int SetPace(const Options& options)
{
    long linesPerSecond = 0;
    if (options.argumentCount != 1 || !ParseInteger(options.arguments[0], &linesPerSecond) || linesPerSecond < 0)
        return Fail("pace takes a number of lines per second, 0 or more");
    char text[16];
    FormatString(text, "%ld", linesPerSecond);
    int status = WriteSetting(options, kSimScannerSection, kSimLinesPerSecondKey, text);
    if (status == kExitOk)
        printf("pace %s %s\n", text, options.iniPath);
    return status;
}

int SetPage(const Options& options)
{
    const char* page = options.argumentCount == 1 ? options.arguments[0] : "";
    if (strcmp(page, "text") != 0 && strcmp(page, "test") != 0)
        return Fail("page takes the word text or test");
    int status = WriteSetting(options, kSimScannerSection, kSimTextPageKey, strcmp(page, "text") == 0 ? "1" : "0");
    if (status == kExitOk)
        printf("page %s %s\n", page, options.iniPath);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        fputs(kUsage, stderr);
        return kExitFailed;
    }
    const char* command = options.command;
    if (strcmp(command, "press") == 0)
        return PressButton(options);
    if (strcmp(command, "press-code") == 0)
        return PressCode(options);
    if (strcmp(command, "unplug") == 0)
        return SetPlugged(options, false);
    if (strcmp(command, "plug") == 0)
        return SetPlugged(options, true);
    if (strcmp(command, "fault") == 0)
        return SetFault(options);
    if (strcmp(command, "pace") == 0)
        return SetPace(options);
    if (strcmp(command, "page") == 0)
        return SetPage(options);
    fprintf(stderr, "scanctl: unknown command: %s\n", command);
    fputs(kUsage, stderr);
    return kExitFailed;
}
