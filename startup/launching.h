// Opening documents and web pages, starting the installed program, and closing
// running copies of it.
#pragma once

#include <windows.h>

// The maker's web pages. Only the paths and queries are fixed; the host is ours.
inline constexpr const char* kDownloadPage =
    "https://www.velmora-software.example/php/download.php?what=kvr";
inline constexpr const char* kFeedbackPage =
    "https://www.velmora-software.example/php/dwnld_fdbk.php?what=glitch&name=KVR&ver=1.2.7.1";
inline constexpr const char* kSupportAddress = "support@velmora-software.example";
inline constexpr const char* kPublisherDomain = "velmora-software.example";
inline constexpr const char* kProductPage = "https://www.velmora-software.example/kestrova/";

// The main window class of the installed program: a window of it means it runs.
inline constexpr const char* kProductWindowClass = "Velmora_kestrova";

// ShellExecuteA "open" with no owner; > 32 means opened. A null target is "".
INT_PTR openWithShell(const char* target);
// Starts `fileName` (null: "kvr.exe") from the folder recorded in the settings value
// "InstallFolder". False when no folder is recorded or the shell fails.
bool launchInstalledProgram(const char* fileName);
// Asks every running copy of the product to close and waits up to `timeoutMs`.
// 1: none runs (any more); 0: one still ran at the time-out; -1: the close message
// could not be registered.
int closeRunningCopies(DWORD timeoutMs);
