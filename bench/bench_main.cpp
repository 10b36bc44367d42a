// kvr_bench [SETUP]: every row for the stand-in package, then the rows that need a
// process of their own or the generated large package (kvr_bench_large, beside
// this program, carrying it as resource 135), each in a child process. The peer
// installer kvr_peer.exe (tools/nsis-peer.sh) must lie beside this program. With
// the path of a setup program (built with the same package), also the rows of
// that setup's wizard, started as its own process.
//   kvr_bench engine LABEL | memory LABEL | digest LABEL | wizard SETUP
//                                          runs one group of rows.
//   kvr_bench startpeer LABEL SETUP PEER   start to first page of a setup and the peer
//                                          that carry the same payload, LABEL.
//   kvr_bench silentpeer LABEL SETUP PEER  the unattended installation of that setup
//                                          against the peer's silent one, LABEL.
#include <string>

#include "bench/bench.h"

std::string benchFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    return folder;
}

DWORD runAndWait(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::fflush(stdout);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        benchFailed("cannot start " + commandLine);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

namespace {

// Runs `program` with `arguments` from this program's folder, sharing its output.
void runChild(const char* program, const char* arguments) {
    const std::string commandLine = "\"" + benchFolder() + program + "\" " + arguments;
    const DWORD exitCode = runAndWait(commandLine);
    if (exitCode != 0) {
        benchFailed(commandLine + " ended with " + std::to_string(exitCode));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "silentpeer") {
        runUnattendedPeerBenchmark(argv[2], argv[3], argv[4]);
        return 0;
    }
    if (argc == 5 && std::string(argv[1]) == "startpeer") {
        runPayloadStartBenchmark(argv[2], argv[3], argv[4]);
        return 0;
    }
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode == "engine") {
        runEngineBenchmarks(argv[2], 3);
        return 0;
    }
    if (mode == "memory") {
        runMemoryBenchmark(argv[2]);
        return 0;
    }
    if (mode == "digest") {
        runDigestBenchmark(argv[2]);
        return 0;
    }
    if (mode == "wizard") {
        runWizardBenchmarks(argv[2]);
        return 0;
    }
    runPackageBenchmarks();
    runPeerBenchmark(runEngineBenchmarks("standin", 7));
    runChild("kvr_bench.exe", "memory standin");
    runChild("kvr_bench_large.exe", "engine large");
    runChild("kvr_bench_large.exe", "memory large");
    runChild("kvr_bench_large.exe", "digest large");
    runTextBenchmarks();
    if (argc == 2) {
        runWizardBenchmarks(argv[1]);
    }
    return 0;
}
