// The installing page's timer and progress range; its controls and the wizard
// pages the install driver moves to are named in resources/resource_ids.h. The
// steps report on the page through these ids only.
#pragma once

#include "resources/resource_ids.h"

inline constexpr int kInstallProgressRange = 256;  // of IDC_INSTALLING_PRG_PROGRESS
inline constexpr unsigned kInstallTimerId = 391;
