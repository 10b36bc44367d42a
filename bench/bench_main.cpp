#include "bench/bench.h"

int main() {
    runTextBenchmarks();
    runPackageBenchmarks();
    runInstallBenchmarks();
    return 0;
}
