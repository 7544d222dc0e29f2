// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/undo_commands.h"

#include <algorithm>

#include "library/library_commands.h"

namespace trevak {

namespace {

constexpr std::string_view kNamePlaceholder = ">NAME";

std::uint64_t currentNumber(const ModuleTable& table) {
  const int row = table.currentIndex();
  if (row < 0 || row >= table.RecordCount()) return 0;
  return table.recordAt(row).creationNumber;
}

void makeCurrent(ModuleTable& table, std::uint64_t number) {
  const int row = table.rowOfCreationNumber(number);
  if (row >= 0) table.moveTo(row);
}

void makeCurrentRow(ModuleTable& table, int row) {
  if (table.RecordCount() == 0) return;
  table.moveTo(std::clamp(row, 0, table.RecordCount() - 1));
}

// True when the records not named in `moved` stand in the same order as in `before`: then
// taking the moved ones out again restores the order without keeping it.
bool othersKeptTheirOrder(const std::vector<std::uint64_t>& before,
                          const std::vector<std::uint64_t>& after,
                          const std::vector<std::uint64_t>& moved) {
  auto isMoved = [&moved](std::uint64_t n) {
    return std::find(moved.begin(), moved.end(), n) != moved.end();
  };
  std::size_t i = 0;
  for (std::uint64_t n : after) {
    if (isMoved(n)) continue;
    while (i < before.size() && isMoved(before[i])) ++i;
    if (i >= before.size() || before[i] != n) return false;
    ++i;
  }
  return true;
}

}  // namespace

// --- copy -------------------------------------------------------------------------------------

CmdCopyModules::CmdCopyModules(ModuleTable& table, std::vector<ModuleRecord> modules,
                               LengthUnit unit)
    : QUndoCommand(QObject::tr("Copiar módulos")),
      m_table(table),
      m_modules(std::move(modules)),
      m_unit(unit) {}

void CmdCopyModules::redo() {
  const NotificationSuspension pause(m_table);
  if (!m_done) {
    m_unitBefore = m_table.unit();
    m_currentBefore = currentNumber(m_table);
    m_orderBefore = m_table.creationOrder();
  }
  int firstRow = -1;
  for (std::size_t i = 0; i < m_modules.size(); ++i) {
    if (!m_done) {
      // The table numbers a record on its first storing, as for any appended module.
      m_table.AppendRecord();
      m_table.SetField("nome_Componente", m_modules[i].nome_Componente.value_or(std::string()));
      m_table.SetField("Comandos", m_modules[i].Comandos.value_or(std::string()));
      m_table.PostRecord();
      const int row = m_table.currentIndex();
      if (m_modules[i].format != ModuleFormat::Legacy) {
        // A `.kicad_mod` footprint keeps its format and filter fields, which no field holds.
        ModuleRecord stored = m_table.takeRecordAt(row);
        stored.format = m_modules[i].format;
        stored.description = std::move(m_modules[i].description);
        stored.tags = std::move(m_modules[i].tags);
        m_table.insertRecordAt(row, std::move(stored));
        m_table.moveTo(row);
      }
      m_numbers.push_back(m_table.recordAt(row).creationNumber);
    } else {
      m_table.insertRecordAt(m_table.RecordCount(), std::move(m_modules[i]));
    }
    if (i == 0) firstRow = m_table.RecordCount() - 1;
  }
  m_modules.clear();
  if (m_table.unit() == LengthUnit::None) m_table.setUnit(m_unit);
  if (firstRow >= 0) m_table.moveTo(firstRow);
  m_table.SortByName();
  if (!m_done) {
    if (othersKeptTheirOrder(m_orderBefore, m_table.creationOrder(), m_numbers)) {
      m_orderBefore.clear();
      m_orderBefore.shrink_to_fit();
    }
    m_done = true;
  }
}

void CmdCopyModules::undo() {
  const NotificationSuspension pause(m_table);
  std::vector<std::pair<int, std::size_t>> rows;  // row, index into m_numbers
  for (std::size_t i = 0; i < m_numbers.size(); ++i) {
    rows.emplace_back(m_table.rowOfCreationNumber(m_numbers[i]), i);
  }
  std::sort(rows.rbegin(), rows.rend());
  m_modules.assign(m_numbers.size(), ModuleRecord{});
  for (const auto& [row, index] : rows) {
    if (row >= 0) m_modules[index] = m_table.takeRecordAt(row);
  }
  if (!m_orderBefore.empty()) m_table.restoreCreationOrder(m_orderBefore);
  m_table.setUnit(m_unitBefore);
  makeCurrent(m_table, m_currentBefore);
}

// --- delete -----------------------------------------------------------------------------------

CmdDeleteModules::CmdDeleteModules(ModuleTable& table, std::vector<int> rows)
    : QUndoCommand(QObject::tr("Apagar módulos")), m_table(table), m_rows(std::move(rows)) {}

void CmdDeleteModules::redo() {
  const NotificationSuspension pause(m_table);
  m_currentBefore = m_table.currentIndex();
  m_taken.assign(m_rows.size(), ModuleRecord{});
  for (std::size_t i = m_rows.size(); i-- > 0;) m_taken[i] = m_table.takeRecordAt(m_rows[i]);
  if (!m_rows.empty()) makeCurrentRow(m_table, m_rows.front());
}

void CmdDeleteModules::undo() {
  const NotificationSuspension pause(m_table);
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    m_table.insertRecordAt(m_rows[i], std::move(m_taken[i]));
  }
  m_taken.clear();
  makeCurrentRow(m_table, m_currentBefore);
}

