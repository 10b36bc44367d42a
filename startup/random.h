// The process-wide pseudo-random generator: 15-bit values 0..32767 from
// state = state * 214013 + 2531011 (mod 2^32), value = bits 16..30. Start-up seeds
// it once; it names the staging folder and the saved copies and fills the random
// settings value. Its state lives in gSession.
#pragma once

#include <cstdint>

void seedRandom(uint32_t seed);
int nextRandom();
