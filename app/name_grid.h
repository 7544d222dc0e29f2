// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableView>
#include <functional>

namespace trevak {

/// A pane's name grid: one column with a title row, the current row standing for the table's
/// current record. In the edit pane a name can be changed in place; Escape drops a change in
/// progress. There are no keys that add or remove records. Several rows can be selected (Shift,
/// Ctrl, Ctrl+A); the current row stays the table's current record.
class NameGrid final : public QTableView {
  Q_OBJECT

 public:
  explicit NameGrid(bool editable, QWidget* parent = nullptr);

  /// Called when the user makes another row current (click, arrow keys).
  void setRowActivated(std::function<void(int row)> handler);
  /// Called when the user first changes the text of a name being edited.
  void setEditStarted(std::function<void()> handler);
  /// Called, from the event loop, after the user accepted a changed name (Enter, or leaving
  /// the editor); not after Escape.
  void setNameCommitted(std::function<void()> handler);

  void setModel(QAbstractItemModel* model) override;

  /// Makes `row` current without calling the row-activated handler (the table moved).
  void showCurrentRow(int row);
  /// Writes the text of a name editor that is still open into the model and closes the editor.
  void commitOpenEditor();

 protected:
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  void onCurrentRowChanged(const QModelIndex& current, const QModelIndex& previous);

  std::function<void(int)> m_rowActivated;
  std::function<void()> m_editStarted;
  std::function<void()> m_nameCommitted;
  bool m_syncing = false;
};

}  // namespace trevak
