// Page recognition for the OCR stand-ins: Debian's Tesseract reads the scanned TIFF.
// Inside Wine a Windows program can start a Unix program but not wait on it, so it
// runs under a shell that leaves its exit status in a file beside the text.
#pragma once

#include <string>
#include <vector>

enum class Recognition {
    Done,      // the page was read; lines holds its text
    NoEngine,  // Tesseract (or Wine's way to it) is not there
    Failed,    // the image could not be read
};

struct RecognisedPage {
    Recognition outcome = Recognition::Failed;
    std::vector<std::wstring> lines;  // recognised lines, blank ones between paragraphs kept
};

RecognisedPage RecognisePage(const char* imagePath);

// What a document shows: the recognised lines, or one sentence that says why there
// are none.
std::vector<std::wstring> DocumentText(const RecognisedPage& page);

// The Unix path of a Windows path through Wine's kernel32; empty outside Wine.
std::string UnixPath(const char* windowsPath);
