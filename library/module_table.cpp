// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/module_table.h"

#include <algorithm>
#include <cassert>
#include <iterator>
#include <unordered_map>
#include <utility>

#include "library/name_collation.h"

namespace trevak {

namespace {

enum class Field { Name, Body, Ilhas };

constexpr std::string_view kNameField = "nome_Componente";
constexpr std::string_view kBodyField = "Comandos";
constexpr std::string_view kIlhasField = "Ilhas";

// Field names are matched the way the data set matched them: ASCII letters ignoring case.
bool sameFieldName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

Field findField(std::string_view name) {
  // The reader names the fields as declared, once a module: spare it the letter-case loop.
  if (name == kNameField) return Field::Name;
  if (name == kBodyField) return Field::Body;
  if (sameFieldName(name, kNameField)) return Field::Name;
  if (sameFieldName(name, kBodyField)) return Field::Body;
  if (sameFieldName(name, kIlhasField)) return Field::Ilhas;
  throw DataSetError("Field '" + std::string(name) + "' not found");
}

std::string_view declaredName(Field f) {
  switch (f) {
    case Field::Name: return kNameField;
    case Field::Body: return kBodyField;
    case Field::Ilhas: return kIlhasField;
  }
  return {};
}

std::string storedName(std::string_view value) {
  const std::size_t nul = value.find('\0');
  if (nul != std::string_view::npos) value = value.substr(0, nul);
  return std::string(value.substr(0, ModuleTable::kNameLimit));
}

}  // namespace

struct ModuleTable::Impl {
  // A stored record with its collation key, kept so that sorting and searching never collate a
  // name twice. Records are held by pointer so that the sort moves pointers, not bodies.
  struct Entry {
    ModuleRecord record;
    std::optional<QCollatorSortKey> key;  // of a non-null name, once computed
  };

  std::vector<std::unique_ptr<Entry>> records;
  int current = -1;       // stored record index; -1 only while nothing is stored
  int beforeInsert = -1;  // current record when AppendRecord opened the pending one
  bool atEnd = true;
  TableMode mode = TableMode::Browse;
  ModuleRecord copy;  // the working copy while editing or inserting
  bool copyTouched = false;
  std::uint64_t lastNumber = 0;
  int suspendCount = 0;
  // records[0, sortedCount) are in sort order with valid keys; later ones were added or renamed
  // since the last sort.
  std::size_t sortedCount = 0;
  LengthUnit unit = LengthUnit::None;
  ModuleNameCollator collator;
  bool inUpdateRecord = false;

  DataChangeHandler onDataChange;
  std::function<void()> afterEdit;
  std::function<void()> updateRecord;
  std::function<void()> afterPost;

  Impl() { records.reserve(kCapacity); }

  int count() const { return static_cast<int>(records.size()); }

  void notify(NotificationKind kind, std::string_view field = {}) {
    if (suspendCount > 0 || !onDataChange) return;
    onDataChange(kind, field);
  }

  void callUpdateRecord() {
    if (!updateRecord || inUpdateRecord) return;
    inUpdateRecord = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{inUpdateRecord};
    updateRecord();
  }

  // Stores the working copy: written back while editing, appended while inserting.
  void store() {
    const bool edited = mode == TableMode::Edit;
    if (edited) {
      Entry& e = *records[static_cast<std::size_t>(current)];
      if (e.record.nome_Componente != copy.nome_Componente) {
        e.key.reset();
        sortedCount = std::min(sortedCount, static_cast<std::size_t>(current));
      }
      e.record = std::move(copy);
    } else {
      copy.creationNumber = ++lastNumber;
      auto e = std::make_unique<Entry>();
      e->record = std::move(copy);
      records.push_back(std::move(e));
      current = count() - 1;
    }
    copy = ModuleRecord{};
    copyTouched = false;
    mode = TableMode::Browse;
    if (edited && afterPost) afterPost();
    notify(NotificationKind::DataSetChange);
  }

  // Drops the working copy. Only a dropped pending record changes what the views show.
  void cancel() {
    const bool wasInsert = mode == TableMode::Insert;
    copy = ModuleRecord{};
    copyTouched = false;
    mode = TableMode::Browse;
    if (wasInsert) {
      current = beforeInsert;
      notify(NotificationKind::DataSetChange);
    }
  }

