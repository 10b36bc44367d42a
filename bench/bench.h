// The benchmark harness: timing helpers and the one output format. Every row is a
// measurement against a baseline taken side by side in the same run, printed as
//   row;<id>;<what>;<measured>;<baseline>;<unit>;<largest ratio allowed, 0: none>
// for tools/bench.sh, which puts the rows of every target into one table.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

inline double secondsNow() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Body>
double secondsOf(Body body) {
    const double start = secondsNow();
    body();
    return secondsNow() - start;
}

inline double medianOf(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

inline void printRow(const std::string& id, const std::string& what, double measured,
                     double baseline, const char* unit, double largestRatio) {
    std::printf("row;%s;%s;%.3f;%.3f;%s;%.2f\n", id.c_str(), what.c_str(), measured, baseline, unit,
                largestRatio);
    std::fflush(stdout);
}

// Ends the benchmark with a message when something it measures does not work.
[[noreturn]] inline void benchFailed(const std::string& message) {
    std::printf("bench failed: %s\n", message.c_str());
    std::fflush(stdout);
    ExitProcess(1);
}

// The folder of the benchmark program, with a trailing backslash.
std::string benchFolder();
// Starts a program, sharing this one's output, and returns its exit code once it ends.
DWORD runAndWait(std::string commandLine);

void runTextBenchmarks();
void runPackageBenchmarks();
// The digest check of resource 135 against sha256sum, the row named for `label`.
void runDigestBenchmark(const std::string& label);
// Median milliseconds of the engine work, and of its part that writes the files
// (the preparation and the file steps).
struct EngineTimes {
    double engineMs;
    double filesMs;
};
// Rows for the package carried as resource 135, named by `label` ("standin", "large").
EngineTimes runEngineBenchmarks(const std::string& label, int rounds);
// The peer installer's silent installation of the stand-in files against the engine.
void runPeerBenchmark(const EngineTimes& engine);
void runMemoryBenchmark(const std::string& label);
// A first unattended installation of `setup` (process start to exit) against the
// NSIS peer `peer`'s silent one of the same files, the row named for `label`.
void runUnattendedPeerBenchmark(const std::string& label, const std::string& setup,
                                const std::string& peer);
// Start to first page of `setup` against a bare window program and the peer, and
// one installation through its wizard against the floor of its timer.
void runWizardBenchmarks(const std::string& setup);
// Start to first page of `setup` against the NSIS peer `peer` carrying the same
// payload, the row named for the payload's `label`.
void runPayloadStartBenchmark(const std::string& label, const std::string& setup,
                              const std::string& peer);
