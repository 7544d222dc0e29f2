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

/// run() for the program's main(), writing to the standard streams: flushes the output and ends
/// the process with the status (2 when the output could not be written). What list and show
/// loaded is left to the system, which takes a process's memory back at once, instead of being
/// freed piece by piece just before the end.
/// `render` is run by another program, trevak-cli-render, which runProcess starts in its place,
/// unless this process has the drawing commands itself.
[[noreturn]] void runProcess(const std::vector<std::string>& args);

/// The drawing commands in this process (trevak-cli-render and the tests have them): `render`
/// then runs `command` in place of starting trevak-cli-render.
using CommandFunction = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
void setRenderCommand(CommandFunction command);

}  // namespace trevak::cli
