// The installing page's controls and timer, and the wizard pages the install
// driver moves to. The steps report on the page through these ids only.
#pragma once

inline constexpr int kInstallProgressBar = 1018;  // range 0..kInstallProgressRange
inline constexpr int kInstallDetailLine = 1019;   // the folder or file being handled
inline constexpr int kInstallStatusLine = 1020;   // what is being done
inline constexpr int kInstallProgressRange = 256;
inline constexpr unsigned kInstallTimerId = 391;
inline constexpr int kReadyPageId = 112;
inline constexpr int kFinishPageId = 114;
