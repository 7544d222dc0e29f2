// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <functional>
#include <string_view>

#include "library/module_table.h"

namespace trevak {

class BodyView;
class ModuleListModel;
class NameGrid;

/// Binds a module table to its pane's name grid and body view. On every notification of the
/// table it brings both views up to date and then calls the pane's change handler. User input
/// in the views goes back the other way: a new row in the grid moves the table, the first
/// keystroke in a view opens the current record for change, and text still held by the views
/// is written into the record whenever the table stores it.
class DataSource {
 public:
  /// Reports a failure of a table operation started by user input in the views.
  using ErrorHandler = std::function<void(const std::exception&)>;

  DataSource(ModuleTable& table, ModuleListModel& model, NameGrid& grid, BodyView& body);
  ~DataSource();
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  /// The pane's change handler, called after the views were brought up to date.
  void setDataChangeHandler(std::function<void()> handler);
  void setErrorHandler(ErrorHandler handler);

  /// Brings the views up to date and calls the change handler, as a notification would.
  void refresh(NotificationKind kind = NotificationKind::DataSetChange);

 private:
  void writeBackViews();
  void runUserAction(const std::function<void()>& action);

  ModuleTable& m_table;
  ModuleListModel& m_model;
  NameGrid& m_grid;
  BodyView& m_body;
  std::function<void()> m_dataChange;
  ErrorHandler m_error;
};

}  // namespace trevak
