// What Tornel's debug build tells the benchmarks about itself: Wine gives no other
// process the GDI and USER object counts of a program, so the program reports its own.
#pragma once

#include <windows.h>

// The benchmarks' registered window message; the debug build's tray window answers it
// with kGuiCountsAnswered, the GDI objects in the low word and the USER objects in
// bits 16 to 30, each kGuiCountUnknown when the system does not count it (Wine's
// GetGuiResources counts nothing). The release build does not answer (0).
constexpr char kGuiCountsMessageName[] = "TornelBenchGuiCounts";
constexpr LRESULT kGuiCountsAnswered = static_cast<LRESULT>(0x80000000u);
constexpr DWORD kGuiCountUnknown = 0x7FFF;

// The answer to message when it is that registered message and this build reports
// its counts; 0 otherwise.
LRESULT AnswerGuiCountsRequest(UINT message);
