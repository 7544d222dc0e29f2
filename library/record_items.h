// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "library/module_items.h"
#include "library/module_table.h"

namespace trevak {

/// The typed items of a module in either format: a legacy body through parseModuleItems in
/// `unit`, a `.kicad_mod` text through parseKicadMod (its lengths are its own). Every reader of
/// a record's contents (the exact drawing, the export, inspect, check) goes through here rather
/// than asking which format it holds. Returns false when a `.kicad_mod` text does not read:
/// `items` are then empty and `error` (when given) says why, with line and column.
bool moduleItemsOf(std::string_view body, ModuleFormat format, LengthUnit unit, ModuleItems& items,
                   std::string* error = nullptr);

/// moduleItemsOf for a stored record.
inline bool moduleItemsOf(const ModuleRecord& record, LengthUnit unit, ModuleItems& items,
                          std::string* error = nullptr) {
  return moduleItemsOf(record.Comandos ? std::string_view(*record.Comandos) : std::string_view(),
                       record.format, unit, items, error);
}

}  // namespace trevak
