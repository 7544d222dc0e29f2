// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "library/module_table.h"

namespace trevak {

class ModuleNameCollator;

/// Two names equal as LocateName sees them (the collation, letter case ignored). Names made of
/// ASCII alone are compared by folding a to z, without collating.
bool sameModuleName(const ModuleNameCollator& collator, std::string_view a, std::string_view b);

/// Row of the first stored record other than `exceptRow` whose name equals `name` as
/// sameModuleName says; -1 when there is none. A rename must not create a second such name:
/// KiCad would list the second module under another name.
int rowOfOtherName(const ModuleTable& table, std::string_view name, int exceptRow);

/// The body with its `Li` line following a rename: a line whose first word is "Li" and whose
/// rest is exactly `oldName` gets `newName` instead, its leading part kept. Other lines, and a
/// `Li` line naming something else, stay as they are.
std::string followNameInLiLine(std::string_view body, std::string_view oldName,
                               std::string_view newName);

/// A body taken from a library in unit `from` for one in unit `to`, as the copy command takes
/// it: lengths converted when both units are known and differ, the body as it is otherwise.
std::string bodyInUnit(std::string body, LengthUnit from, LengthUnit to);

/// What a copy of several modules takes and leaves out.
struct CopyPlan {
  /// The modules to add, in the search library's table order: names, and bodies in the edit
  /// library's unit.
  std::vector<ModuleRecord> modules;
  /// Names left out because the edit library (or an earlier module of the same copy) has them.
  std::vector<std::string> duplicates;
  /// Names left out because they are `.kicad_mod` footprints, which a legacy edit library
  /// cannot hold (their text is no body of legacy lines).
  std::vector<std::string> otherFormat;
};

/// Plans the copy of the search library's records at `rows` (ascending) into `edit`.
CopyPlan planCopy(const ModuleTable& search, const std::vector<int>& rows, const ModuleTable& edit);

}  // namespace trevak
