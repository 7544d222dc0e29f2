// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "library/module_items.h"
#include "library/module_table.h"

namespace trevak {

/// Where a footprint comes from, for the head of its inspect object.
struct InspectOrigin {
  std::string_view name;     ///< the footprint's name
  std::string_view library;  ///< the library's nickname
  bool legacy = false;       ///< "format": "legacy" rather than "kicad_mod"
  int version = 0;           ///< `(version N)`, 0 for KiCad 5 and legacy modules
};

/// One footprint as one line of JSON (no line end): name, library, format, version,
/// description, tags, attributes, pads, graphics, texts, models and extent, for scripts and
/// KiCad's check. `items` must hold KiCad's layer names (as parseKicadMod gives them); lengths
/// are whole nanometres, y down, angles in degrees. Pad layer lists are sorted with their
/// wildcards expanded for a two-layer board; arcs are given by start, mid and end, circles by
/// centre and a point on them, curves by start, two controls and end. Strings that are not
/// UTF-8 are read as Latin-1. The extent holds pads and graphics, texts left out.
std::string inspectJson(const InspectOrigin& origin, const ModuleItems& items);

/// The inspect line of a legacy module: mapped as the export maps it (its `.kicad_mod` text
/// read back), so that both formats give the same object for the same footprint.
std::string inspectLegacyJson(std::string_view name, std::string_view library,
                              std::string_view body, LengthUnit unit);

}  // namespace trevak
