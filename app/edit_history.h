// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "library/module_table.h"

namespace trevak {

/// The history of the edit library: its undo stack, whose clean state is the modified flag, and
/// the turning of the user's typing (a name in the grid, a body in the body view) into undoable
/// steps. A typed change becomes a step once the table stores it; a new name that another
/// module already has is refused and the old name put back.
class EditHistory final : public QObject {
  Q_OBJECT

 public:
  /// `refuse` shows a refusal (the duplicate-name message) to the user.
  EditHistory(ModuleTable& table, std::function<void(const QString&)> refuse,
              QObject* parent = nullptr);
  ~EditHistory() override;

  QUndoStack& stack() { return m_stack; }

  /// True while the edit library differs from what was last loaded, saved or started empty:
  /// a record open for typing, a typed change not yet taken, or a history away from its clean
  /// state.
  bool isModified() const;

  /// Stores a record still open for typing and takes the typed change into the history. Every
  /// command calls this first, so a step never lands in the middle of another.
  void commitEdits();
  /// Runs `command` as one step (a command that made itself obsolete is left out).
  void push(QUndoCommand* command);
  /// The after-edit hook of the edit library: the user started typing into the current record.
  void recordOpened();
  /// The saved or freshly loaded state: the current state becomes the clean one.
  void markClean();
  /// Runs `command`, which starts a new, empty library, as one step whose result is clean. When
  /// the library it replaces was clean too (unchanged since its file was loaded or saved),
  /// undoing the step brings that library back clean as well.
  void pushNewStart(QUndoCommand* command);
  /// Loading another library: the history is forgotten.
  void clear();
  void undo();
  void redo();

 signals:
  /// The modified flag may have changed.
  void modifiedChanged();

 private:
  void editStored();
  void takeStoredEdit();

  struct Snapshot {
    std::uint64_t number = 0;
    std::optional<std::string> name;
    std::optional<std::string> body;
  };

  ModuleTable& m_table;
  std::function<void(const QString&)> m_refuse;
  QUndoStack m_stack;
  std::optional<Snapshot> m_opened;  // the record as it was when typing began
  bool m_stored = false;             // the typed change was stored and waits to be taken
  // Clean indexes below the stack's own: libraries that new starts replaced, as their files
  // still hold them.
  std::vector<int> m_earlierClean;
};

}  // namespace trevak
