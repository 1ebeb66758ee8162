// Configuration store: "kmconfig.ini" in the Windows directory, the per-button
// scan settings, and the discovery of applications, printers and mail clients.
#pragma once

#include <cstdint>

constexpr int kButtonKindCount = 15;

// One entry per ButtonKind; the values are positions in the settings pages' lists.
struct ButtonSetting {
    int32_t Doc;   // document type
    int32_t Res;   // resolution
    int32_t Bri;   // brightness
    int32_t Org;   // original type: always 0
    int32_t Area;  // scan area: 0 at every start
};

// Loaded by the window thread at start-up and edited there by the Button manager;
// read by the scan job on the dispatching thread while a job runs.
extern ButtonSetting ButtonSettings[kButtonKindCount];
