// The binary interface between Tornel and the scanner maker's libraries
// "TNENGINE.dll" (scan engine) and "TNLocalChooser.dll" (scanner chooser).
// Every entry point uses the C calling convention and returns a status:
// 0 success, positive device states, negative failures.
// Records are plain byte blocks whose layout belongs to the engine; Tornel
// reads and writes only the offsets named here.
#pragma once

#include <cstddef>
#include <cstdint>

using EngineStatus = int32_t;

// Notification codes that the engine passes to the scan notification callback.
constexpr uint32_t kNotifyScanStarted = 211;  // the scan is under way; Abort becomes usable
constexpr uint32_t kNotifyScanBlock = 212;    // a block of image lines, top line first
constexpr uint32_t kNotifyScanDone = 213;     // end of the scan
constexpr uint32_t kNotifyScanEnded = 214;    // end of the scan (stopped or failed)

// The engine's status codes (each has its own message, any other code the general one).
constexpr EngineStatus kStatusOk = 0;
constexpr EngineStatus kStatusDeviceNotConnected = 1;
constexpr EngineStatus kStatusDeviceBusy = 2;
constexpr EngineStatus kStatusDeviceNotReady = 3;
constexpr EngineStatus kStatusDeviceNotFound = 4;
constexpr EngineStatus kStatusNoScanner = 5;  // the status fails; OpenScanner: no scanner present
constexpr EngineStatus kStatusAborted = 6;
constexpr EngineStatus kStatusNotEnoughMemory = -2;
constexpr EngineStatus kStatusNotPrivileged = -3;
constexpr EngineStatus kStatusBadArguments = -4;
constexpr EngineStatus kStatusExclusiveAccess = -5;
constexpr EngineStatus kStatusUnsupportedFunction = -6;
constexpr EngineStatus kStatusUnsupportedMode = -7;
constexpr EngineStatus kStatusCompletionError = -8;
constexpr EngineStatus kStatusDeviceError = -9;
constexpr EngineStatus kStatusUnableToOpenDevice = -10;
constexpr EngineStatus kStatusTimeOut = -11;
constexpr EngineStatus kStatusFileIoError = -12;
constexpr EngineStatus kStatusNoPower = -13;
constexpr EngineStatus kStatusChosenDeviceNotFound = -20;
constexpr EngineStatus kStatusNoDevice = -21;
constexpr EngineStatus kStatusLibNotFound = -22;
constexpr EngineStatus kStatusChooserLibNotFound = -23;
constexpr EngineStatus kStatusBitmapError = -100;
constexpr EngineStatus kStatusBadBuffer = -101;
constexpr EngineStatus kStatusColourMatchingError = -102;

// "TNcGetScannerList" fills a list of entries of this size; the chosen one is kept.
constexpr size_t kScannerRecordSize = 188;
// "TNeGetScannerCapabilities" fills this many bytes; the first two unsigned 16-bit
// fields are the bed's maximum width and height in hundredths of an inch.
constexpr size_t kScannerCapabilitiesSize = 228;
constexpr size_t kCapsMaxWidthOffset = 0;
constexpr size_t kCapsMaxHeightOffset = 2;

// ScanParameters: filled with defaults by "TNeProcessImage" operation 1.
constexpr size_t kScanParametersSize = 2116;
constexpr size_t kParamFirstField = 0;        // 32 bits, cleared before the defaults are asked for
constexpr size_t kParamBitsPerSample = 24;    // 16 bits
constexpr size_t kParamImageType = 48;        // 32 bits: 1 colour, 2 grey, 3 line art
constexpr size_t kParamFixed56 = 56;          // 32 bits, always 2
constexpr size_t kParamXResolution = 64;      // 16 bits, dots per inch
constexpr size_t kParamYResolution = 66;      // 16 bits, dots per inch
constexpr size_t kParamFixed68 = 68;          // 16 bits, always 100
constexpr size_t kParamBlackWhiteLevel = 88;  // 16 bits, signed
constexpr size_t kParamToneLevel = 106;       // 16 bits, signed

