// Scan to folder: the scanned image left in the default scan folder is the whole result.
#include "config/config.h"
#include "destinations/destinations.h"
#include "scan/scan.h"

int ScanToFolder()
{
    if (ReadIniInt(kConfigFileName, kMyFolderSection, "Num", 0) == 0) {
        uint16_t defaultFolder = 0;
        EnsureFolderList(&defaultFolder);
    }
    char path[260];
    MakeOutputFileName(path, "bmp");
    // Whatever the engine wrote stays in the folder, also after an abort.
    if (RunScanJob(path, kKindMyFolder, kOutputFormatBmp))
        AnnounceDestinationResult(DestinationResult::Saved, path);
    return 1;
}
