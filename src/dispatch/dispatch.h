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
// The one way in for a press, whichever way it came (the engine's callback, a launch's
// own button, a press a launch handed over): under the press claim it clears the
// destination flags and JobAborted and runs the button's function from "Button.InI"
// [Main]. A press that finds the claim held is refused. Returns 1.
int DispatchButton(int buttonNumber);
// Runs the function that the given section of "Button.InI" assigns to the button,
// under the caller's claim. Returns 1.
int RunButtonFunction(int buttonNumber, const char* section);

// One press or job at a time: a press, or any other job that scans or hands a page on,
// runs only while it holds the claim, checked and taken in one step. functionCode names
// the job's function for a refused press. A refused claim tells the listener once per
// job; once the program closes every claim is refused without a word.
bool TryClaimPress(int functionCode);
void ReleasePress();
// Whether a press or another job holds the claim now (for what the menu offers).
bool PressRunning();
// The program closes: no claim is given from now on.
void StopTakingPresses();
// Waits, at most limitMs, until the job holding the claim has released it; false when
// it still runs.
bool WaitForPressEnd(uint32_t limitMs);
// Told, on the refused press's thread, of the first press refused during a job: the
// FunctionCode of the job that runs.
using RefusedPressListener = void (*)(int runningFunction);
void SetRefusedPressListener(RefusedPressListener listener);
// Runs a function's hand-off on the last page filed since the program started, without
// scanning, one at a time with presses; a page that is gone is refused with a message.
// Returns 1.
int ResendLastScan(int functionCode);

// Runs a press of the given ButtonNumber (1 to 4) on a thread of its own, as the
// engine's button thread runs one; the dispatch refuses it while a job runs.
void StartButtonDispatch(int buttonNumber);
// Runs ResendLastScan for the function on a thread of its own.
void StartResendDispatch(int functionCode);
