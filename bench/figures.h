// The benchmarks' summary line, one per figure, in the one form tools/bench collects
// at its end:  figure NAME: now VALUE UNIT, goal VALUE UNIT: met|missed
#pragma once

#include <cstdio>

// A figure whose goal is an upper bound.
inline void PrintFigure(const char* name, double now, double goal, const char* unit)
{
    printf("figure %s: now %.2f %s, goal %g %s: %s\n", name, now, unit, goal, unit, now <= goal ? "met" : "missed");
}
