// The setup's start-up: the checks that decide whether the wizard may run, the
// probes that fill the process part of gSession, the wizard itself, and the
// tear-down. runStartup is the whole sequence; the other functions are its
// steps, each usable on its own.
//
// With the wizard every path of runStartup ends with 0. Early ends: an unsupported
// system, a help request, another running copy of the setup, a newer installed
// release. Each of them has shown its message before runStartup returns. A switch
// line (install_switches.h) may ask for an install log and an unattended run,
// which ends with one of the codes of exit_codes.h; a refused switch line ends
// with the invalid-command-line code, its reason shown (or only logged, silent).
#pragma once

#include <windows.h>

#include <cstdint>

// The operating-system check: false for Win32s, Windows 9x and Windows NT before
// 5.1 (Windows 2000 and older); true for XP and later and for unknown platforms.
bool isSupportedSystem(const OSVERSIONINFOA& version);

// The platform probe's decision. nt: the version query's answer, -1 when the
// query failed; heapLock: ntdll and kernel32 are loaded and kernel32 exports
// HeapLock. 1 when the answer (nt if known, else heapLock) is NT and the two
// tests agree; 0 otherwise.
int platformProbeAnswer(int nt, bool heapLock);
// Runs both tests on this system and returns platformProbeAnswer of them.
int probePlatform();

// The pseudo-random generator's seed: the low 32 bits of the local time as a file
// time, or seconds * (milliseconds + 1) when it cannot be converted.
uint32_t randomSeedFrom(const SYSTEMTIME& localTime);

// The machine-wide write probe. Bit 0: a value could be written (and was deleted
// again) in the settings key below HKEY_LOCAL_MACHINE, which is left in place;
// bit 1: a file could be created (and was deleted again) in a test folder below
// Program Files. The test folder is removed whatever happened.
uint32_t probeMachineWideWrite();

// The newer-version check: when the settings record a newer release than this
// one, asks whether to run it, runs it (or opens the download page when it
// cannot be started) and returns true: start-up ends. Otherwise sets
// gSession.versionRecorded (1 when "ver" could be read) and returns false.
// COM must be initialised on the thread: the answers use the shell.
bool newerVersionInstalled();

// The whole start-up sequence and the wizard or the unattended run; returns the
// exit code.
int runStartup(HINSTANCE instance, const char* commandLine);
