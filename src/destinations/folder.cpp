// Scan to folder: the scanned image left in the default scan folder is the whole result.
#include <cstring>

#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

void EnsureFolderChosen()
{
    uint16_t defaultFolder = 0;
    EnsureFolderList(&defaultFolder);
}

}  // namespace

int ScanToFolder(const ScanOrder& order)
{
    EnsureFolderChosen();
    char path[260];
    MakeOutputFileName(path, "bmp");
    // Whatever the engine wrote stays in the folder, also after an abort.
    if (RunScanJob(path, order, kOutputFormatBmp))
        AnnounceDestinationResult(DestinationResult::Saved, path);
    return 1;
}

int ResendToFolder(const char* imagePath)
{
    EnsureFolderChosen();
    char path[260];
    MakeOutputFileName(path, "bmp");
    if (!path[0])
        return 0;  // MakeOutputFileName has said why
    // The new name is free; a file that took it meanwhile is never overwritten.
    if (!CopyFileA(imagePath, path, TRUE)) {
        ShowLocalizedMessage(IDS_MSG_RESEND_FOLDER_FAILED, "The page could not be copied to %s.", path,
                             MB_OK | MB_ICONEXCLAMATION, 512);
        return 0;
    }
    AnnounceDestinationResult(DestinationResult::Saved, path);
    return 1;
}

void ChosenFolderName(char (&folder)[260])
{
    ReadFolderEntry(ChosenFolderNumber(), "", folder);
    if (!folder[0] && !DefaultScanFolder(folder, sizeof folder))
        folder[0] = '\0';
}
