// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include <ostream>

namespace trevak::cli {

namespace {

constexpr const char* kUsage =
    "usage: trevak-cli COMMAND [ARGS...]\n"
    "\n"
    "  --help       this text\n"
    "  --version    the program's version\n";

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  const std::string& command = args.front();
  if (command == "--help" || command == "-h") {
    out << kUsage;
    return 0;
  }
  if (command == "--version") {
    out << "trevak-cli 0.15 (20070705i)\n";
    return 0;
  }
  err << "trevak-cli: unknown command '" << command << "'\n" << kUsage;
  return 2;
}

}  // namespace trevak::cli
