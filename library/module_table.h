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

/// The file format a module was read from: a legacy `.mod` library's body lines, or one
/// `.kicad_mod` file of a `.pretty` folder (see pretty_library.h).
enum class ModuleFormat { Legacy, KicadMod };

/// One module. Fields are null until set; a null text reads as empty text.
struct ModuleRecord {
  std::optional<std::string> nome_Componente;  ///< whole, as KiCad reads it; no NUL
  std::optional<std::string> Comandos;         ///< body lines, each followed by one CR
  std::optional<std::int32_t> Ilhas;           ///< never used; always null
  std::uint64_t creationNumber = 0;
  /// The source library (index into ModuleTable::libraries()); -1 for a record that did not
  /// come from a set of libraries.
  std::int32_t library = -1;
  /// Legacy: `Comandos` holds body lines. KicadMod: `Comandos` holds the file's text byte for
  /// byte, and the name is the one inside the file.
  ModuleFormat format = ModuleFormat::Legacy;
  /// KicadMod only: the file's `descr` and `tags`, read once at load for the filter (a legacy
  /// record's filter reads its Cd and Kw lines instead).
  std::string description;
  std::string tags;
};

/// One library of a set loaded into a table (see library_set.h).
struct SourceLibrary {
  std::string nickname;  ///< file name without ".mod" (a folder's without ".pretty"); with
                         ///< enough of the path to be unique
  std::string path;      ///< the file's (or `.pretty` folder's) path as it was given or found
  LengthUnit unit = LengthUnit::None;
  ModuleFormat format = ModuleFormat::Legacy;
};

/// The fields a filter word may occur in; combine with |.
enum FilterField : unsigned {
  kFilterName = 1,         ///< nome_Componente
  kFilterDescription = 2,  ///< the body's Cd line
  kFilterKeywords = 4,     ///< the body's Kw line
  kFilterLibrary = 8,      ///< the nickname of the record's source library
  kFilterAll = 15,
};

