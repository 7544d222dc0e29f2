// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/record_items.h"

#include "library/kicad_mod_reader.h"

namespace trevak {

bool moduleItemsOf(std::string_view body, ModuleFormat format, LengthUnit unit, ModuleItems& items,
                   std::string* error) {
  if (format == ModuleFormat::Legacy) {
    parseModuleItems(body, unit, items);
    return true;
  }
  const KicadModInfo info = parseKicadMod(body, items);
  if (!info.ok && error != nullptr) {
    *error = info.tooNew || info.line <= 0 ? info.error
                                           : "line " + std::to_string(info.line) + ", column " +
                                                 std::to_string(info.column) + ": " + info.error;
  }
  return info.ok;
}

}  // namespace trevak
