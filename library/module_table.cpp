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

// The text a filter looks at, folded once per record: name, description and keywords, each
// followed by a unit separator so that no word matches across two fields.
struct SearchText {
  std::string text;
  std::uint32_t nameEnd = 0;  // one past the name's separator
  std::uint32_t descEnd = 0;  // one past the description's separator
};

constexpr char kFieldSeparator = '\x1f';

void appendFolded(std::string& out, std::string_view text) {
  for (char c : text) out.push_back(foldFilterByte(c));
}

// The text after a body line's first word when that word is `keyword` ("Cd", "Kw"). A scan of
// its own rather than parseModuleItems (module_items.h), even in its fields-only scope: over
// the 150 corpus libraries the parser took the folder load from about 6x to about 10-12x one
// plain scan of the bytes, past the 8x the load must stay within, while this scan of two
// line heads costs little beyond the reader's own pass.
void appendKeywordLines(std::string& out, std::string_view body, std::string_view keyword) {
  std::size_t pos = 0;
  while (pos < body.size()) {
    std::size_t end = body.find('\r', pos);
    if (end == std::string_view::npos) end = body.size();
    std::string_view line = body.substr(pos, end - pos);
    pos = end + 1;
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (line.size() - i < keyword.size() || line.substr(i, keyword.size()) != keyword) continue;
    i += keyword.size();
    if (i < line.size() && line[i] != ' ' && line[i] != '\t') continue;
    out.push_back(' ');
    appendFolded(out, line.substr(i));
  }
}

SearchText makeSearchText(const ModuleRecord& r) {
  SearchText s;
  const std::string_view body = r.Comandos ? std::string_view(*r.Comandos) : std::string_view();
  const bool kicadMod = r.format == ModuleFormat::KicadMod;
  if (r.nome_Componente) appendFolded(s.text, *r.nome_Componente);
  s.text.push_back(kFieldSeparator);
  s.nameEnd = static_cast<std::uint32_t>(s.text.size());
  if (kicadMod) {
    s.text.push_back(' ');
    appendFolded(s.text, r.description);
  } else {
    appendKeywordLines(s.text, body, "Cd");
  }
  s.text.push_back(kFieldSeparator);
  s.descEnd = static_cast<std::uint32_t>(s.text.size());
  if (kicadMod) {
    s.text.push_back(' ');
    appendFolded(s.text, r.tags);
  } else {
    appendKeywordLines(s.text, body, "Kw");
  }
  s.text.shrink_to_fit();
  return s;
}

std::vector<std::string> filterWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    const char f = foldFilterByte(c);
    if (f == ' ') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.push_back(f);
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::string storedName(std::string_view value) {
  const std::size_t nul = value.find('\0');
  if (nul != std::string_view::npos) value = value.substr(0, nul);
  return std::string(value);
}

}  // namespace

struct ModuleTable::Impl {
  // A stored record with its collation key, kept so that sorting and searching never collate a
  // name twice. Records are held by pointer so that the sort moves pointers, not bodies.
  struct Entry {
    ModuleRecord record;
    std::optional<QCollatorSortKey> key;  // of a non-null name, once computed
    std::unique_ptr<SearchText> search;   // once a filter needed it
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

  std::vector<SourceLibrary> libraries;
  // The filter: off while its text holds no word. `shown` lists the stored indices of the
  // shown records in ascending order while it is on.
  std::string filterText;
  unsigned filterFields = kFilterAll;
  std::vector<std::string> words;
  std::vector<int> shown;
  bool filterOn() const { return !words.empty(); }
  // The filter texts of all stored records side by side, in table order, so that a keystroke
  // reads one block of memory instead of chasing a pointer per record. Rebuilt after the
  // records changed.
  struct FlatText {
    std::uint32_t begin, nameEnd, descEnd, end;
    std::int32_t library;
  };
  std::string flatArena;
  std::vector<FlatText> flat;
  bool flatValid = false;

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
      e.search.reset();
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
    contentChanged();
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

