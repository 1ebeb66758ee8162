// The preview of the running scan: the lines the engine has sent so far, which the
// progress dialog draws. A BITMAPINFOHEADER followed by the rows, in movable memory.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "common/handles.h"

// One instance, g_preview. Opened by the dispatching thread before the scan starts,
// written by the engine's notification thread, drawn and closed by the progress thread.
struct ScanPreview {
    // The block; written by Open and Close.
    std::atomic<HGLOBAL> Image{nullptr};
    // Size of the block in bytes, header included. Written with Image.
    std::atomic<size_t> Size{0};
    // The locked block from the first block of lines on; nullptr before and once closed.
    std::atomic<uint8_t*> Bits{nullptr};
    // Next byte to write, from the start of the block. The writer's alone once open.
    std::atomic<size_t> WritePos{0};
    // The gate between the writer and the closer: kGateOpen while writes are taken,
    // plus kGateWriter for each block being copied. The writer counts itself in before
    // it looks at the open mark, so a closer either sees it or it sees the gate closed.
    std::atomic<int> Gate{0};
    // Signalled by the writer that leaves a closed gate last; the closer waits on it.
    UniqueHandle WritersLeft{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};
extern ScanPreview g_preview;

// Closes a preview left from an earlier job, then allocates and opens the bitmap for
// the area and type the request scans. False when none could be made: the scan runs
// without it.
bool OpenPreview(const void* request);
// Copies a block of lines behind the last one; what passes the end is dropped, as is
// everything while the preview is closed.
void WritePreviewBlock(const void* data, uint32_t count);
// Closes the preview to the writer, waits (bounded) for a block being copied, and frees
// the memory. Closing again does nothing.
void ClosePreview();
