// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/edit_history.h"

#include <algorithm>
#include <utility>

#include "app/language.h"
#include "app/pretty_edit_library.h"
#include "app/undo_commands.h"
#include "library/library_commands.h"
#include "library/module_edits.h"

namespace trevak {

EditHistory::EditHistory(ModuleTable& table, std::function<void(const QString&)> refuse,
                         QObject* parent)
    : QObject(parent), m_table(table), m_refuse(std::move(refuse)) {
  m_table.setAfterPost([this] { editStored(); });
  connect(&m_stack, &QUndoStack::cleanChanged, this, &EditHistory::modifiedChanged);
}

EditHistory::~EditHistory() { m_table.setAfterPost({}); }

bool EditHistory::isModified() const {
  if (m_table.mode() == TableMode::Edit || m_stored) return true;
  return !m_stack.isClean() && std::find(m_earlierClean.begin(), m_earlierClean.end(),
                                         m_stack.index()) == m_earlierClean.end();
}

void EditHistory::recordOpened() {
  const int row = m_table.currentIndex();
  if (row < 0 || row >= m_table.RecordCount()) return;
  const ModuleRecord& record = m_table.recordAt(row);
  m_opened = Snapshot{record.creationNumber, record.nome_Componente, record.Comandos};
  m_stored = false;
  emit modifiedChanged();
}

void EditHistory::editStored() {
  if (!m_opened) return;
  m_stored = true;
  // The table may be in the middle of an operation (settling before a move): the step is taken
  // once it is done, or earlier by the next command's commitEdits.
  QMetaObject::invokeMethod(this, &EditHistory::takeStoredEdit, Qt::QueuedConnection);
}

void EditHistory::commitEdits() {
  if (m_table.mode() == TableMode::Edit) m_table.PostRecord();
  if (m_table.mode() == TableMode::Browse) takeStoredEdit();
}

void EditHistory::takeStoredEdit() {
  if (!m_stored || !m_opened) {
    // An edit dropped unchanged (Escape, then leaving the row) leaves nothing to take.
    if (m_opened && m_table.mode() == TableMode::Browse) {
      m_opened.reset();
      emit modifiedChanged();
    }
    return;
  }
  const Snapshot before = std::move(*m_opened);
  m_opened.reset();
  m_stored = false;
  const int row = m_table.rowOfCreationNumber(before.number);
  if (row < 0) return;
  const ModuleRecord& record = m_table.recordAt(row);
  CmdEditModule::Fields after{record.nome_Componente, record.Comandos};
  if (after.name != before.name) {
    const std::string newName = after.name.value_or(std::string());
    QString refusal;
    if (rowOfOtherName(m_table, newName, row) >= 0) {
      // Two modules of one name: KiCad would place the wrong one.
      refusal = libraryText(kDuplicateModuleMessage);
    } else if (record.format == ModuleFormat::KicadMod) {
      // The name inside the file (and the value text that was the old name) follows, and the
      // file name is made of it.
      if (std::optional<std::string> text =
              renamedFootprintText(after.body.value_or(std::string()), newName, &refusal)) {
        after.body = std::move(*text);
      }
    } else if (after.body) {
      after.body = followNameInLiLine(*after.body, before.name.value_or(std::string()), newName);
    }
    if (!refusal.isEmpty()) {
      // The old name goes back.
      m_table.setRecordAt(row, before.name, after.body);
      m_table.moveTo(m_table.rowOfCreationNumber(before.number));
      after.name = before.name;
      m_refuse(refusal);
    }
  }
  if (after.name != before.name || after.body != before.body) {
    m_stack.push(
        new CmdEditModule(m_table, before.number, {before.name, before.body}, std::move(after)));
  }
  emit modifiedChanged();
}

void EditHistory::push(QUndoCommand* command) {
  commitEdits();
  // The steps above the current one are dropped: a clean state among them is gone.
  const int index = m_stack.index();
  std::erase_if(m_earlierClean, [index](int clean) { return clean > index; });
  m_stack.push(command);
  emit modifiedChanged();
}

void EditHistory::markClean() {
  // A save may have written over a file that an earlier clean state stood for.
  m_earlierClean.clear();
  m_stack.setClean();
  emit modifiedChanged();
}

void EditHistory::pushNewStart(QUndoCommand* command) {
  commitEdits();
  const int before = m_stack.index();
  const bool wasClean = !isModified();
  push(command);
  m_stack.setClean();
  if (wasClean) m_earlierClean.push_back(before);
  emit modifiedChanged();
}

void EditHistory::clear() {
  m_opened.reset();
  m_stored = false;
  m_earlierClean.clear();
  m_stack.clear();
  emit modifiedChanged();
}

void EditHistory::undo() {
  commitEdits();
  m_stack.undo();
  emit modifiedChanged();
}

void EditHistory::redo() {
  commitEdits();
  m_stack.redo();
  emit modifiedChanged();
}

}  // namespace trevak