// --- a typed change ---------------------------------------------------------------------------

CmdEditModule::CmdEditModule(ModuleTable& table, std::uint64_t number, Fields before, Fields after)
    : QUndoCommand(before.name != after.name ? QObject::tr("Renomear módulo")
                                             : QObject::tr("Editar comandos")),
      m_table(table),
      m_number(number),
      m_before(std::move(before)),
      m_after(std::move(after)) {}

void CmdEditModule::redo() {
  const NotificationSuspension pause(m_table);
  const int row = m_table.rowOfCreationNumber(m_number);
  if (row < 0) return;
  if (!m_done) {
    m_current = currentNumber(m_table);
    m_rowBefore = row;
  }
  const bool renamed = m_before.name != m_after.name;
  if (renamed && !m_done) m_orderBefore = m_table.creationOrder();
  m_table.setRecordAt(row, m_after.name, m_after.body);
  makeCurrent(m_table, m_current);
  if (renamed) m_table.SortByName();
  if (!m_done) {
    if (renamed && othersKeptTheirOrder(m_orderBefore, m_table.creationOrder(), {m_number})) {
      m_orderBefore.clear();
      m_orderBefore.shrink_to_fit();
    }
    m_done = true;
  }
}

void CmdEditModule::undo() {
  const NotificationSuspension pause(m_table);
  int row = m_table.rowOfCreationNumber(m_number);
  if (row < 0) return;
  m_table.setRecordAt(row, m_before.name, m_before.body);
  if (!m_orderBefore.empty()) {
    m_table.restoreCreationOrder(m_orderBefore);
  } else if (row != m_rowBefore) {
    m_table.insertRecordAt(m_rowBefore, m_table.takeRecordAt(row));
  }
  // The module whose text changes back is the one to look at.
  makeCurrent(m_table, m_number);
}

// --- values worked out beforehand ------------------------------------------------------------

CmdSetModules::CmdSetModules(ModuleTable& table, std::vector<Change> changes)
    : m_table(table), m_changes(std::move(changes)) {}

void CmdSetModules::swapValues() {
  const NotificationSuspension pause(m_table);
  for (Change& change : m_changes) {
    const int row = m_table.rowOfCreationNumber(change.number);
    if (row < 0) continue;
    const ModuleRecord& record = m_table.recordAt(row);
    Change old{change.number, record.nome_Componente, record.Comandos};
    m_table.setRecordAt(row, std::move(change.name), std::move(change.body));
    change = std::move(old);
  }
}

void CmdSetModules::redo() {
  if (m_changes.empty()) {
    setObsolete(true);
    return;
  }
  swapValues();
}

void CmdSetModules::undo() { swapValues(); }

// --- whole-library rewrites -------------------------------------------------------------------

CmdRewriteModules::CmdRewriteModules(ModuleTable& table, Field field)
    : m_table(table), m_field(field) {}