  // --- the filter's view of the records ---
  int rows() const { return filterOn() ? static_cast<int>(shown.size()) : count(); }
  int storedAt(int row) const { return filterOn() ? shown[static_cast<std::size_t>(row)] : row; }
  // The row of a stored record; -1 when it is hidden or there is none.
  int rowOf(int stored) const {
    if (stored < 0 || !filterOn()) return stored;
    const auto it = std::lower_bound(shown.begin(), shown.end(), stored);
    return (it != shown.end() && *it == stored) ? static_cast<int>(it - shown.begin()) : -1;
  }
  // The first shown stored index after `stored`, or -1.
  int shownAfter(int stored) const {
    if (!filterOn()) return stored + 1 < count() ? stored + 1 : -1;
    const auto it = std::upper_bound(shown.begin(), shown.end(), stored);
    return it != shown.end() ? *it : -1;
  }
  // The last shown stored index before `stored`, or -1.
  int shownBefore(int stored) const {
    if (!filterOn()) return stored > 0 ? stored - 1 : -1;
    const auto it = std::lower_bound(shown.begin(), shown.end(), stored);
    return it != shown.begin() ? *(it - 1) : -1;
  }

  const SearchText& searchOf(Entry& e) {
    if (!e.search) e.search = std::make_unique<SearchText>(makeSearchText(e.record));
    return *e.search;
  }

  void contentChanged() {
    flatValid = false;
    refilter();
  }

  void buildFlat() {
    flatArena.clear();
    flat.clear();
    flat.reserve(records.size());
    for (auto& e : records) {
      const SearchText& s = searchOf(*e);
      const auto begin = static_cast<std::uint32_t>(flatArena.size());
      flatArena.append(s.text);
      flat.push_back({begin, begin + s.nameEnd, begin + s.descEnd,
                      static_cast<std::uint32_t>(flatArena.size()), e->record.library});
      e->search.reset();  // the arena holds it now; a rebuild reads the body again
    }
    flatArena.shrink_to_fit();
    flatValid = true;
  }

  bool matches(const FlatText& f, const std::vector<char>& libraryHits) const {
    const std::string_view arena(flatArena);
    const std::string_view all = arena.substr(f.begin, f.end - f.begin);
    const std::string_view name = arena.substr(f.begin, f.nameEnd - f.begin);
    const std::string_view desc = arena.substr(f.nameEnd, f.descEnd - f.nameEnd);
    const std::string_view kw = arena.substr(f.descEnd, f.end - f.descEnd);
    const int lib = f.library;
    for (std::size_t w = 0; w < words.size(); ++w) {
      const std::string& word = words[w];
      if (lib >= 0 && libraryHits[static_cast<std::size_t>(lib) * words.size() + w]) continue;
      if (filterFields == kFilterAll || filterFields == (kFilterAll & ~kFilterLibrary)) {
        if (all.find(word) != std::string_view::npos) continue;
      } else if (((filterFields & kFilterName) && name.find(word) != std::string_view::npos) ||
                 ((filterFields & kFilterDescription) && desc.find(word) != std::string_view::npos) ||
                 ((filterFields & kFilterKeywords) && kw.find(word) != std::string_view::npos)) {
        continue;
      }
      return false;
    }
    return true;
  }

  // Rebuilds `shown`. `narrowing`: the new words can only show fewer records than the last
  // ones did, so only the records shown now are looked at again (typing on at a word's end).
  void refilter(bool narrowing = false) {
    if (!filterOn()) {
      shown.clear();
      shown.shrink_to_fit();
      return;
    }
    std::vector<char> libraryHits(libraries.size() * words.size(), 0);
    if (filterFields & kFilterLibrary) {
      for (std::size_t l = 0; l < libraries.size(); ++l) {
        std::string nickname;
        appendFolded(nickname, libraries[l].nickname);
        for (std::size_t w = 0; w < words.size(); ++w) {
          libraryHits[l * words.size() + w] = nickname.find(words[w]) != std::string::npos;
        }
      }
    }
    if (!flatValid) buildFlat();
    std::vector<int> next;
    if (narrowing) {
      for (int stored : shown) {
        if (matches(flat[static_cast<std::size_t>(stored)], libraryHits)) next.push_back(stored);
      }
    } else {
      for (int i = 0; i < count(); ++i) {
        if (matches(flat[static_cast<std::size_t>(i)], libraryHits)) next.push_back(i);
      }
    }
    shown.swap(next);
  }

