// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

class QAbstractItemView;

namespace trevak {

/// The rows a command takes from a name grid: every selected row in table order, or the current
/// row alone when none is selected; empty when the grid shows no row.
std::vector<int> selectedRows(const QAbstractItemView& grid);

}  // namespace trevak
