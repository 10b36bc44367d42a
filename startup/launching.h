// Opening documents and web pages, starting the installed program, and closing
// running copies of it.
#pragma once

#include <windows.h>

#include "resources/product_release.h"

// The maker's web pages. Only the paths and queries are fixed; the host comes from
// the build (CMake cache KVR_MAKER_WEB_HOST).
#ifndef KVR_MAKER_WEB_HOST
#error "KVR_MAKER_WEB_HOST names the maker's web host; the build defines it"
#endif
inline constexpr const char* kDownloadPage =
    "https://" KVR_MAKER_WEB_HOST "/php/download.php?what=kvr";
inline constexpr const char* kFeedbackPage =
    "https://" KVR_MAKER_WEB_HOST "/php/dwnld_fdbk.php?what=glitch&name=KVR&ver=" KVR_RELEASE;
inline constexpr const char* kSupportAddress = "support@" KVR_MAKER_DOMAIN;
inline constexpr const char* kPublisherDomain = KVR_MAKER_DOMAIN;
inline constexpr const char* kProductPage = "https://" KVR_MAKER_WEB_HOST "/kestrova/";

// The main window class of the installed program: a window of it means it runs.
inline constexpr const char* kProductWindowClass = "Velmora_kestrova";

// ShellExecuteA "open" with no owner; > 32 means opened. A null target is "".
INT_PTR openWithShell(const char* target);
// Starts `fileName` (null: "kvr.exe") from the folder recorded in the settings value
// "InstallFolder". False when no folder is recorded or the shell fails.
bool launchInstalledProgram(const char* fileName);
// Held while the setup or the uninstaller runs: one of them at a time.
inline constexpr const char* kSetupMutexName = "KVR_Mtx_19222";

// How long the pages wait for running copies to close.
inline constexpr DWORD kCloseWaitMs = 5000;

// Asks every running copy of the product to close and waits up to `timeoutMs`.
// 1: none runs (any more); 0: one still ran at the time-out; -1: the close message
// could not be registered.
int closeRunningCopies(DWORD timeoutMs);
