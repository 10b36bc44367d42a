// The process-wide pseudo-random generator (linear congruential, 15-bit output).
#include "startup/random.h"

#include "startup/setup_session.h"

void seedRandom(uint32_t seed) {
    gSession.randomState = seed;
}

int nextRandom() {
    gSession.randomState = gSession.randomState * 214013u + 2531011u;
    return static_cast<int>((gSession.randomState >> 16) & 0x7FFFu);
}
