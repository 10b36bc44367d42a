// Parsing the setup's command line: one request per line, matched by its beginning.
#include "startup/command_line.h"

#include <windows.h>

#include "startup/setup_session.h"
#include "text/text_buffer.h"
#include "text/text_helpers.h"
#include "wizard/message_box.h"

namespace {

constexpr const char* kHelpFormat =
    "%s Installation Routine:\n(Command line parameters)\n=======================\n\n"
    "/help - Show help window;\n/temp [PATH] - Specify temporary folder.";
constexpr const char* kTempKeyword = "/temp";

// Case-insensitive comparison of the line's first characters with the keyword.
// A line shorter than the keyword cannot match, so nothing past its end is read.
bool beginsWith(const TextBuffer& line, const char* keyword) {
    const int count = lstrlenA(keyword);
    if (static_cast<int>(line.visibleLength()) < count) {
        return false;
    }
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, line.text(), count, keyword,
                          count) == CSTR_EQUAL;
}

bool isHelpRequest(const TextBuffer& line) {
    return beginsWith(line, "/?") || beginsWith(line, "-?") || beginsWith(line, "/help") ||
           beginsWith(line, "-help");
}

void showHelp() {
    TextBuffer help;
    help.format(kHelpFormat, "Kestrova");
    showMessage(help.text(), MB_ICONINFORMATION | MB_OK);
}

}  // namespace

bool parseCommandLine(const char* commandLine) {
    TextBuffer line(commandLine != nullptr ? commandLine : "");
    line.trim(kBlankSet);

    const bool help = isHelpRequest(line);
    if (help) {
        showHelp();
    }
    if (beginsWith(line, kTempKeyword)) {
        gSession.choices.stagingFolder =
            withoutTrailingSeparator(line.text() + lstrlenA(kTempKeyword));
    }
    return help;
}
