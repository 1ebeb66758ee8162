// Helpers of the localization tests.
#pragma once

#include <windows.h>

#include <string>

#include "test_support.h"

// Points the Windows directory at a fresh temp folder for one test and puts the old
// one back afterwards; the localization tables are freed on both ends.
class LocalizationFolder {
public:
    LocalizationFolder();
    ~LocalizationFolder();
    const TempFolder& folder() const { return folder_; }
    std::string File(const std::string& name) const { return folder_.File(name); }
    // Writes a localization file and loads it; returns LoadLocalizationFile's result.
    int Load(const std::string& text, const std::string& name = "Tornel.loc");

private:
    static bool FreeTables();
    // The tables of the test before are freed in the Windows directory they came from.
    bool freedBefore_ = FreeTables();
    ScratchWindowsDirectory folder_;
};

// The bytes of a resource linked into the test program.
std::string ResourceBytes(int id, LPCSTR type);

// Waits (up to 10 s) on its own thread for a message box of this process, notes its
// caption and text and presses OK.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    // Waits for the watcher to end; true when it pressed OK on a box.
    bool Finish();
    const std::string& caption() const { return caption_; }
    const std::string& text() const { return text_; }

private:
    static DWORD WINAPI Run(void* self);
    HANDLE thread_ = nullptr;
    bool found_ = false;
    std::string caption_;
    std::string text_;
};
