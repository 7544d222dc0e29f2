// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/version.h"

namespace trevak {

const char* versionText() { return "0.15 (20070705i)"; }

}  // namespace trevak
