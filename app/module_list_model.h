// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <string_view>

#include "library/module_table.h"

namespace trevak {

/// The name column of a module table, one row per module in table order, for a name grid.
/// Rows are read from the table on demand, so a library of any size costs nothing per row.
/// A record open for change shows its working copy; a pending new record is the last row.
class ModuleListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  /// `editable`: names can be changed in place (the edit pane); the search pane's is not.
  ModuleListModel(ModuleTable& table, bool editable, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  /// Writes a new name into the current record, which the grid opened for change when the
  /// user started typing. Any other row is refused.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  /// Brings the rows up to date after a table notification: a reset when the content or the
  /// number of rows changed, otherwise a change of the current row only.
  void refresh(NotificationKind kind);

 private:
  int tableRows() const;

  ModuleTable& m_table;
  bool m_editable;
  int m_rows = 0;
};

}  // namespace trevak