  void settle() {
    if (mode == TableMode::Browse) return;
    callUpdateRecord();
    if (mode == TableMode::Browse) return;  // the handler posted it itself
    if (copyTouched) {
      store();
    } else {
      cancel();
    }
  }

  void openPending() {
    beforeInsert = current;
    copy = ModuleRecord{};
    copyTouched = false;
    mode = TableMode::Insert;
    atEnd = false;
    notify(NotificationKind::DataSetChange);
  }

  void moveToIndex(int row) {
    const int previous = current;
    current = row;
    atEnd = false;
    if (previous != row) notify(NotificationKind::Scroll);
  }

  const QCollatorSortKey* keyOf(Entry& e) {
    if (!e.record.nome_Componente) return nullptr;
    if (!e.key) e.key.emplace(collator.sortKey(*e.record.nome_Componente));
    return &*e.key;
  }

  // The sort rule: null names first, then the collation, then the creation number. It is a
  // total order, so every way of sorting gives the same result.
  bool before(Entry& a, Entry& b) {
    const QCollatorSortKey* ka = keyOf(a);
    const QCollatorSortKey* kb = keyOf(b);
    if ((ka == nullptr) != (kb == nullptr)) return ka == nullptr;
    if (ka != nullptr) {
      const int c = compareModuleNames(*ka, *kb);
      if (c != 0) return c < 0;
    }
    return a.record.creationNumber < b.record.creationNumber;
  }

  void sortRecords() {
    auto less = [this](const std::unique_ptr<Entry>& a, const std::unique_ptr<Entry>& b) {
      return before(*a, *b);
    };
    const auto first = records.begin();
    const auto sortedEnd = first + static_cast<std::ptrdiff_t>(sortedCount);
    const std::size_t added = records.size() - sortedCount;
    if (added == 0) return;
    if (sortedCount == 0 || added > records.size() / 2) {
      sortAll();
      return;
    }
    // The common case after a copy: a long sorted run and a few records behind it. Each new
    // record finds its place by binary search, so the run is compared only about
    // added * log2(size) times; the pointers are then moved once.
    std::sort(sortedEnd, records.end(), less);
    std::vector<std::unique_ptr<Entry>> merged;
    merged.reserve(std::max(records.capacity(), static_cast<std::size_t>(kCapacity)));
    auto from = first;
    for (auto it = sortedEnd; it != records.end(); ++it) {
      const auto place = std::upper_bound(from, sortedEnd, *it, less);
      std::move(from, place, std::back_inserter(merged));
      merged.push_back(std::move(*it));
      from = place;
    }
    std::move(from, sortedEnd, std::back_inserter(merged));
    records.swap(merged);
  }

  // The whole table in the order of `before`. The comparisons run over a compact array of key
  // pointers and numbers rather than through each record, and the keys are made in record
  // order first: on a large library the sort otherwise waits on memory more than it compares.
  void sortAll() {
    struct Item {
      const QCollatorSortKey* key;
      std::uint64_t number;
      std::size_t index;
    };
    // Copies of the keys side by side (a copy shares the key's data), so that a comparison
    // does not first have to reach into its record.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(records.size());
    std::vector<Item> items;
    items.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
      Entry& e = *records[i];
      const QCollatorSortKey* key = keyOf(e);
      if (key != nullptr) keys.push_back(*key);
      items.push_back({key != nullptr ? &keys.back() : nullptr, e.record.creationNumber, i});
    }
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
      if ((a.key == nullptr) != (b.key == nullptr)) return a.key == nullptr;
      if (a.key != nullptr) {
        const int c = compareModuleNames(*a.key, *b.key);
        if (c != 0) return c < 0;
      }
      return a.number < b.number;
    });
    std::vector<std::unique_ptr<Entry>> sorted;
    sorted.reserve(std::max(records.capacity(), static_cast<std::size_t>(kCapacity)));
    for (const Item& item : items) sorted.push_back(std::move(records[item.index]));
    records.swap(sorted);
  }

  bool nameMatches(Entry& e, const QCollatorSortKey& key) {
    const QCollatorSortKey* k = keyOf(e);
    return k != nullptr && compareModuleNames(*k, key) == 0;
  }
};

