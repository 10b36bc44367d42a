// Growth of a TextBuffer that is built one character at a time, as the tokeniser
// and the replacement operation build their results.
#include <string>

#include "bench/bench.h"
#include "text/text_buffer.h"

void runTextBenchmarks() {
    constexpr int kCharacters = 1000000;
    int reallocations = 0;
    double textSeconds = bestOf(5, [&] {
        TextBuffer buffer;
        uint32_t capacity = buffer.capacity();
        reallocations = 0;
        for (int i = 0; i < kCharacters; ++i) {
            buffer.appendChar(static_cast<char>('a' + i % 26));
            if (buffer.capacity() != capacity) {
                capacity = buffer.capacity();
                ++reallocations;
            }
        }
    });
    double stringSeconds = bestOf(5, [&] {
        std::string text;
        for (int i = 0; i < kCharacters; ++i) {
            text.push_back(static_cast<char>('a' + i % 26));
        }
        volatile size_t keep = text.size();
        (void)keep;
    });
    std::printf(
        "text: appendChar x %d: %.2f ns/char, %d reallocations (std::string: %.2f ns/char)\n",
        kCharacters, textSeconds * 1e9 / kCharacters, reallocations,
        stringSeconds * 1e9 / kCharacters);

    TextBuffer source;
    for (int i = 0; i < 100000; ++i) {
        source.append("#YR# ");
    }
    double replaceSeconds = bestOf(3, [&] {
        TextBuffer result = source.replaceAll("#yr#", "2026", true);
        volatile uint32_t keep = result.length();
        (void)keep;
    });
    std::printf("text: replaceAll over %u bytes: %.1f ms\n", source.visibleLength(),
                replaceSeconds * 1e3);
}
