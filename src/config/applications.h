// The application list of "kmconfig.ini": the discovery that refreshes it at every
// start, the default application that the image function and OCR open, and the job
// description that the OCR engine reads.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

// ---- Application discovery -----------------------------------------------------------

// Brings "Tornel_Application" up to date: drops entries whose program is gone, adds
// or refreshes the known image and office applications found under
// HKEY_LOCAL_MACHINE, and chooses the default application into *defaultAppIndex
// (g_selections.DefaultAppIndex, whose value SelectDefaultApplication stores). osType is the
// probed OsType: WordPad's registered path is rebuilt on the NT family.
void DiscoverApplications(int32_t osType, std::atomic<int32_t>* defaultAppIndex);
// The same with the registry keys looked up under root and the given OsType.
void DiscoverApplicationsUnder(HKEY root, int32_t osType, std::atomic<int32_t>* defaultAppIndex);

// The program of a ProgID's LocalServer32 (under root "SOFTWARE\Classes"), cut after
// its last ".exe": 1 when that file exists, else 0.
int FindServerByProgIdUnder(HKEY root, const char* progId, char* buffer, size_t size);

// ---- The default application ---------------------------------------------------------

// The entry that DefaultID names (entry 1 when it is absent or names no entry
// number), read the same way by every function that opens the default application.
struct DefaultApplication {
    int32_t index;
    char name[256];  // ApName<index>
    char file[260];  // ApFileName<index> as stored, quotes kept
};
void ReadDefaultApplication(DefaultApplication* application);

// ---- The OCR engine's job description ---------------------------------------------

// What "LxOcr.ini" tells the OCR engine about one page.
struct OcrSettings {
    const char* imagePath;
    const char* documentPath;
    const char* fileType;      // "RTF" or "XLS"
    const char* languageName;  // "Traditional Chinese", "Simplified Chinese", ...
    HWND notifyWindow;         // the window the engine may report to
    bool sendMode;             // the engine presents the result itself
};
// Writes the job into the settings file at settingsPath, key by key (the file is not
// emptied first). False when a key could not be written.
bool WriteOcrSettings(const OcrSettings& settings, const char* settingsPath);
