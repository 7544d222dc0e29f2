// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <string_view>

namespace trevak {

/// The collation of module names: the user's locale (the default QLocale at construction),
/// letter case ignored, each byte taken as the Latin-1 character of the same code so that any
/// byte string has a place in the order. In the C locale the order is that of the case-folded
/// characters' codes.
class ModuleNameCollator {
 public:
  ModuleNameCollator();

  /// The collation key of a name. Two keys compare (compareModuleNames) as their names do, so
  /// a table can key each record once and sort or search without collating again.
  QCollatorSortKey sortKey(std::string_view name) const;

  /// Whether two names collate equal, without making their keys: the collation compares the
  /// texts step by step, far cheaper than two keys when only one question is asked of a name.
  bool equal(std::string_view a, std::string_view b) const;

 private:
  // The text that is collated for a name.
  QString collated(std::string_view name) const;

  QCollator m_collator;
  bool m_foldFirst = false;  // the keys alone would tell letter case apart
};

/// Orders two names by their keys: negative, zero or positive. This is the one comparison
/// behind the table's sort and LocateName; the text overload in module_table.h keys both names
/// and calls it.
int compareModuleNames(const QCollatorSortKey& a, const QCollatorSortKey& b);

}  // namespace trevak
