#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "shell/tray_messages.h"
#include "test_support.h"

namespace {

// Stands in for the resident Tornel: a hidden window under its class and title that
// counts the scanner requests it gets.
struct FakeTornel {
    static int releases;
    static int reacquires;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_TORNEL_RELEASE_SCANNER)
            ++releases;
        else if (message == WM_TORNEL_REACQUIRE_SCANNER)
            ++reacquires;
        return DefWindowProcA(window, message, wParam, lParam);
    }

    FakeTornel()
    {
        releases = reacquires = 0;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = TORNEL_TRAY_WINDOW;
        RegisterClassA(&wc);
        window = CreateWindowExA(0, TORNEL_TRAY_WINDOW, TORNEL_TRAY_WINDOW, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    }
    ~FakeTornel()
    {
        DestroyWindow(window);
        UnregisterClassA(TORNEL_TRAY_WINDOW, GetModuleHandleA(nullptr));
    }

    HWND window = nullptr;
};
int FakeTornel::releases = 0;
int FakeTornel::reacquires = 0;

// Pumps this thread's messages until the condition holds or 10 s pass.
template <class Condition>
bool PumpUntil(Condition condition)
{
    auto pumped = [&] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        return condition();
    };
    return WaitUntil(pumped, 10000);
}

HWND FindVisible(const char* className, const char* title)
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, className, title)) != nullptr) {
        if (IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

struct SiblingCase {
    const char* program;
    const char* className;  // null: any class
    const char* title;      // null: any title
    bool holdsMutex;
};

const SiblingCase kSiblings[] = {
    {"kelmio.exe", "UI_MAIN_WND", nullptr, true},
    {"replic32.exe", "Copier", "Copier", false},
    {"probe32.exe", nullptr, "TAVEN Scanner Test Program", false},
};

bool MutexExists(const char* name)
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (!mutex)
        return false;
    CloseHandle(mutex);
    return true;
}

TEST(SiblingStandIns, ShowTheirWindowsAndAskForTheScanner)
{
    for (const SiblingCase& sibling : kSiblings) {
        SCOPED_TRACE(sibling.program);
        FakeTornel tornel;
        ASSERT_NE(tornel.window, nullptr);
        ASSERT_EQ(FindVisible(sibling.className, sibling.title), nullptr) << "left over from an earlier run";

        std::string path = BuildBinFolder() + sibling.program;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process))
            << path;
        CloseHandle(process.hThread);

        HWND window = nullptr;
        EXPECT_TRUE(PumpUntil([&] { return (window = FindVisible(sibling.className, sibling.title)) != nullptr; }))
            << "no window appeared";
        EXPECT_TRUE(PumpUntil([] { return FakeTornel::releases == 1; })) << "no release request";
        EXPECT_EQ(MutexExists("Kelmio application"), sibling.holdsMutex);

        if (window)
            PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }))
            << "did not close on WM_CLOSE";
        EXPECT_TRUE(PumpUntil([] { return FakeTornel::reacquires == 1; })) << "no reacquire request";
        EXPECT_FALSE(MutexExists("Kelmio application"));
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
    }
}

}  // namespace
