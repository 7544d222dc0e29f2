// SPDX-License-Identifier: GPL-3.0-or-later
#include <ostream>

#include "cli/commands.h"

namespace trevak::cli {

namespace {
int notYet(const char* name, std::ostream& err) {
  err << "trevak-cli: " << name << " is not available yet\n";
  return 2;
}
}  // namespace

int cmdCopy(const Args&, std::ostream&, std::ostream& err) { return notYet("copy", err); }
int cmdDelete(const Args&, std::ostream&, std::ostream& err) { return notYet("delete", err); }
int cmdStripPrefix(const Args&, std::ostream&, std::ostream& err) {
  return notYet("strip-prefix", err);
}
int cmdFillNames(const Args&, std::ostream&, std::ostream& err) { return notYet("fill-names", err); }
int cmdNormalize(const Args&, std::ostream&, std::ostream& err) { return notYet("normalize", err); }

}  // namespace trevak::cli
