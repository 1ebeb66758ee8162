// The benchmarks' clock (QueryPerformanceCounter) and their median.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline double NowSeconds()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency;
}

inline double NowMilliseconds() { return NowSeconds() * 1000.0; }

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}
