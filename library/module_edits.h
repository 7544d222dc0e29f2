// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
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

/// A module whose pads fit the other unit far better than its library's, as a copy that did not
/// convert leaves it: a millimetre library whose pads measure hundreds of millimetres, a decimil
/// library whose pads measure tenths of a decimil.
struct UnitMismatch {
  LengthUnit likelier = LengthUnit::None;  ///< the unit the numbers were written in
  double medianPadSideMm = 0;               ///< the pads' median smaller side, read in the library's unit
};

/// Judges a body of a library in `unit` by the median of its pads' smaller sides and by how its
/// pad sizes and positions are written (decimil files hold whole numbers). A millimetre library:
/// over 100 mm (a decimil pad of 1 mm reads as 394 mm), or from 10 mm with every number whole.
/// A decimil library: under 0.01 mm, or under 0.06 mm (a millimetre pad of 1.5 mm reads as
/// 0.004 mm) with most numbers fractions. Modules without pads are not judged.
std::optional<UnitMismatch> findUnitMismatch(std::string_view body, LengthUnit unit);

/// What a copy of several modules takes and leaves out.
struct CopyPlan {
  /// The modules to add, in the search library's table order: names, and bodies in `unit`.
  std::vector<ModuleRecord> modules;
  /// Names left out because the edit library (or an earlier module of the same copy) has them.
  std::vector<std::string> duplicates;
  /// The edit library's unit after the copy: its own when it has one, else that of the first
  /// copied module's own library (LengthUnit::None when nothing is copied and none is known).
  LengthUnit unit = LengthUnit::None;
  /// Names left out because they are `.kicad_mod` footprints, which a legacy edit library
  /// cannot hold (their text is no body of legacy lines).
  std::vector<std::string> otherFormat;
};

/// The unit of a search record's lengths: its own library's in a set of libraries, the
/// table's otherwise (or when its library's unit is not known).
LengthUnit unitOfRecord(const ModuleTable& search, const ModuleRecord& record);

/// Plans the copy of the search library's records at `rows` (ascending) into `edit`. Each body
/// is converted from the unit of its own library (unitOfRecord), so that a set of libraries
/// holding both units gives an edit library in one unit.
CopyPlan planCopy(const ModuleTable& search, const std::vector<int>& rows, const ModuleTable& edit);

}  // namespace trevak
