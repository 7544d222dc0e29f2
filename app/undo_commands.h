// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUndoCommand>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "library/module_table.h"

namespace trevak {

// One class per change of the edit library. Each keeps only what its change touches (the
// records it adds or removes, the fields it rewrites, the order when a sort moved more than
// its own records), never a copy of the whole library, and puts back the current module.
// Every redo and undo sends the table's views one notification.

/// Copies modules into the edit library: appends them, gives the library the search library's
/// unit while it has none, makes the first one current and sorts by name.
class CmdCopyModules final : public QUndoCommand {
 public:
  /// `modules`: names and bodies, the bodies already in `unit`, the unit the edit library takes
  /// when it has none (CopyPlan::unit). A `.kicad_mod` record keeps its format.
  CmdCopyModules(ModuleTable& table, std::vector<ModuleRecord> modules, LengthUnit unit);
  void redo() override;
  void undo() override;

 private:
  ModuleTable& m_table;
  std::vector<ModuleRecord> m_modules;  // held here while undone
  std::vector<std::uint64_t> m_numbers;
  LengthUnit m_unit;
  LengthUnit m_unitBefore = LengthUnit::None;
  std::uint64_t m_currentBefore = 0;
  std::vector<std::uint64_t> m_orderBefore;  // only when the sort moved other modules
  bool m_done = false;
};

/// Deletes modules of the edit library; the module that followed the first of them becomes
/// current (or the new last one).
class CmdDeleteModules final : public QUndoCommand {
 public:
  /// `rows` in ascending order.
  CmdDeleteModules(ModuleTable& table, std::vector<int> rows);
  void redo() override;
  void undo() override;

 private:
  ModuleTable& m_table;
  std::vector<int> m_rows;
  std::vector<ModuleRecord> m_taken;
  int m_currentBefore = -1;
};

/// A change typed into one module (its name in the grid, its body in the body view). The
/// change is in the table already when the command is made; a new name puts the module at
/// its place in name order.
class CmdEditModule final : public QUndoCommand {
 public:
  struct Fields {
    std::optional<std::string> name;
    std::optional<std::string> body;
  };
  CmdEditModule(ModuleTable& table, std::uint64_t number, Fields before, Fields after);
  void redo() override;
  void undo() override;

 private:
  ModuleTable& m_table;
  std::uint64_t m_number;
  Fields m_before;
  Fields m_after;
  std::uint64_t m_current = 0;
  int m_rowBefore = -1;
  std::vector<std::uint64_t> m_orderBefore;  // only when the sort moved other modules
  bool m_done = false;
};

/// Changes every module's name or body by a rule that depends on the old value only (the
/// strip-prefix and fill-names commands); keeps the old values of the records it changed. The
/// module that was current stays current (its row is unchanged). A rewrite that
/// changed nothing makes itself obsolete, so the history leaves it out.
class CmdRewriteModules : public QUndoCommand {
 public:
  enum class Field { Name, Body };
  void redo() override;
  void undo() override;

 protected:
  CmdRewriteModules(ModuleTable& table, Field field);
  /// The new value of the field for a record.
  virtual std::string rewrite(const ModuleRecord& record) const = 0;

 private:
  ModuleTable& m_table;
  Field m_field;
  std::vector<std::pair<int, std::optional<std::string>>> m_changes;  // row, old value
  int m_currentBefore = -1;
  bool m_done = false;
};

/// Removes "B-" and then "B-" in capitals from every name (B the library's base name), except
/// where that would leave a name empty or equal to another (planStripPrefix).
class CmdStripPrefix final : public CmdRewriteModules {
 public:
  CmdStripPrefix(ModuleTable& table, const std::string& caption);
  /// "B-", the prefix removed.
  const std::string& prefix() const { return m_prefix; }
  /// The names that keep their prefix, since stripping it would leave them empty or taken.
  const std::vector<std::string>& kept() const { return m_kept; }

 private:
  std::string rewrite(const ModuleRecord& record) const override;
  std::string m_prefix;
  std::unordered_map<std::string, std::string> m_newNames;  // old name, new name
  std::vector<std::string> m_kept;
};

/// Writes each module's name over the ">NAME" placeholders of its body.
class CmdFillNames final : public CmdRewriteModules {
 public:
  explicit CmdFillNames(ModuleTable& table);

 private:
  std::string rewrite(const ModuleRecord& record) const override;
};

/// Gives modules names and bodies worked out beforehand, each name and body together (the
/// strip-prefix and fill-names of a `.pretty` library, whose footprint text follows its name);
/// keeps the old values of the records it changes. No change: the command is obsolete.
class CmdSetModules final : public QUndoCommand {
 public:
  struct Change {
    std::uint64_t number = 0;  ///< the record's creation number
    std::optional<std::string> name;
    std::optional<std::string> body;
  };
  CmdSetModules(ModuleTable& table, std::vector<Change> changes);
  void redo() override;
  void undo() override;

 private:
  void swapValues();
  ModuleTable& m_table;
  std::vector<Change> m_changes;  // the values the records do not hold now
};

/// Empties the edit library and names it "nova"; undo puts every module back, with the file
/// name shown before.
class CmdNewLibrary final : public QUndoCommand {
 public:
  using NameSetter = std::function<void(const QString& caption, const QString& file)>;
  /// `setName` shows a caption and sets the file a plain save writes to.
  CmdNewLibrary(ModuleTable& table, NameSetter setName, QString captionBefore, QString fileBefore);
  void redo() override;
  void undo() override;

 private:
  ModuleTable& m_table;
  NameSetter m_setName;
  QString m_captionBefore;
  QString m_fileBefore;
  std::vector<ModuleRecord> m_records;
  LengthUnit m_unitBefore = LengthUnit::None;
  int m_currentBefore = -1;
};

}  // namespace trevak
