#include "bench/bench.h"

int main() {
    runTextBenchmarks();
    runPackageBenchmarks();
    return 0;
}
