// The maker's programs beside Tornel: its scanning application, its copier and its
// scanner test program, found by their windows and started from the tray menu.
#pragma once

struct SiblingProgram {
    const char* windowClass;
    const char* windowTitle;
    const char* executable;
};
extern const SiblingProgram kKelmio;
extern const SiblingProgram kCopier;
extern const SiblingProgram kScannerTest;

bool SiblingWindowExists(const SiblingProgram& program);
// Starts the program from the folder "kelmio32.ini" names, unless its window is there.
void StartSiblingUnlessRunning(const SiblingProgram& program);
