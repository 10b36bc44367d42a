// The install log: one line per event, each behind a local time stamp to the
// millisecond ("2026-12-08 05:12:09.123 "), in the ANSI code page with CR LF line
// ends. Every line is handed to the system as it is logged, so a killed process
// leaves a readable log.
//
// The log never fails and never changes the installation: while no log is open
// (none was asked for, or its file could not be opened), logging does nothing.
// The open file lives in gSession.installLog.
#pragma once

// Opens (creates or truncates) the log at `path`. False, and no log, when the file
// cannot be opened; an open log is closed first.
bool openInstallLog(const char* path);
void closeInstallLog();
bool installLogOpen();

// One event; printf-style. Line breaks inside the text are written as " | " so
// that each event stays one line.
void logEvent(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
