#include "scan/engine_errors.h"

#include "common/message_box.h"
#include "i18n/i18n.h"
#include "scan/scan.h"

namespace {

struct EngineErrorText {
    EngineStatus status;
    int textId;
};

constexpr int kErrorOccuredId = 11369;  // MsgErrorOccured

constexpr EngineErrorText kEngineErrorTexts[] = {
    {1, 11363},     // MsgDeviceNotConnected
    {2, 11364},     // MsgDeviceBusy
    {3, 11365},     // MsgDeviceNotReady
    {4, 11366},     // MsgDeviceNotFound
    {5, 11367},     // MsgStatusFails
    {6, 11368},     // MsgAborted
    {-2, 11335},    // MsgNotEnoughMemory
    {-3, 11370},    // MsgFunctionNotprevilaged
    {-4, 11371},    // MsgBadArguments
    {-5, 11372},    // MsgExclusiveAccess
    {-6, 11373},    // MsgUnsupporetdFunction
    {-7, 11374},    // MsgUnsupporetdMode
    {-8, 11375},    // MsgComplitionError
    {-9, 11376},    // MsgDeviceError
    {-10, 11377},   // MsgUnabletoOpenDevice
    {-11, 11378},   // MsgTimeOut
    {-12, 11379},   // MsgFileIOError
    {-13, 11380},   // MsgNoPower
    {-20, 11381},   // MsgChoosenDeviceNotFound
    {-21, 11382},   // MsgNoDevice
    {-22, 11383},   // MsgLibNotFound
    {-23, 11384},   // MsgChooserLibNotFound
    {-100, 11385},  // MsgErrorinDSPBitmap
    {-101, 11386},  // MsgDSPBadBuffer
    {-102, 11387},  // MsgDSPColorMatchingError
};

}  // namespace

int EngineErrorTextId(EngineStatus status)
{
    for (const EngineErrorText& entry : kEngineErrorTexts) {
        if (entry.status == status)
            return entry.textId;
    }
    return kErrorOccuredId;
}

// The engine's thread may call this: the box has no owner window.
void ShowEngineError(EngineStatus status)
{
    char text[260];
    GetLocalizedText(EngineErrorTextId(status), text);
    ShowMessageOwnedBy(nullptr, text, "Error");
}
