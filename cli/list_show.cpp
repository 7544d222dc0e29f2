// SPDX-License-Identifier: GPL-3.0-or-later
#include <ostream>

#include "cli/commands.h"

namespace trevak::cli {

int cmdList(const Args&, std::ostream&, std::ostream& err) {
  err << "trevak-cli: list is not available yet\n";
  return 2;
}

int cmdShow(const Args&, std::ostream&, std::ostream& err) {
  err << "trevak-cli: show is not available yet\n";
  return 2;
}

}  // namespace trevak::cli
