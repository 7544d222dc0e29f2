// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "cli_runner.h"

namespace trevak::test {
namespace {

TEST(CliUsage, HelpAndVersionSucceedUnknownCommandIsAUsageError) {
  CliResult r = runCli({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("usage"), std::string::npos);
  r = runCli({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("0.15"), std::string::npos);
  r = runCli({"frobnicate"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("frobnicate"), std::string::npos);
  EXPECT_EQ(runCli({}).status, 2);
}

}  // namespace
}  // namespace trevak::test
