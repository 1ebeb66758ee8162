// Button dispatch: a button press becomes a ButtonNumber, "Button.InI" names the
// function it runs, and the function's destination runs to its end on the calling
// thread. It sits above the destinations: it calls them, they never call it.
#pragma once

#include <cstdint>

// Function codes of "Button.InI" [Main].
constexpr int kFunctionApplication = 1;
constexpr int kFunctionCopy = 2;
constexpr int kFunctionMail = 4;
constexpr int kFunctionFolder = 16;

// 1 + the position of the lowest set bit of a ButtonCode; 0 for 0.
int ButtonNumberFromCode(uint32_t buttonCode);
// Clears JobAborted and runs the button's function from "Button.InI" [Main]. Returns 1.
// Ignored (returns 1 at once) while another press's function runs.
int DispatchButton(int buttonNumber);
// A press from the engine or handed over by a launch: the destination flags are
// cleared, then the button is dispatched; ignored while a function runs.
int DispatchButtonPress(int buttonNumber);
// Runs the function that the given section of "Button.InI" assigns to the button. Returns 1.
int RunButtonFunction(int buttonNumber, const char* section);
// Runs a function's hand-off on the last page filed since the program started, without
// scanning, one at a time with presses; a page that is gone is refused with a message.
// Returns 1.
int ResendLastScan(int functionCode);
