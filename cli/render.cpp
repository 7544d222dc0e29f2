// SPDX-License-Identifier: GPL-3.0-or-later
#include <ostream>

#include "cli/commands.h"

namespace trevak::cli {

int cmdRender(const Args&, std::ostream&, std::ostream& err) {
  err << "trevak-cli: render is not available yet\n";
  return 2;
}

}  // namespace trevak::cli
