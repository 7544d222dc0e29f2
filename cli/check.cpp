// SPDX-License-Identifier: GPL-3.0-or-later
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/load_warnings.h"
#include "library/module_table.h"

namespace trevak::cli {

int cmdCheck(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1 || (args[0].size() > 1 && args[0].front() == '-')) {
    err << "usage: trevak-cli check LIB.mod\n";
    return 2;
  }
  const std::string& path = args[0];
  LoadWarnings warnings;
  ModuleTable table;
  try {
    loadLibraryFile(path, table, &warnings);
  } catch (const IoError& e) {
    err << "trevak-cli: " << path << ": " << e.what() << '\n';
    return 2;
  }
  for (const LoadFinding& finding : warnings.findings()) out << describeFinding(finding) << '\n';
  if (!out) return 2;
  return warnings.findings().empty() ? 0 : 1;
}

}  // namespace trevak::cli
