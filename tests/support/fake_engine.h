// A scan engine in the test process: the entry points of the ScanEngine table, with
// a notification thread of its own that plays a script (start, status codes, blocks
// of lines, end), writes the output file and counts what the job asked of it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scan/scan.h"

enum class FakeEnd {
    Normal,      // 213 after the last block
    Never,       // no end notification at all
    AfterStop,   // 214 only once the scan was stopped
};

struct FakeScript {
    EngineStatus capabilitiesStatus = 0;
    EngineStatus defaultsStatus = 0;
    uint16_t maxWidth = 850;
    uint16_t maxHeight = 1169;
    bool sendStart = true;
    std::vector<uint32_t> statusCodes;  // sent after the start, before the blocks
    int blocks = 3;
    uint32_t blockBytes = 4096;
    uint8_t blockValue = 0x80;
    DWORD pauseMs = 0;  // between notifications
    FakeEnd end = FakeEnd::Normal;
};

struct FakeEngine {
    // Installs the script and the table's entry points, and clears the counters.
    static void Install(const FakeScript& script);
    // Waits for the notification thread of the last scan and empties the table.
    static void Uninstall();
    static void JoinScanThread();

    static std::atomic<int> scanCalls;
    static std::atomic<int> stopCalls;
    static std::atomic<int> finishCalls;
    // The job block and request as the engine received them.
    static std::vector<uint8_t> lastJob;
    static std::vector<uint8_t> lastRequest;
    // Called on the job's thread when the scan is asked for.
    static std::function<void()> onScan;
};
