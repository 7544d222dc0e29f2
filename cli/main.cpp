// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "library/save_cleanup.h"

int main(int argc, char* argv[]) {
  std::ios::sync_with_stdio(false);
  // A save ended by a signal leaves no temporary file beside the library.
  trevak::temporary_files::removeOnSignals();
  std::vector<std::string> args(argv + 1, argv + argc);
  trevak::cli::runProcess(args);
}
