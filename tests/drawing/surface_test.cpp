// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/surface.h"

#include <gtest/gtest.h>

TEST(Surface, WorkingSurfaceIsTwoThousandSquare) { EXPECT_EQ(trevak::Surface::kSize, 2000); }
