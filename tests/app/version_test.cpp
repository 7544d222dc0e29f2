// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/version.h"

#include <gtest/gtest.h>

#include <string>

TEST(Version, MatchesTheTitleVersion) { EXPECT_EQ(std::string(trevak::versionText()), "0.15 (20070705i)"); }
