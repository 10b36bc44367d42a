// The install log: one line per event, "YYYY-MM-DD HH:MM:SS.mmm text" in local
// time, ANSI text with CR LF line ends, written as it happens so that a setup
// that is killed leaves a readable log. So that every event stays one line of
// text, a line break inside it is written as "\n" (carriage return "\r"), any
// other control character but the tab as "\xNN".
//
// Logging never fails and never changes what the setup does: without an open log
// (none asked for, or the file could not be opened) every call does nothing.
#pragma once

// Opens (replaces) the log file named by `path`; a file that cannot be opened is
// ignored. The handle lives in gSession until closeInstallLog.
void openInstallLog(const char* path);
void closeInstallLog();
bool installLogOpen();

// One event, printf-style.
void logEvent(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
