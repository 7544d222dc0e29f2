// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace trevak::cli {

/// Runs trevak-cli with its arguments (without the program name), writing to `out` and `err`.
/// Returns the process exit status: 0 success, 1 a refusal or a missing module, 2 a usage or
/// file error.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace trevak::cli
