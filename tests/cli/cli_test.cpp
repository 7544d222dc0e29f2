// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

int runCli(const std::vector<std::string>& args, std::string* out, std::string* err) {
  std::ostringstream o, e;
  const int status = trevak::cli::run(args, o, e);
  *out = o.str();
  *err = e.str();
  return status;
}

}  // namespace

TEST(CliUsage, HelpAndVersionSucceedUnknownCommandIsAUsageError) {
  std::string out, err;
  EXPECT_EQ(runCli({"--help"}, &out, &err), 0);
  EXPECT_NE(out.find("usage"), std::string::npos);
  EXPECT_EQ(runCli({"--version"}, &out, &err), 0);
  EXPECT_NE(out.find("0.15"), std::string::npos);
  EXPECT_EQ(runCli({"frobnicate"}, &out, &err), 2);
  EXPECT_NE(err.find("frobnicate"), std::string::npos);
  EXPECT_EQ(runCli({}, &out, &err), 2);
}
