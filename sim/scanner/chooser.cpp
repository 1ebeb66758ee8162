// "TNLocalChooser.dll" of the virtual flatbed: lists the one virtual scanner
// while it is plugged in ("TNSim.ini" [Scanner] Plugged), and nothing (status 0,
// count 0, no list) while it is not.
#include <windows.h>

#include <cstring>

#include "common/strings.h"
#include "scan/engine_abi.h"
#include "sim_config.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

extern "C" {

EngineStatus __cdecl TNcGetScannerList(ChooserCriteria*, void** list, uint32_t* count, int32_t)
{
    if (!list || !count)
        return kStatusBadArguments;
    *list = nullptr;
    *count = 0;
    char iniPath[MAX_PATH];
    if (!SimIniPathBeside(reinterpret_cast<HMODULE>(&__ImageBase), iniPath))
        iniPath[0] = '\0';
    if (iniPath[0]) {
        if (int fault = SimFault(iniPath, "TNcGetScannerList"))
            return fault;
        if (!SimPlugged(iniPath))
            return kStatusOk;
    }
    char* entry = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kScannerRecordSize));
    if (!entry)
        return kStatusNotEnoughMemory;
    CopyString(entry + kSimRecordModelOffset, kSimRecordDeviceIdOffset - kSimRecordModelOffset, kSimModelName);
    CopyString(entry + kSimRecordDeviceIdOffset, kScannerRecordSize - kSimRecordDeviceIdOffset, kSimDeviceId);
    *list = entry;
    *count = 1;
    return kStatusOk;
}

EngineStatus __cdecl TNcReleaseScannerList(void** list)
{
    if (!list)
        return kStatusBadArguments;
    if (*list)
        HeapFree(GetProcessHeap(), 0, *list);
    *list = nullptr;
    return kStatusOk;
}

}  // extern "C"