ModuleTable::ModuleTable() : m_impl(std::make_unique<Impl>()) {}
ModuleTable::~ModuleTable() = default;

void ModuleTable::setOnDataChange(DataChangeHandler handler) {
  m_impl->onDataChange = std::move(handler);
}
void ModuleTable::setAfterEdit(std::function<void()> handler) {
  m_impl->afterEdit = std::move(handler);
}
void ModuleTable::setUpdateRecord(std::function<void()> handler) {
  m_impl->updateRecord = std::move(handler);
}

void ModuleTable::Clear() {
  Impl& d = *m_impl;
  d.settle();
  d.records.clear();
  d.current = -1;
  d.beforeInsert = -1;
  d.lastNumber = 0;
  d.sortedCount = 0;
  d.atEnd = true;
  d.notify(NotificationKind::DataSetChange);
}

void ModuleTable::SortByName() {
  Impl& d = *m_impl;
  d.settle();
  if (d.records.empty()) return;
  const Impl::Entry* currentEntry = d.records[static_cast<std::size_t>(d.current)].get();
  d.sortRecords();
  d.sortedCount = d.records.size();
  for (std::size_t i = 0; i < d.records.size(); ++i) {
    if (d.records[i].get() == currentEntry) {
      d.current = static_cast<int>(i);
      break;
    }
  }
  d.notify(NotificationKind::DataSetChange);
}

bool ModuleTable::LocateName(std::string_view name) {
  Impl& d = *m_impl;
  d.settle();
  if (d.records.empty()) return false;
  const QCollatorSortKey key = d.collator.sortKey(name);
  if (d.nameMatches(*d.records[static_cast<std::size_t>(d.current)], key)) {
    d.notify(NotificationKind::DataSetChange);
    return true;
  }
  int found = -1;
  {
    NotificationSuspension pause(*this);
    for (std::size_t i = 0; i < d.records.size(); ++i) {
      if (d.nameMatches(*d.records[i], key)) {
        found = static_cast<int>(i);
        break;
      }
    }
    // Found or not, the cursor ends on a record, as after a return to a bookmark.
    if (found >= 0) d.current = found;
    d.atEnd = false;
  }
  if (found < 0) return false;
  d.notify(NotificationKind::DataSetChange);
  return true;
}

void ModuleTable::AppendRecord() {
  m_impl->settle();
  m_impl->openPending();
}

void ModuleTable::EditRecord() {
  Impl& d = *m_impl;
  if (d.mode != TableMode::Browse) return;
  if (d.records.empty()) {
    d.openPending();
    return;
  }
  d.copy = d.records[static_cast<std::size_t>(d.current)]->record;
  d.copyTouched = false;
  d.mode = TableMode::Edit;
  d.notify(NotificationKind::RecordChange);
  if (d.afterEdit) d.afterEdit();
}

void ModuleTable::PostRecord() {
  Impl& d = *m_impl;
  if (d.mode == TableMode::Browse) return;
  d.callUpdateRecord();
  if (d.mode == TableMode::Browse) return;
  d.store();
}

void ModuleTable::DeleteRecord() {
  Impl& d = *m_impl;
  if (IsEmpty()) throw DataSetError("Cannot perform this operation on an empty dataset");
  if (d.mode == TableMode::Insert) {
    d.cancel();
    return;
  }
  if (d.mode == TableMode::Edit) {
    d.copy = ModuleRecord{};
    d.copyTouched = false;
    d.mode = TableMode::Browse;
  }
  const auto row = static_cast<std::size_t>(d.current);
  d.records.erase(d.records.begin() + static_cast<std::ptrdiff_t>(row));
  if (row < d.sortedCount) --d.sortedCount;
  if (d.records.empty()) {
    d.current = -1;
    d.lastNumber = 0;
    d.atEnd = true;
  } else {
    d.current = std::min(d.current, d.count() - 1);
    d.atEnd = false;
  }
  d.notify(NotificationKind::DataSetChange);
}

void ModuleTable::MoveFirst() {
  Impl& d = *m_impl;
  d.settle();
  if (d.records.empty()) {
    d.atEnd = true;
    return;
  }
  d.moveToIndex(0);
}

