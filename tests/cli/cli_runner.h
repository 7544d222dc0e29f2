// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
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

/// What a whole program run printed (standard error joined to its output) and returned.
struct ProgramResult {
  int status = -1;
  std::string out;
};

/// Runs a shell command line as its own process.
inline ProgramResult runProgram(const std::string& command) {
  ProgramResult r;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
  const int wait = ::pclose(pipe);
  r.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return r;
}

}  // namespace trevak::test
