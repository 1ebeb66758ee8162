#include "common/message_box.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

struct EngineErrorText {
    EngineStatus status;
    int textId;
};

constexpr EngineErrorText kEngineErrorTexts[] = {
    {kStatusDeviceNotConnected, IDS_MSG_DEVICE_NOT_CONNECTED},
    {kStatusDeviceBusy, IDS_MSG_DEVICE_BUSY},
    {kStatusDeviceNotReady, IDS_MSG_DEVICE_NOT_READY},
    {kStatusDeviceNotFound, IDS_MSG_DEVICE_NOT_FOUND},
    {kStatusNoScanner, IDS_MSG_STATUS_FAILS},
    {kStatusAborted, IDS_MSG_ABORTED},
    {kStatusNotEnoughMemory, IDS_MSG_NOT_ENOUGH_MEMORY},
    {kStatusNotPrivileged, IDS_MSG_FUNCTION_NOT_PRIVILEGED},
    {kStatusBadArguments, IDS_MSG_BAD_ARGUMENTS},
    {kStatusExclusiveAccess, IDS_MSG_EXCLUSIVE_ACCESS},
    {kStatusUnsupportedFunction, IDS_MSG_UNSUPPORTED_FUNCTION},
    {kStatusUnsupportedMode, IDS_MSG_UNSUPPORTED_MODE},
    {kStatusCompletionError, IDS_MSG_COMPLETION_ERROR},
    {kStatusDeviceError, IDS_MSG_DEVICE_ERROR},
    {kStatusUnableToOpenDevice, IDS_MSG_UNABLE_TO_OPEN_DEVICE},
    {kStatusTimeOut, IDS_MSG_TIME_OUT},
    {kStatusFileIoError, IDS_MSG_FILE_IO_ERROR},
    {kStatusNoPower, IDS_MSG_NO_POWER},
    {kStatusChosenDeviceNotFound, IDS_MSG_CHOSEN_DEVICE_NOT_FOUND},
    {kStatusNoDevice, IDS_MSG_NO_DEVICE},
    {kStatusLibNotFound, IDS_MSG_LIB_NOT_FOUND},
    {kStatusChooserLibNotFound, IDS_MSG_CHOOSER_LIB_NOT_FOUND},
    {kStatusBitmapError, IDS_MSG_DSP_BITMAP_ERROR},
    {kStatusBadBuffer, IDS_MSG_DSP_BAD_BUFFER},
    {kStatusColourMatchingError, IDS_MSG_DSP_COLOR_MATCHING_ERROR},
};

}  // namespace

int EngineErrorTextId(EngineStatus status)
{
    for (const EngineErrorText& entry : kEngineErrorTexts) {
        if (entry.status == status)
            return entry.textId;
    }
    return IDS_MSG_ERROR_OCCURED;
}

// The engine's thread may call this: the box has no owner window.
void ShowEngineError(EngineStatus status)
{
    char text[260];
    GetLocalizedText(EngineErrorTextId(status), text);
    ShowMessageOwnedBy(nullptr, text, "Error");
}
