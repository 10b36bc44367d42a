// Growth of a TextBuffer that is built one character at a time, as the tokeniser
// and the replacement operation build their results, against std::string.
#include <string>

#include "bench/bench.h"
#include "text/text_buffer.h"

void runTextBenchmarks() {
    constexpr int kCharacters = 1000000;
    std::vector<double> buffers, strings;
    for (int round = 0; round < 5; ++round) {
        buffers.push_back(secondsOf([&] {
            TextBuffer buffer;
            for (int i = 0; i < kCharacters; ++i) {
                buffer.appendChar(static_cast<char>('a' + i % 26));
            }
        }));
        strings.push_back(secondsOf([&] {
            std::string text;
            for (int i = 0; i < kCharacters; ++i) {
                text.push_back(static_cast<char>('a' + i % 26));
            }
            volatile size_t keep = text.size();
            (void)keep;
        }));
    }
    printRow("t1", "TextBuffer appendChar x 1e6 vs std::string push_back", medianOf(buffers) * 1e3,
             medianOf(strings) * 1e3, "ms", 0);
}
