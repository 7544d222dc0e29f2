// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/commands.h"

namespace trevak::test {

/// What one trevak-cli run printed and returned.
struct CliResult {
  int status;
  std::string out;
  std::string err;
};

/// Runs trevak-cli in process with the given arguments (without the program name); `render`
/// too, as trevak-cli-render runs it.
inline CliResult runCli(const std::vector<std::string>& args) {
  trevak::cli::setRenderCommand(trevak::cli::cmdRender);
  std::ostringstream out, err;
  const int status = trevak::cli::run(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace trevak::test
