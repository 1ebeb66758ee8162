// Launch decoding and the single-instance rule.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "shell/launch_switches.h"

#include "shell/tray_messages.h"

// The window class, title and mutex that mark the resident instance.
constexpr char kTornelName[] = TORNEL_TRAY_WINDOW;

// The launch event's text: the event name in the ANSI code page, lower-cased.
constexpr size_t kEventTextSize = 65;

// The ButtonCode of a launch event's lower-cased text: 1, 2, 4 or 8 for the four
// button GUIDs (first match in table order, exact comparison), else 0.
uint32_t ButtonCodeFromEventText(const char* eventText);

// The event text of an event name: converted to the ANSI code page, cut to the
// text's 65 bytes, A-Z lower-cased.
void EventTextFromName(const wchar_t* eventName, char (&eventText)[kEventTextSize]);

// True only for the exact command line "/SHOW".
bool IsShowCommand(const char* commandLine);

// The Still Image launch information: asked of the Still Image interface first,
// else decoded from the "/StiDevice:" and "/StiEvent:" switches of the command line.
// Fills the lower-cased ANSI event text (empty when there was no event).
void ReadLaunchEventText(HINSTANCE instance, char (&eventText)[kEventTextSize]);

// The program: decodes the launch, becomes the resident instance or forwards to it.
int RunTornel(HINSTANCE instance, const char* commandLine);

// The resident instance's start-up, run when its window is created: the engine, the
// system's facts, the discoveries that refresh the configuration file, the settings and
// the texts, then the scanner. False when no texts could be loaded.
bool StartResidentInstance(HWND window);

// State of the launch and the resident instance. One instance, g_shell.
struct ShellState {
    // The program's instance. Written once by the main thread before the window
    // exists; read by every thread that loads a dialog or an icon.
    HINSTANCE Instance = nullptr;
    // The TrayWindow. Written by the main thread at start-up; read by any thread
    // that posts to it.
    std::atomic<HWND> MainWindow{nullptr};
    // 1 while the Button manager is shown. Written and read by the main thread.
    int SettingsDialogOpen = 0;
    // The ButtonCode last decoded from the engine's button notification. Written
    // and read by the engine's button thread only.
    uint32_t LastEngineButtonCode = 0;
};
extern ShellState g_shell;
