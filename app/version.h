// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace trevak {

/// The program's version as the window title shows it.
const char* versionText();

}  // namespace trevak
