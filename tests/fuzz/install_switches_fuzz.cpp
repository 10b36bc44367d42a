// libFuzzer target for the switch grammar: any bytes up to the first NUL, as a
// command line. Besides the sanitizers' findings (a read outside the text), every
// input must be either accepted with terminated values free of quotes and control
// characters, or refused with a reason; and the answer must not depend on
// anything but the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "startup/install_switches.h"
#include "tests/fuzz/fuzz_line.h"

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "install_switches_fuzz: %s\n", what);
        std::abort();
    }
}

void requireCleanValue(const char (&value)[kSwitchValueSize]) {
    const size_t length = strnlen(value, sizeof value);
    require(length < sizeof value, "a value is not terminated");
    for (size_t i = 0; i < length; ++i) {
        require(value[i] != '"', "a value keeps a quote");
        require(static_cast<unsigned char>(value[i]) >= 0x20, "a value holds a control character");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::unique_ptr<char[]> line = fuzzLine(data, size);

    isSwitchLine(line.get());
    InstallSwitches switches;
    char reason[kSwitchReasonSize];
    const bool accepted = parseInstallSwitches(line.get(), &switches, reason);
    require(strnlen(reason, sizeof reason) < sizeof reason, "the reason is not terminated");
    if (accepted) {
        require(reason[0] == '\0', "an accepted line has a reason");
        for (const auto* value :
             {&switches.log, &switches.dir, &switches.group, &switches.dataDir, &switches.temp}) {
            requireCleanValue(*value);
        }
        require(switches.hasTasks || (!switches.desktopIcon && !switches.quickLaunchIcon),
                "icons without /tasks");
    } else {
        require(reason[0] != '\0', "a refused line has no reason");
    }
    InstallSwitches again;
    char againReason[kSwitchReasonSize];
    require(parseInstallSwitches(line.get(), &again, againReason) == accepted &&
                std::strcmp(reason, againReason) == 0,
            "a second reading differs");
    return 0;
}
