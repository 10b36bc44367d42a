// The process exit codes of an unattended run (and of the uninstaller), chosen to
// be the ones that deployment tools and package managers already understand.
// A run with its windows (no "/silent") always ends with kExitSucceeded.
#pragma once

inline constexpr int kExitSucceeded = 0;
// The installation failed and was undone, or another refusal ended the run.
inline constexpr int kExitFailed = 1603;
// As kExitFailed, and the failing write reported a full disk.
inline constexpr int kExitDiskFull = 112;
inline constexpr int kExitUserDeclined = 1602;
inline constexpr int kExitAnotherInstance = 1618;
inline constexpr int kExitBrokenPackage = 1620;
inline constexpr int kExitNewerInstalled = 1638;
inline constexpr int kExitInvalidCommandLine = 1639;
