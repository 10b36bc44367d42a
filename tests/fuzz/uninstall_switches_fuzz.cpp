// libFuzzer target for the uninstaller's switch grammar: any bytes up to the first
// NUL, as a command line. Besides the sanitizers' findings (a read outside the text
// or a write past the log's room), an accepted line must give a terminated log
// value free of quotes that is there exactly when /log= was read, and the answer
// must not depend on anything but the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tests/fuzz/fuzz_line.h"
#include "uninstaller/uninstall_switches.h"

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "uninstall_switches_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::unique_ptr<char[]> line = fuzzLine(data, size);

    UninstallSwitches switches;
    const bool accepted = parseUninstallSwitches(line.get(), &switches);
    const size_t logLength = strnlen(switches.log, sizeof switches.log);
    require(logLength < sizeof switches.log, "the log value is not terminated");
    if (accepted) {
        require(switches.hasLog == (logLength != 0), "/log= and its value disagree");
        require(std::strchr(switches.log, '"') == nullptr, "the log value keeps a quote");
        require(
            switches.hasCopyOf || (switches.parent == nullptr && switches.reportPipe == nullptr),
            "handles without /copyof=");
    }
    UninstallSwitches again;
    require(parseUninstallSwitches(line.get(), &again) == accepted &&
                std::strcmp(switches.log, again.log) == 0 && again.silent == switches.silent &&
                again.purge == switches.purge && again.parent == switches.parent &&
                again.reportPipe == switches.reportPipe,
            "a second reading differs");
    return 0;
}
