// What Tornel's debug build tells the benchmarks about itself: Wine gives no other
// process the GDI and USER object counts of a program, so the program reports its own.
#pragma once

#include <windows.h>

// The benchmarks' registered window message; the debug build's tray window answers it
// with MAKELRESULT(GDI objects, USER objects). The release build does not answer (0).
constexpr char kGuiCountsMessageName[] = "TornelBenchGuiCounts";

// The answer to message when it is that registered message and this build reports
// its counts; 0 otherwise.
LRESULT AnswerGuiCountsRequest(UINT message);