  // After the shown set changed: a hidden current record gives way to the first shown one.
  void keepCurrentShown() {
    if (!filterOn() || mode != TableMode::Browse || current < 0) return;
    if (rowOf(current) >= 0) return;
    if (shown.empty()) {
      atEnd = true;
      return;
    }
    current = shown.front();
    atEnd = false;
  }
};

char foldFilterByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u <= 32) return ' ';
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u < 0xC0) return c;
  // Latin-1 letters from U+00C0: the base letter of each, small; the rest small or as is.
  static constexpr char kFolded[] =
      "aaaaaa\xe6" "ceeeeiiii\xf0" "nooooo\xd7" "ouuuuy\xfe\xdf"
      "aaaaaa\xe6" "ceeeeiiii\xf0" "nooooo\xf7" "ouuuuy\xfey";
  return kFolded[u - 0xC0];
}

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
  d.libraries.clear();
  d.contentChanged();
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
  d.contentChanged();
  d.notify(NotificationKind::DataSetChange);
}

bool ModuleTable::LocateName(std::string_view name) {
  Impl& d = *m_impl;
  d.settle();
  if (d.rows() == 0) return false;
  const QCollatorSortKey key = d.collator.sortKey(name);
  if (d.rowOf(d.current) >= 0 &&
      d.nameMatches(*d.records[static_cast<std::size_t>(d.current)], key)) {
    d.notify(NotificationKind::DataSetChange);
    return true;
  }
  int found = -1;
  {
    NotificationSuspension pause(*this);
    for (int row = 0; row < d.rows(); ++row) {
      const int stored = d.storedAt(row);
      if (d.nameMatches(*d.records[static_cast<std::size_t>(stored)], key)) {
        found = stored;
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
  d.flatValid = false;
  if (d.filterOn()) {
    // The shown record that followed the deleted one, or the new last shown one.
    d.shown.erase(std::remove(d.shown.begin(), d.shown.end(), static_cast<int>(row)),
                  d.shown.end());
    for (int& i : d.shown) {
      if (i > static_cast<int>(row)) --i;
    }
    if (!d.shown.empty() && d.rowOf(d.current) < 0) {
      const int after = d.shownAfter(d.current);
      d.current = after >= 0 ? after : d.shown.back();
    }
    d.atEnd = d.shown.empty();
  }
  d.notify(NotificationKind::DataSetChange);
}

void ModuleTable::MoveFirst() {
  Impl& d = *m_impl;
  d.settle();
  if (d.rows() == 0) {
    d.atEnd = true;
    return;
  }
  d.moveToIndex(d.storedAt(0));
}

void ModuleTable::MoveNext() {
  Impl& d = *m_impl;
  d.settle();
  const int next = d.shownAfter(d.current);
  if (next >= 0) {
    d.moveToIndex(next);
  } else {
    d.atEnd = true;
  }
}

void ModuleTable::MovePrior() {
  Impl& d = *m_impl;
  d.settle();
  if (d.rows() == 0) {
    d.atEnd = true;
    return;
  }
  const int prior = d.shownBefore(d.current);
  d.moveToIndex(prior >= 0 ? prior : d.storedAt(0));
}

void ModuleTable::MoveLast() {
  Impl& d = *m_impl;
  d.settle();
  if (d.rows() == 0) {
    d.atEnd = true;
    return;
  }
  d.moveToIndex(d.storedAt(d.rows() - 1));
}

bool ModuleTable::AtEnd() const { return m_impl->atEnd; }

bool ModuleTable::IsEmpty() const {
  return m_impl->rows() == 0 && m_impl->mode != TableMode::Insert;
}

int ModuleTable::RecordCount() const { return m_impl->rows(); }

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
  } else if (d.rowOf(d.current) >= 0) {
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
  return m_impl->mode == TableMode::Insert ? m_impl->rows() : m_impl->rowOf(m_impl->current);
}

const ModuleRecord& ModuleTable::recordAt(int row) const {
  assert(row >= 0 && row < m_impl->rows());
  return m_impl->records.at(static_cast<std::size_t>(m_impl->storedAt(row)))->record;
}

void ModuleTable::moveTo(int row) {
  Impl& d = *m_impl;
  // Rows are checked before settling: a click on the pending row, or past the end, does nothing.
  if (row < 0 || row >= d.rows()) return;
  d.settle();
  d.moveToIndex(d.storedAt(row));
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
  d.libraries.swap(o.libraries);
  // The records came with their filter texts.
  d.flatArena.swap(o.flatArena);
  d.flat.swap(o.flat);
  std::swap(d.flatValid, o.flatValid);
  // The keys that came along were made by the other table's collator; keep them consistent.
  std::swap(d.collator, o.collator);
  d.refilter();
  d.keepCurrentShown();

  o.records.clear();
  o.current = -1;
  o.beforeInsert = -1;
  o.atEnd = true;
  o.lastNumber = 0;
  o.sortedCount = 0;
  o.unit = LengthUnit::None;
  o.libraries.clear();
  o.contentChanged();
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
  d.contentChanged();
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
  d.contentChanged();
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
  d.contentChanged();
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
  d.contentChanged();
  d.notify(NotificationKind::DataSetChange);
}

int ModuleTable::rowOfCreationNumber(std::uint64_t number) const {
  for (std::size_t i = 0; i < m_impl->records.size(); ++i) {
    if (m_impl->records[i]->record.creationNumber == number) return static_cast<int>(i);
  }
  return -1;
}

const std::vector<SourceLibrary>& ModuleTable::libraries() const { return m_impl->libraries; }

const SourceLibrary* ModuleTable::libraryOf(const ModuleRecord& record) const {
  if (record.library < 0 || static_cast<std::size_t>(record.library) >= m_impl->libraries.size()) {
    return nullptr;
  }
  return &m_impl->libraries[static_cast<std::size_t>(record.library)];
}

LengthUnit ModuleTable::currentUnit() const {
  const Impl& d = *m_impl;
  if (d.mode == TableMode::Browse && d.rowOf(d.current) >= 0) {
    const SourceLibrary* lib = libraryOf(d.records[static_cast<std::size_t>(d.current)]->record);
    if (lib != nullptr && lib->unit != LengthUnit::None) return lib->unit;
  }
  return d.unit;
}

void ModuleTable::appendLibrary(ModuleTable&& other, SourceLibrary library) {
  if (&other == this) return;
  Impl& d = *m_impl;
  Impl& o = *other.m_impl;
  d.settle();
  o.settle();
  if (library.unit == LengthUnit::None) library.unit = o.unit;
  const auto index = static_cast<std::int32_t>(d.libraries.size());
  d.libraries.push_back(std::move(library));
  d.records.reserve(d.records.size() + o.records.size());
  for (auto& e : o.records) {
    e->record.library = index;
    e->record.creationNumber = ++d.lastNumber;
    d.records.push_back(std::move(e));
  }
  if (d.current < 0 && !d.records.empty()) {
    d.current = 0;
    d.atEnd = false;
  }
  o.records.clear();
  o.current = -1;
  o.atEnd = true;
  o.lastNumber = 0;
  o.sortedCount = 0;
  o.contentChanged();
  d.contentChanged();
  d.keepCurrentShown();
  d.notify(NotificationKind::DataSetChange);
}

void ModuleTable::setFilter(std::string_view text, unsigned fields) {
  Impl& d = *m_impl;
  d.settle();
  fields &= kFilterAll;
  if (fields == 0) fields = kFilterAll;
  if (text == d.filterText && fields == d.filterFields) return;
  std::vector<std::string> words = filterWords(text);
  // Typing on at the end of the text only narrows what the old text showed.
  const bool narrowing = d.filterOn() && fields == d.filterFields &&
                         text.substr(0, d.filterText.size()) == d.filterText;
  d.filterText.assign(text);
  d.filterFields = fields;
  d.words = std::move(words);
  d.refilter(narrowing);
  d.keepCurrentShown();
  if (!d.filterOn() && d.current >= 0) d.atEnd = false;
  d.notify(NotificationKind::DataSetChange);
}

const std::string& ModuleTable::filterText() const { return m_impl->filterText; }

int ModuleTable::totalCount() const { return m_impl->count(); }

void ModuleTable::prepareFilter() {
  m_impl->settle();
  m_impl->buildFlat();
}

int compareModuleNames(std::string_view a, std::string_view b) {
  const ModuleNameCollator collator;
  return compareModuleNames(collator.sortKey(a), collator.sortKey(b));
}

}  // namespace trevak
