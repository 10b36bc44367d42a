// The ready page's summary of the user's choices, apart from its window.
#pragma once

#include "startup/setup_session.h"
#include "text/text_buffer.h"

// The plain-text summary shown before the installation starts: the program and
// data folders, the Start Menu folder when one is to be created, and the extra
// icons when any is chosen. Lines end in "\r\n" for a multi-line edit control.
TextBuffer readySummary(const SetupChoices& choices);
