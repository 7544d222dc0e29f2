// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/data_source.h"

#include <utility>

#include "app/body_view.h"
#include "app/module_list_model.h"
#include "app/name_grid.h"

namespace trevak {

DataSource::DataSource(ModuleTable& table, ModuleListModel& model, NameGrid& grid, BodyView& body)
    : m_table(table), m_model(model), m_grid(grid), m_body(body) {
  m_table.setOnDataChange([this](NotificationKind kind, std::string_view) { refresh(kind); });
  m_table.setUpdateRecord([this] { writeBackViews(); });
  m_grid.setRowActivated([this](int row) { runUserAction([this, row] { m_table.moveTo(row); }); });
  m_grid.setEditStarted([this] { runUserAction([this] { m_table.EditRecord(); }); });
  m_body.setEditStarted([this] { runUserAction([this] { m_table.EditRecord(); }); });
}

DataSource::~DataSource() {
  m_table.setOnDataChange({});
  m_table.setUpdateRecord({});
  m_grid.setRowActivated({});
  m_grid.setEditStarted({});
  m_body.setEditStarted({});
}

void DataSource::setDataChangeHandler(std::function<void()> handler) {
  m_dataChange = std::move(handler);
}

void DataSource::setErrorHandler(ErrorHandler handler) { m_error = std::move(handler); }

void DataSource::refresh(NotificationKind kind) {
  m_model.refresh(kind);
  m_grid.showCurrentRow(m_table.currentIndex());
  // Text the user is typing into an open record stays; once the record was stored or dropped
  // (the table is browsing again) the view shows the table.
  if (!m_body.hasUnsavedText() || m_table.mode() == TableMode::Browse) {
    m_body.load(m_table.IsEmpty() ? std::string() : m_table.GetField("Comandos"));
  }
  // With no record there is nothing to type into; typing would make a nameless module. A
  // footprint file's text is shown as it is: typing into it would break its lines.
  const int row = m_table.currentIndex();
  const bool fileText = row >= 0 && row < m_table.RecordCount() &&
                        m_table.recordAt(row).format == ModuleFormat::KicadMod;
  m_body.setReadOnly(m_table.IsEmpty() || fileText);
  if (m_dataChange) m_dataChange();
}

void DataSource::writeBackViews() {
  m_grid.commitOpenEditor();
  if (m_body.hasUnsavedText()) {
    std::string body = m_body.body();
    m_body.markSaved(body);
    m_table.SetField("Comandos", body);
  }
}

void DataSource::runUserAction(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    if (m_error) {
      m_error(e);
    } else {
      throw;
    }
  }
}

}  // namespace trevak
