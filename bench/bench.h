// A tiny benchmark harness: runs a body repeatedly and reports the best time.
#pragma once

#include <windows.h>

#include <cstdio>

inline double secondsNow() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Best of `rounds` runs of body(), in seconds.
template <typename Body>
double bestOf(int rounds, Body body) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        double start = secondsNow();
        body();
        double elapsed = secondsNow() - start;
        if (elapsed < best) {
            best = elapsed;
        }
    }
    return best;
}

void runTextBenchmarks();
void runPackageBenchmarks();
void runInstallBenchmarks();
