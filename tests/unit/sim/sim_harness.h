// Loads private copies of the virtual flatbed's DLLs from a temp folder (their
// settings file "TNSim.ini" sits beside them) and records what the engine reports.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "scan/engine_abi.h"
#include "test_support.h"

// What the scan notification received, in order, and on which threads.
struct NotifyLog {
    std::mutex lock;
    std::vector<uint32_t> codes;
    std::vector<DWORD> threads;
    std::string blockBytes;  // the 212 data, back to back
    HANDLE firstBlock = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    ~NotifyLog()
    {
        CloseHandle(firstBlock);
        CloseHandle(ended);
    }
    std::vector<uint32_t> Codes()
    {
        std::lock_guard<std::mutex> guard(lock);
        return codes;
    }
    int Count(uint32_t code)
    {
        int n = 0;
        for (uint32_t c : Codes())
            n += c == code;
        return n;
    }
    bool WaitEnd(DWORD ms = 30000) { return WaitForSingleObject(ended, ms) == WAIT_OBJECT_0; }
    // For a scan that sends no end: looks every few milliseconds, within the bound.
    bool WaitBlocks(int blocks, DWORD ms = 30000)
    {
        return WaitUntil([&] { return Count(212) >= blocks; }, ms);
    }
};

// The log the notification callback writes to; one scan at a time.
extern NotifyLog* g_notifyLog;
int32_t __cdecl RecordNotification(void* data, uint32_t count, uint32_t code);

class SimScanner {
public:
    // Copies the DLLs into the folder, writes iniText as its TNSim.ini (none when
    // empty) and loads them.
    SimScanner(const TempFolder& folder, const std::string& iniText);
    ~SimScanner();
    SimScanner(const SimScanner&) = delete;
    SimScanner& operator=(const SimScanner&) = delete;

    bool Loaded() const { return engine_ && chooser_; }
    void* Proc(const char* name) const;
    template <class F>
    F Get(const char* name) const
    {
        return reinterpret_cast<F>(Proc(name));
    }
    void* ChooserProc(const char* name) const;

    PFN_TNeInitEngine InitEngine;
    PFN_TNeChooseScanner ChooseScanner;
    PFN_TNeGetScannerCapabilities GetCapabilities;
    PFN_TNeProcessImage ProcessImage;
    PFN_TNeScanAsync ScanAsync;
    PFN_TNeStopScan StopScan;
    PFN_TNeReleaseScanner ReleaseScanner;
    PFN_TNeReleaseEngine ReleaseEngine;
    PFN_TNeRegisterNotification RegisterNotification;
    PFN_TNcGetScannerList GetScannerList;
    PFN_TNcReleaseScannerList ReleaseScannerList;

private:
    HMODULE engine_ = nullptr;
    HMODULE chooser_ = nullptr;
};

// A scan job and its request, filled as the scanner monitor fills them.
struct TestJob {
    std::vector<uint8_t> job = std::vector<uint8_t>(kScanJobSize, 0);
    uint8_t request[kScanRequestSize] = {};
};

// imageType 1, 2 or 3 with its bits; area in hundredths of an inch.
void MakeJob(SimScanner& scanner, TestJob* out, int imageType, int dpi, const int (&area)[4], const std::string& path,
             int format);

// Runs the build's scanctl.exe with the arguments; returns its exit code (-1 when
// it could not be run or did not end within the bound) and what it printed.
int RunScanctl(const std::string& arguments, std::string* output);

// Pixels and lines of a job the way the engine works them out.
inline int JobPixels(const int (&area)[4], int dpi) { return (area[2] - area[0]) * dpi / 100; }
inline int JobLines(const int (&area)[4], int dpi) { return (area[3] - area[1]) * dpi / 100; }
