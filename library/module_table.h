// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace trevak {

/// A misuse of a module table: "Field '%s' not found", "Dataset not in edit or insert mode",
/// "Cannot perform this operation on an empty dataset".
class DataSetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The length unit of a library's coordinates.
enum class LengthUnit {
  None,      ///< not known yet (a new, empty edit library)
  Decimil,   ///< 1/10000 inch, the classic format
  Millimetre ///< "Units mm" libraries
};

/// One module. Fields are null until set; a null text reads as empty text.
struct ModuleRecord {
  std::optional<std::string> nome_Componente;  ///< at most 60 bytes, no NUL
  std::optional<std::string> Comandos;         ///< body lines, each followed by one CR
  std::optional<std::int32_t> Ilhas;           ///< never used; always null
  std::uint64_t creationNumber = 0;
};

/// What a change notification is about. The data sources treat all kinds alike; the kind is
/// kept for tests and for views that refresh one field only.
enum class NotificationKind { DataSetChange, RecordChange, Scroll, FieldChange };

/// The cursor mode of a table.
enum class TableMode { Browse, Edit, Insert };

/// An in-memory footprint library with a current record, in the manner of a data set:
/// modes, settling, suspendable change notifications and an after-edit hook.
class ModuleTable {
 public:
  /// Called for every notification while notifications are not suspended. `field` is the
  /// declared field name for a field change, empty otherwise.
  using DataChangeHandler = std::function<void(NotificationKind kind, std::string_view field)>;

  static constexpr int kNameLimit = 60;
  static constexpr int kCapacity = 5000;

  ModuleTable();
  ~ModuleTable();
  ModuleTable(const ModuleTable&) = delete;
  ModuleTable& operator=(const ModuleTable&) = delete;

  // --- wiring -----------------------------------------------------------------------------
  void setOnDataChange(DataChangeHandler handler);
  /// Raised by EditRecord after the record was opened for change.
  void setAfterEdit(std::function<void()> handler);
  /// Called at the start of every store of an open working copy (PostRecord or settling), so
  /// that views holding unsaved text can write it with SetField first.
  void setUpdateRecord(std::function<void()> handler);

  // --- the operations ---------------------------------------------------------------------
  void Clear();
  void SortByName();
  bool LocateName(std::string_view name);
  void AppendRecord();
  void EditRecord();
  void PostRecord();
  void DeleteRecord();
  void MoveFirst();
  void MoveNext();
  void MovePrior();
  void MoveLast();
  bool AtEnd() const;
  bool IsEmpty() const;
  int RecordCount() const;
  void SuspendNotifications();
  void ResumeNotifications();
  int Capacity() const { return kCapacity; }

  /// Reads a field of the current record (or of the working copy while one is open). The name
  /// is matched ignoring case. Unknown names throw DataSetError.
  std::string GetField(std::string_view field) const;
  /// Writes a field of the working copy; throws DataSetError while browsing.
  void SetField(std::string_view field, std::string_view value);

  // --- for views and tools ----------------------------------------------------------------
  TableMode mode() const;
  /// Position of the current record in table order; -1 when there is none. While a new record
  /// is pending, its position is RecordCount() (after the last stored record).
  int currentIndex() const;
  /// Stored record at a position, 0 <= row < RecordCount().
  const ModuleRecord& recordAt(int row) const;
  /// Settles, then makes the stored record at `row` current (a grid click). Out-of-range rows
  /// are ignored.
  void moveTo(int row);
  int suspendCount() const;

  /// Unit of the library held (see LengthUnit).
  LengthUnit unit() const;
  void setUnit(LengthUnit unit);

  /// Moves the content of `other` (records, numbering, unit) into this table in one step, as a
  /// load that must not disturb the table until the whole file was read. Sends one data-set
  /// change notification unless suspended. `other` is left empty.
  void replaceContent(ModuleTable&& other);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

/// Compares two names the way the table sorts them: the user's locale, ignoring case, bytes
/// taken as Latin-1. Negative, zero or positive.
int compareModuleNames(std::string_view a, std::string_view b);

}  // namespace trevak
