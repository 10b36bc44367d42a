// The exit codes of an unattended run, chosen from the installer service's codes
// so that deployment tools that already know them read ours the same way. A run
// with the wizard always ends with kExitInstalled.
#pragma once

inline constexpr int kExitInstalled = 0;
// A step failed and was undone, or another refusal (unsupported system, failed
// removal of the earlier release, running copies that do not close).
inline constexpr int kExitFailed = 1603;
// As kExitFailed, and the failing write reported a full disk.
inline constexpr int kExitDiskFull = 112;
inline constexpr int kExitAnotherSetupRuns = 1618;
inline constexpr int kExitBrokenPackage = 1620;
inline constexpr int kExitNewerReleaseInstalled = 1638;
// An invalid command line, or a folder given or proposed was refused.
inline constexpr int kExitInvalidChoice = 1639;

// The uninstaller's own: the user answered No to its question. It also ends with
// kExitInstalled (all removed), kExitFailed (refused, or something stayed) and
// kExitAnotherSetupRuns.
inline constexpr int kExitUserDeclined = 1602;