void ModuleTable::MoveNext() {
  Impl& d = *m_impl;
  d.settle();
  if (d.current + 1 < d.count()) {
    d.moveToIndex(d.current + 1);
  } else {
    d.atEnd = true;
  }
}

void ModuleTable::MovePrior() {
  Impl& d = *m_impl;
  d.settle();
  if (d.records.empty()) {
    d.atEnd = true;
    return;
  }
  d.moveToIndex(std::max(d.current - 1, 0));
}

void ModuleTable::MoveLast() {
  Impl& d = *m_impl;
  d.settle();
  if (d.records.empty()) {
    d.atEnd = true;
    return;
  }
  d.moveToIndex(d.count() - 1);
}

bool ModuleTable::AtEnd() const { return m_impl->atEnd; }

bool ModuleTable::IsEmpty() const {
  return m_impl->records.empty() && m_impl->mode != TableMode::Insert;
}

int ModuleTable::RecordCount() const { return m_impl->count(); }

void ModuleTable::SuspendNotifications() { ++m_impl->suspendCount; }

void ModuleTable::ResumeNotifications() {
  Impl& d = *m_impl;
  if (d.suspendCount == 0) return;
  if (--d.suspendCount == 0) d.notify(NotificationKind::DataSetChange);
}

std::string ModuleTable::GetField(std::string_view field) const {
  const Impl& d = *m_impl;
  const Field f = findField(field);
  const ModuleRecord* r = nullptr;
  if (d.mode != TableMode::Browse) {
    r = &d.copy;
  } else if (d.current >= 0) {
    r = &d.records[static_cast<std::size_t>(d.current)]->record;
  }
  if (r == nullptr) return {};
  switch (f) {
    case Field::Name: return r->nome_Componente.value_or(std::string());
    case Field::Body: return r->Comandos.value_or(std::string());
    case Field::Ilhas: return r->Ilhas ? std::to_string(*r->Ilhas) : std::string();
  }
  return {};
}

void ModuleTable::SetField(std::string_view field, std::string_view value) {
  Impl& d = *m_impl;
  const Field f = findField(field);
  if (d.mode == TableMode::Browse) throw DataSetError("Dataset not in edit or insert mode");
  switch (f) {
    case Field::Name: d.copy.nome_Componente = storedName(value); break;
    case Field::Body: d.copy.Comandos = std::string(value); break;
    case Field::Ilhas: break;  // declared but unused: it stays null
  }
  d.copyTouched = true;
  d.notify(NotificationKind::FieldChange, declaredName(f));
}

TableMode ModuleTable::mode() const { return m_impl->mode; }

int ModuleTable::currentIndex() const {
  return m_impl->mode == TableMode::Insert ? m_impl->count() : m_impl->current;
}

const ModuleRecord& ModuleTable::recordAt(int row) const {
  assert(row >= 0 && row < m_impl->count());
  return m_impl->records.at(static_cast<std::size_t>(row))->record;
}

void ModuleTable::moveTo(int row) {
  Impl& d = *m_impl;
  // Rows are checked before settling: a click on the pending row, or past the end, does nothing.
  if (row < 0 || row >= d.count()) return;
  d.settle();
  d.moveToIndex(row);
}

int ModuleTable::suspendCount() const { return m_impl->suspendCount; }

LengthUnit ModuleTable::unit() const { return m_impl->unit; }
void ModuleTable::setUnit(LengthUnit unit) { m_impl->unit = unit; }

void ModuleTable::replaceContent(ModuleTable&& other) {
  if (&other == this) return;
  Impl& d = *m_impl;
  Impl& o = *other.m_impl;
  d.settle();
  o.settle();
  d.records.swap(o.records);
  d.current = o.current;
  d.beforeInsert = -1;
  d.atEnd = o.atEnd;
  d.lastNumber = o.lastNumber;
  d.sortedCount = o.sortedCount;
  d.unit = o.unit;
  // The keys that came along were made by the other table's collator; keep them consistent.
  std::swap(d.collator, o.collator);

  o.records.clear();
  o.current = -1;
  o.beforeInsert = -1;
  o.atEnd = true;
  o.lastNumber = 0;
  o.sortedCount = 0;
  o.unit = LengthUnit::None;
  d.notify(NotificationKind::DataSetChange);
}

