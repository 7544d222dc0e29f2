// SPDX-License-Identifier: GPL-3.0-or-later
// trevak-cli-render: trevak-cli's drawing commands, run by trevak-cli as `render ...`.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/commands.h"

int main(int argc, char* argv[]) {
  std::ios::sync_with_stdio(false);
  trevak::cli::setRenderCommand(trevak::cli::cmdRender);
  std::vector<std::string> args(argv + 1, argv + argc);
  trevak::cli::runProcess(args);
}
