// Starting the programs the system hands work to: the maker's sibling programs, the
// application that gets a scanned image, the OCR programs.
#pragma once

#include <windows.h>

#include <cstddef>

// The command line of a started program: its path in double quotes (a folder with
// blanks stays one argument), then a blank and the arguments, if any. False when it
// does not fit: a cut line would start the wrong program or open the wrong file.
bool BuildProgramCommandLine(char* out, size_t size, const char* program, const char* arguments);

// Starts the program with the arguments and lets it run on its own (its handles are
// closed at once). ERROR_SUCCESS, or the reason it could not be started.
DWORD StartProgram(const char* program, const char* arguments = nullptr);
// Starts the program with the arguments and waits until it ends, at most waitMs.
// ERROR_SUCCESS once it was started (it may still run when the wait ran out), or the
// reason it could not be started.
DWORD RunProgram(const char* program, const char* arguments, DWORD waitMs);