constexpr int32_t kImageTypeColour = 1;
constexpr int32_t kImageTypeGrey = 2;
constexpr int32_t kImageTypeLineArt = 3;

// "TNeProcessImage" operations.
constexpr int32_t kProcessDefaults = 1;
constexpr int32_t kProcessFinish = 11;

// ScanJob: the block the engine scans for; it writes the file named here.
constexpr size_t kScanJobSize = 2400;
constexpr size_t kJobParameters = 0;      // copy of ScanParameters
constexpr size_t kJobPath = 2116;         // output path, NUL-terminated
constexpr size_t kJobPathSize = 256;
constexpr size_t kJobFormat = 2372;       // 32 bits: OutputFormatCode
constexpr size_t kJobArea = 2376;         // left, top, right, bottom: signed 32 bits, 1/100 inch

constexpr int32_t kOutputFormatBmp = 3;
constexpr int32_t kOutputFormatTiff = 8;

// ScanRequest: what "TNeScanAsync" receives.
constexpr size_t kScanRequestSize = 12;
constexpr size_t kRequestJob = 0;  // 32-bit address of the ScanJob
constexpr uint8_t kRequestByte4 = 17;
constexpr uint8_t kRequestByte5 = 64;
constexpr uint8_t kRequestByte6 = 1;

// The chooser's selection criteria: a byte field and three 32-bit fields, all 0.
struct ChooserCriteria {
    uint8_t kind;
    uint32_t a;
    uint32_t b;
    uint32_t c;
};

extern "C" {
// Scan notification: data block, its byte count, the notification code. Returns 0.
typedef int32_t(__cdecl* EngineNotifyProc)(void* data, uint32_t count, uint32_t code);
// Button notification: the address of a 32-bit ButtonCode. Returns 0.
typedef int32_t(__cdecl* ButtonNotifyProc)(void* record);

typedef EngineStatus(__cdecl* PFN_TNeInitEngine)(void);
typedef EngineStatus(__cdecl* PFN_TNeChooseScanner)(void* scannerRecord);
typedef EngineStatus(__cdecl* PFN_TNeGetScannerCapabilities)(void* capabilities);
typedef EngineStatus(__cdecl* PFN_TNeScanAsync)(void* request, EngineNotifyProc notify, int32_t reserved);
typedef EngineStatus(__cdecl* PFN_TNeReleaseScanner)(void);
typedef EngineStatus(__cdecl* PFN_TNeStopScan)(void);
typedef EngineStatus(__cdecl* PFN_TNeProcessImage)(int32_t operation, void* parameters);
typedef EngineStatus(__cdecl* PFN_TNeReleaseEngine)(void);
typedef EngineStatus(__cdecl* PFN_TNeRegisterNotification)(ButtonNotifyProc callback);
// Bound and checked, but never called by Tornel: their arguments are the engine's business.
typedef EngineStatus(__cdecl* PFN_TNeUnused)(void);

typedef EngineStatus(__cdecl* PFN_TNcGetScannerList)(ChooserCriteria* criteria, void** list, uint32_t* count,
                                                     int32_t reserved);
typedef EngineStatus(__cdecl* PFN_TNcReleaseScannerList)(void** list);
}

// Little-endian field access on the byte records.
inline uint16_t ReadU16(const void* block, size_t offset)
{
    const uint8_t* p = static_cast<const uint8_t*>(block) + offset;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline int16_t ReadS16(const void* block, size_t offset) { return static_cast<int16_t>(ReadU16(block, offset)); }
inline uint32_t ReadU32(const void* block, size_t offset)
{
    const uint8_t* p = static_cast<const uint8_t*>(block) + offset;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t ReadS32(const void* block, size_t offset) { return static_cast<int32_t>(ReadU32(block, offset)); }
inline void WriteU16(void* block, size_t offset, uint16_t value)
{
    uint8_t* p = static_cast<uint8_t*>(block) + offset;
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}
inline void WriteU32(void* block, size_t offset, uint32_t value)
{
    uint8_t* p = static_cast<uint8_t*>(block) + offset;
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}