/// Folds one Latin-1 byte the way the filter compares text: ASCII and Latin-1 capitals to small
/// letters, accented letters to their base letter, every byte up to 32 to a blank.
char foldFilterByte(char c);

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
  // "Settle" means: when a working copy is open, call the update-record handler, then store the
  // copy as PostRecord does if any field was set since it was opened, else drop it. Dropping a
  // pending new record returns to the record that was current before AppendRecord and sends
  // one data-set change; dropping an unchanged edit copy sends nothing, since nothing changed.
  // The notification counts below are those of the operation itself, after any settling.

  /// Settles, drops every record, restarts the creation numbers; no current record, AtEnd true.
  /// One data-set change, even when the table was empty already. The unit is kept.
  void Clear();
  /// Settles, then orders the stored records by compareModuleNames, null names first, ties by
  /// creation number; the current record stays current. One data-set change; none (and no
  /// change at all) when no record is stored.
  void SortByName();
  /// Settles, then finds the first record in table order whose name equals `name` ignoring
  /// case (whole names only). The current record matching: true, no move, one data-set change.
  /// Another record matching: it becomes current, true, two data-set changes. No match: false,
  /// the same record current, one data-set change. Empty table: false, nothing sent. A null
  /// name matches no text.
  bool LocateName(std::string_view name);
  /// Settles, opens a pending new record with all fields null after the last record and makes it
  /// current. One data-set change.
  void AppendRecord();
  /// Nothing while a working copy is open. On an empty table: as AppendRecord (no AfterEdit).
  /// Otherwise opens the current record for change: one record change, then AfterEdit.
  void EditRecord();
  /// Nothing while browsing. Otherwise calls the update-record handler, then stores the working
  /// copy (a new record takes the next creation number and goes after the last one); the stored
  /// record is current. One data-set change.
  void PostRecord();
  /// Throws DataSetError on an empty table. A pending new record is dropped (one data-set
  /// change). Otherwise any edit copy is dropped and the current record removed; the next record
  /// becomes current, or the new last one. One data-set change. Deleting the last remaining
  /// record restarts the creation numbers and sets AtEnd.
  void DeleteRecord();
  /// Settles; the first record becomes current, AtEnd false; on an empty table AtEnd true. One
  /// scroll notification when the current record changed, none otherwise.
  void MoveFirst();
  /// Settles; the next record becomes current (one scroll notification), or, on the last record
  /// or an empty table, nothing moves, AtEnd becomes true and nothing is sent.
  void MoveNext();
  /// Settles; the previous record becomes current (one scroll notification). On the first record
  /// nothing moves and nothing is sent. AtEnd becomes false unless the table is empty.
  void MovePrior();
  /// Settles; the last record becomes current, AtEnd false; on an empty table AtEnd true. One
  /// scroll notification when the current record changed, none otherwise.
  void MoveLast();
  /// True on a new table, after MoveNext found no next record, and whenever the table is empty
  /// after a move, Clear or the deletion of the last record. Any move onto a record clears it.
  bool AtEnd() const;
  /// True when the table shows no record: nothing stored and no pending new record.
  bool IsEmpty() const;
  /// Number of stored records; a pending new record is not counted.
  int RecordCount() const;
  /// Raises the suspension count; while it is above 0 nothing is sent.
  void SuspendNotifications();
  /// Lowers the suspension count; the call that brings it to 0 sends exactly one data-set
  /// change. A call while the count is 0 changes nothing and sends nothing.
  void ResumeNotifications();
  /// Record slots reserved at creation; not a limit.
  int Capacity() const { return kCapacity; }

  /// Reads a field of the current record (or of the working copy while one is open). The name
  /// is matched ignoring case. Unknown names throw DataSetError.
  std::string GetField(std::string_view field) const;
  /// Writes a field of the working copy; throws DataSetError while browsing. A name is cut at a
  /// NUL byte and kept whole otherwise (no length limit); the body is kept byte for byte; `Ilhas` is accepted
  /// and stays null. Every call sends one field change naming the declared field.
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
  /// Both tables are settled first; the current record and AtEnd come with the content, while
  /// this table's handlers and suspension count stay.
  void replaceContent(ModuleTable&& other);

  // --- for undo: exact restores --------------------------------------------------------------
  // These keep every record's creation number, so a record taken out and put back sorts as it
  // did. Each settles first and sends one data-set change (none while suspended). Rows here
  // are positions among all stored records, shown or not (the edit library is never filtered).

  /// Called after a working copy opened by EditRecord on a stored record was stored (by
  /// PostRecord or by settling), with that record current, before the notification.
  void setAfterPost(std::function<void()> handler);
  /// Removes the stored record at `row` and returns it. The current record stays current; when
  /// it was the one removed, the record now at `row` (or the new last one) becomes current.
  ModuleRecord takeRecordAt(int row);
  /// Puts `record` at `row` (0 to RecordCount()) with its own creation number; numbers given
  /// later continue after it. The current record stays current; in an empty table the new one
  /// becomes current.
  void insertRecordAt(int row, ModuleRecord record);
  /// Replaces the name and body of the stored record at `row`; its creation number stays.
  void setRecordAt(int row, std::optional<std::string> name, std::optional<std::string> body);
  /// The creation numbers of the stored records in table order.
  std::vector<std::uint64_t> creationOrder() const;
  /// Puts the stored records into the order of `order`, a permutation of creationOrder(); the
  /// current record stays current. Numbers not in the table are ignored.
  void restoreCreationOrder(const std::vector<std::uint64_t>& order);
  /// Row of the stored record with creation number `number`; -1 when there is none.
  int rowOfCreationNumber(std::uint64_t number) const;
  // --- sets of libraries and the filter -----------------------------------------------------
  // A filter makes the table behave as a filtered data set: RecordCount, IsEmpty, recordAt,
  // currentIndex, moveTo, the four moves, LocateName and GetField see only the shown records,
  // in table order. With the empty filter (the start) every record is shown and every
  // operation behaves, notifications included, as if no filter existed.

  /// The libraries the records came from, in the order they were added.
  const std::vector<SourceLibrary>& libraries() const;
  /// The source library of a record; nullptr when it came from no set.
  const SourceLibrary* libraryOf(const ModuleRecord& record) const;
  /// The unit of the current record: its source library's, or the table's.
  LengthUnit currentUnit() const;
  /// Settles both tables and moves every stored record of `other` behind this table's records,
  /// tagged with `library` (whose unit, when None, becomes `other`'s). Creation numbers
  /// continue this table's; nothing is sorted. One data-set change unless suspended. `other`
  /// is left empty.
  void appendLibrary(ModuleTable&& other, SourceLibrary library);

  /// Shows only the records for which every word of `text` (words are separated by blanks)
  /// occurs in one of `fields`, letter case and accents ignored (foldFilterByte). `text` is
  /// Latin-1, as names are. The current record stays when it is shown, otherwise the first
  /// shown record becomes current. One data-set change when text or fields changed, none
  /// otherwise. Settles first.
  void setFilter(std::string_view text, unsigned fields = kFilterAll);
  const std::string& filterText() const;
  /// Number of stored records, shown or not (RecordCount counts the shown ones).
  int totalCount() const;
  /// Prepares what the filter compares for every record now, instead of on the first filter,
  /// so that a loader on another thread can take that cost before handing the table over.
  void prepareFilter();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

/// Compares two names the way the table sorts them: the user's locale, ignoring case, bytes
/// taken as Latin-1. Negative, zero or positive.
int compareModuleNames(std::string_view a, std::string_view b);

/// Suspends a table's notifications for the life of the guard, so that a failing load, save or
/// command still resumes them. The resume at its end sends the one data-set change when the
/// count reaches 0.
class NotificationSuspension {
 public:
  explicit NotificationSuspension(ModuleTable& table) : m_table(table) {
    m_table.SuspendNotifications();
  }
  ~NotificationSuspension() { m_table.ResumeNotifications(); }
  NotificationSuspension(const NotificationSuspension&) = delete;
  NotificationSuspension& operator=(const NotificationSuspension&) = delete;

 private:
  ModuleTable& m_table;
};

}  // namespace trevak