void ModuleTable::setAfterPost(std::function<void()> handler) {
  m_impl->afterPost = std::move(handler);
}

ModuleRecord ModuleTable::takeRecordAt(int row) {
  Impl& d = *m_impl;
  d.settle();
  assert(row >= 0 && row < d.count());
  const auto at = static_cast<std::size_t>(row);
  ModuleRecord record = std::move(d.records[at]->record);
  d.records.erase(d.records.begin() + static_cast<std::ptrdiff_t>(row));
  if (at < d.sortedCount) --d.sortedCount;
  if (d.records.empty()) {
    d.current = -1;
    d.atEnd = true;
  } else {
    if (d.current > row) --d.current;
    d.current = std::min(d.current, d.count() - 1);
    d.atEnd = false;
  }
  d.notify(NotificationKind::DataSetChange);
  return record;
}

void ModuleTable::insertRecordAt(int row, ModuleRecord record) {
  Impl& d = *m_impl;
  d.settle();
  assert(row >= 0 && row <= d.count());
  d.lastNumber = std::max(d.lastNumber, record.creationNumber);
  auto e = std::make_unique<Impl::Entry>();
  e->record = std::move(record);
  d.records.insert(d.records.begin() + static_cast<std::ptrdiff_t>(row), std::move(e));
  d.sortedCount = std::min(d.sortedCount, static_cast<std::size_t>(row));
  if (d.current < 0) {
    d.current = row;
  } else if (d.current >= row) {
    ++d.current;
  }
  d.atEnd = false;
  d.notify(NotificationKind::DataSetChange);
}

void ModuleTable::setRecordAt(int row, std::optional<std::string> name,
                              std::optional<std::string> body) {
  Impl& d = *m_impl;
  d.settle();
  assert(row >= 0 && row < d.count());
  Impl::Entry& e = *d.records[static_cast<std::size_t>(row)];
  if (name) name = storedName(*name);
  if (e.record.nome_Componente != name) {
    e.key.reset();
    d.sortedCount = std::min(d.sortedCount, static_cast<std::size_t>(row));
  }
  e.record.nome_Componente = std::move(name);
  e.record.Comandos = std::move(body);
  d.notify(NotificationKind::DataSetChange);
}

std::vector<std::uint64_t> ModuleTable::creationOrder() const {
  std::vector<std::uint64_t> order;
  order.reserve(m_impl->records.size());
  for (const auto& e : m_impl->records) order.push_back(e->record.creationNumber);
  return order;
}

void ModuleTable::restoreCreationOrder(const std::vector<std::uint64_t>& order) {
  Impl& d = *m_impl;
  d.settle();
  if (d.records.empty()) return;
  const Impl::Entry* currentEntry = d.records[static_cast<std::size_t>(d.current)].get();
  std::unordered_map<std::uint64_t, std::size_t> place;
  place.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) place.emplace(order[i], i);
  // Records the order does not name keep their relative order, after the named ones.
  std::stable_sort(d.records.begin(), d.records.end(),
                   [&place](const std::unique_ptr<Impl::Entry>& a,
                            const std::unique_ptr<Impl::Entry>& b) {
                     const auto pa = place.find(a->record.creationNumber);
                     const auto pb = place.find(b->record.creationNumber);
                     const std::size_t ia = pa == place.end() ? place.size() : pa->second;
                     const std::size_t ib = pb == place.end() ? place.size() : pb->second;
                     return ia < ib;
                   });
  d.sortedCount = 0;
  for (std::size_t i = 0; i < d.records.size(); ++i) {
    if (d.records[i].get() == currentEntry) d.current = static_cast<int>(i);
  }
  d.notify(NotificationKind::DataSetChange);
}

int ModuleTable::rowOfCreationNumber(std::uint64_t number) const {
  for (std::size_t i = 0; i < m_impl->records.size(); ++i) {
    if (m_impl->records[i]->record.creationNumber == number) return static_cast<int>(i);
  }
  return -1;
}

int compareModuleNames(std::string_view a, std::string_view b) {
  const ModuleNameCollator collator;
  return compareModuleNames(collator.sortKey(a), collator.sortKey(b));
}

}  // namespace trevak
