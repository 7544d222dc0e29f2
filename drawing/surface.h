// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace trevak {

/// Placeholder for the raster drawing surface.
class Surface {
 public:
  static constexpr int kSize = 2000;
};

}  // namespace trevak
