// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/grid_selection.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <algorithm>

namespace trevak {

std::vector<int> selectedRows(const QAbstractItemView& grid) {
  std::vector<int> rows;
  const QAbstractItemModel* model = grid.model();
  if (model == nullptr) return rows;
  const int count = model->rowCount();
  if (const QItemSelectionModel* selection = grid.selectionModel()) {
    for (const QItemSelectionRange& range : selection->selection()) {
      for (int row = range.top(); row <= range.bottom(); ++row) {
        if (row >= 0 && row < count) rows.push_back(row);
      }
    }
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  if (rows.empty()) {
    const int current = grid.currentIndex().row();
    if (current >= 0 && current < count) rows.push_back(current);
  }
  return rows;
}

}  // namespace trevak