void CmdRewriteModules::redo() {
  const NotificationSuspension pause(m_table);
  if (!m_done) {
    m_currentBefore = m_table.currentIndex();
    for (int row = 0; row < m_table.RecordCount(); ++row) {
      const ModuleRecord& record = m_table.recordAt(row);
      const std::optional<std::string>& old =
          m_field == Field::Name ? record.nome_Componente : record.Comandos;
      std::string value = rewrite(record);
      if (value == old.value_or(std::string())) continue;
      m_changes.emplace_back(row, old);
      if (m_field == Field::Name) {
        m_table.setRecordAt(row, std::move(value), record.Comandos);
      } else {
        m_table.setRecordAt(row, record.nome_Componente, std::move(value));
      }
    }
    m_done = true;
    // Nothing to undo: the stack leaves the command out.
    if (m_changes.empty()) setObsolete(true);
  } else {
    for (const auto& [row, old] : m_changes) {
      const ModuleRecord& record = m_table.recordAt(row);
      ModuleRecord before = record;
      (m_field == Field::Name ? before.nome_Componente : before.Comandos) = old;
      std::string value = rewrite(before);
      if (m_field == Field::Name) {
        m_table.setRecordAt(row, std::move(value), record.Comandos);
      } else {
        m_table.setRecordAt(row, record.nome_Componente, std::move(value));
      }
    }
  }
  // The walk leaves the user on the module they were on; the rows kept their places.
  makeCurrentRow(m_table, m_currentBefore);
}

void CmdRewriteModules::undo() {
  const NotificationSuspension pause(m_table);
  for (const auto& [row, old] : m_changes) {
    const ModuleRecord& record = m_table.recordAt(row);
    if (m_field == Field::Name) {
      m_table.setRecordAt(row, old, record.Comandos);
    } else {
      m_table.setRecordAt(row, record.nome_Componente, old);
    }
  }
  makeCurrentRow(m_table, m_currentBefore);
}

CmdStripPrefix::CmdStripPrefix(ModuleTable& table, const std::string& caption)
    : CmdRewriteModules(table, Field::Name), m_prefix(libraryBaseName(caption) + "-") {
  setText(QObject::tr("Tirar prefixo"));
  // Planned once, on the library as it is now: equal old names get equal new ones.
  StripPlan plan = planStripPrefix(table, caption);
  for (int row = 0; row < table.RecordCount(); ++row) {
    const std::string old = table.recordAt(row).nome_Componente.value_or(std::string());
    std::string& name = plan.names[static_cast<std::size_t>(row)];
    if (name != old) m_newNames.emplace(old, std::move(name));
  }
  m_kept = std::move(plan.kept);
}

std::string CmdStripPrefix::rewrite(const ModuleRecord& record) const {
  const std::string name = record.nome_Componente.value_or(std::string());
  const auto found = m_newNames.find(name);
  return found == m_newNames.end() ? name : found->second;
}

CmdFillNames::CmdFillNames(ModuleTable& table) : CmdRewriteModules(table, Field::Body) {
  setText(QObject::tr("Copiar nome"));
}

std::string CmdFillNames::rewrite(const ModuleRecord& record) const {
  return replaceAll(record.Comandos.value_or(std::string()), kNamePlaceholder,
                    record.nome_Componente.value_or(std::string()));
}

// --- new library ------------------------------------------------------------------------------

CmdNewLibrary::CmdNewLibrary(ModuleTable& table, NameSetter setName, QString captionBefore,
                             QString fileBefore)
    : QUndoCommand(QObject::tr("Nova biblioteca")),
      m_table(table),
      m_setName(std::move(setName)),
      m_captionBefore(std::move(captionBefore)),
      m_fileBefore(std::move(fileBefore)) {}

void CmdNewLibrary::redo() {
  const NotificationSuspension pause(m_table);
  m_currentBefore = m_table.currentIndex();
  m_unitBefore = m_table.unit();
  m_records.resize(static_cast<std::size_t>(m_table.RecordCount()));
  for (std::size_t i = m_records.size(); i-- > 0;) {
    m_records[i] = m_table.takeRecordAt(static_cast<int>(i));
  }
  newLibrary(m_table);
  m_setName(QString::fromUtf8(kNewLibraryCaption.data(),
                              static_cast<qsizetype>(kNewLibraryCaption.size())),
            QString());
}

void CmdNewLibrary::undo() {
  const NotificationSuspension pause(m_table);
  m_table.Clear();
  for (std::size_t i = 0; i < m_records.size(); ++i) {
    m_table.insertRecordAt(static_cast<int>(i), std::move(m_records[i]));
  }
  m_records.clear();
  m_table.setUnit(m_unitBefore);
  makeCurrentRow(m_table, m_currentBefore);
  m_setName(m_captionBefore, m_fileBefore);
}

}  // namespace trevak
