// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/module_table.h"

#include "library/name_collation.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

using trevak::DataSetError;
using trevak::LengthUnit;
using trevak::ModuleTable;
using trevak::NotificationKind;
using trevak::TableMode;

// Counts what the table sends, by kind.
struct Recorder {
  std::vector<NotificationKind> kinds;
  std::vector<std::string> fields;

  void attach(ModuleTable& t) {
    t.setOnDataChange([this](NotificationKind k, std::string_view f) {
      kinds.push_back(k);
      fields.emplace_back(f);
    });
  }
  int count() const { return static_cast<int>(kinds.size()); }
  int count(NotificationKind k) const {
    return static_cast<int>(std::count(kinds.begin(), kinds.end(), k));
  }
  void reset() {
    kinds.clear();
    fields.clear();
  }
};

void add(ModuleTable& t, const std::string& name, const std::string& body = {}) {
  t.AppendRecord();
  t.SetField("nome_Componente", name);
  if (!body.empty()) t.SetField("Comandos", body);
  t.PostRecord();
}

std::vector<std::string> names(const ModuleTable& t) {
  std::vector<std::string> out;
  for (int i = 0; i < t.RecordCount(); ++i) {
    out.push_back(t.recordAt(i).nome_Componente.value_or("<null>"));
  }
  return out;
}

std::string currentName(const ModuleTable& t) { return t.GetField("nome_componente"); }

std::string message(const std::function<void()>& f) {
  try {
    f();
  } catch (const DataSetError& e) {
    return e.what();
  }
  return "<no error>";
}

}  // namespace

// --- the record ---------------------------------------------------------------------------

TEST(ModuleTableRecord, NameIsKeptWholeButCutAtNul) {
  ModuleTable t;
  const std::string sixtyOne = std::string(60, 'x') + " Y";
  add(t, sixtyOne);
  EXPECT_EQ(t.GetField("nome_Componente"), sixtyOne);
  add(t, std::string("AB\0CD", 5));
  EXPECT_EQ(t.GetField("nome_Componente"), "AB");
}

TEST(ModuleTableRecord, BodyIsKeptByteForByte) {
  ModuleTable t;
  const std::string body("DS 0 0\r\n\0\xff\x1a tail\n", 18);
  add(t, "M", body);
  EXPECT_EQ(t.GetField("comandos"), body);
  EXPECT_EQ(*t.recordAt(0).Comandos, body);
}

TEST(ModuleTableRecord, UnsetFieldsAreNullAndReadEmpty) {
  ModuleTable t;
  t.AppendRecord();
  t.SetField("ilhas", "12");
  t.PostRecord();
  const auto& r = t.recordAt(0);
  EXPECT_FALSE(r.nome_Componente.has_value());
  EXPECT_FALSE(r.Comandos.has_value());
  EXPECT_FALSE(r.Ilhas.has_value());
  EXPECT_EQ(t.GetField("NOME_COMPONENTE"), "");
  EXPECT_EQ(t.GetField("Ilhas"), "");
}

TEST(ModuleTableRecord, GetFieldOnEmptyTableReadsEmpty) {
  ModuleTable t;
  EXPECT_EQ(t.GetField("comandos"), "");
}

TEST(ModuleTableErrors, MessagesAreTheDataSetTexts) {
  ModuleTable t;
  EXPECT_EQ(message([&] { t.GetField("nome"); }), "Field 'nome' not found");
  EXPECT_EQ(message([&] { t.SetField("nome_Componente", "x"); }),
            "Dataset not in edit or insert mode");
  EXPECT_EQ(message([&] { t.DeleteRecord(); }),
            "Cannot perform this operation on an empty dataset");
  t.AppendRecord();
  // The field is looked up before the mode matters.
  EXPECT_EQ(message([&] { t.SetField("Pads", "x"); }), "Field 'Pads' not found");
}

// --- creation numbers ---------------------------------------------------------------------

TEST(ModuleTableNumbers, RiseInStoringOrderAndSurviveEdits) {
  ModuleTable t;
  add(t, "c");
  add(t, "a");
  add(t, "b");
  EXPECT_EQ(t.recordAt(0).creationNumber, 1u);
  EXPECT_EQ(t.recordAt(2).creationNumber, 3u);
  t.MoveFirst();
  t.EditRecord();
  t.SetField("nome_Componente", "z");
  t.PostRecord();
  EXPECT_EQ(t.recordAt(0).creationNumber, 1u);
  add(t, "d");
  EXPECT_EQ(t.recordAt(3).creationNumber, 4u);
}

TEST(ModuleTableUnit, ClearAndDeletionKeepIt) {
  ModuleTable t;
  EXPECT_EQ(t.unit(), LengthUnit::None);
  t.setUnit(LengthUnit::Millimetre);
  add(t, "a");
  t.DeleteRecord();
  EXPECT_EQ(t.unit(), LengthUnit::Millimetre);
  add(t, "b");
  t.Clear();
  EXPECT_EQ(t.unit(), LengthUnit::Millimetre);
}

TEST(ModuleTableNumbers, RestartAfterClearAndAfterDeletingTheLastRecord) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  t.Clear();
  add(t, "c");
  EXPECT_EQ(t.recordAt(0).creationNumber, 1u);
  add(t, "d");
  t.DeleteRecord();  // not the last remaining one: numbering goes on
  add(t, "e");
  EXPECT_EQ(t.recordAt(1).creationNumber, 3u);
  t.DeleteRecord();
  t.DeleteRecord();
  EXPECT_TRUE(t.IsEmpty());
  add(t, "f");
  EXPECT_EQ(t.recordAt(0).creationNumber, 1u);
}

// --- sorting ------------------------------------------------------------------------------

TEST(ModuleTableSort, EqualNamesKeepStoringOrderAndNullComesFirst) {
  ModuleTable t;
  add(t, "b");
  add(t, "A");
  add(t, "a");
  t.AppendRecord();
  t.SetField("Comandos", "X\r");  // a record whose name was never set
  t.PostRecord();
  t.SortByName();
  EXPECT_EQ(names(t), (std::vector<std::string>{"<null>", "A", "a", "b"}));
}

TEST(ModuleTableSort, LatinOneBytesSortAsTheirLetters) {
  ModuleTable t;
  add(t, "Zeta");
  add(t, "\xC9" "cran");  // É: with the E's, not after Z as its byte value would put it
  add(t, "Ecran");
  add(t, "ecrou");
  t.SortByName();
  EXPECT_EQ(names(t), (std::vector<std::string>{"Ecran", "\xC9" "cran", "ecrou", "Zeta"}));
}

TEST(ModuleTableSort, CurrentRecordStaysCurrentAndOneNotification) {
  ModuleTable t;
  add(t, "c");
  add(t, "b");
  add(t, "a");
  t.MoveFirst();  // "c"
  Recorder rec;
  rec.attach(t);
  t.SortByName();
  EXPECT_EQ(currentName(t), "c");
  EXPECT_EQ(t.currentIndex(), 2);
  EXPECT_EQ(rec.count(), 1);
  EXPECT_EQ(rec.count(NotificationKind::DataSetChange), 1);
}

TEST(ModuleTableSort, EmptyTableSendsNothing) {
  ModuleTable t;
  Recorder rec;
  rec.attach(t);
  t.SortByName();
  EXPECT_EQ(rec.count(), 0);
}

namespace {

// The creation numbers of `t` in table order, and those of the same records stored in the same
// order into a new table and sorted there in one go.
void expectOrderOfAFullSort(const ModuleTable& t, const std::string& what) {
  std::vector<std::pair<std::uint64_t, std::string>> byNumber;
  for (int i = 0; i < t.RecordCount(); ++i) {
    byNumber.emplace_back(t.recordAt(i).creationNumber, *t.recordAt(i).nome_Componente);
  }
  std::sort(byNumber.begin(), byNumber.end());
  ModuleTable reference;
  for (const auto& [number, name] : byNumber) add(reference, name);
  reference.SortByName();
  std::vector<std::uint64_t> got, want;
  for (int i = 0; i < t.RecordCount(); ++i) {
    got.push_back(t.recordAt(i).creationNumber);
    want.push_back(reference.recordAt(i).creationNumber);
  }
  EXPECT_EQ(got, want) << what;
}

}  // namespace

// The table sorts only what changed since its last sort (records added, or renamed); whatever
// path it takes, the order must be that of a full sort.
TEST(ModuleTableSort, IncrementalSortsEqualAFullSort) {
  std::mt19937 rng(7);
  auto randomName = [&] {
    static const char letters[] = "aAbBcC-_09";
    std::string s;
    const int n = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < n; ++i) s.push_back(letters[rng() % 10]);
    return s;
  };
  for (int added : {1, 5, 17, 90, 300}) {
    ModuleTable t;
    for (int i = 0; i < 200; ++i) add(t, randomName());
    t.SortByName();
    for (int i = 0; i < added; ++i) add(t, randomName());
    t.SortByName();
    expectOrderOfAFullSort(t, "added " + std::to_string(added));

    // Renames near the end and near the start of the sorted run.
    for (int row : {t.RecordCount() - 3, 2}) {
      t.moveTo(row);
      t.EditRecord();
      t.SetField("nome_Componente", "bB");
      t.PostRecord();
      t.SortByName();
      expectOrderOfAFullSort(t, "renamed row " + std::to_string(row));
    }
    // A body change keeps the order valid.
    t.moveTo(1);
    t.EditRecord();
    t.SetField("Comandos", "x\r");
    t.PostRecord();
    t.SortByName();
    expectOrderOfAFullSort(t, "body changed");
  }
}

TEST(ModuleTableSort, CompareModuleNamesIgnoresCaseOnly) {
  EXPECT_EQ(trevak::compareModuleNames("DIP8", "dip8"), 0);
  EXPECT_LT(trevak::compareModuleNames("DIP8", "dip80"), 0);
  EXPECT_GT(trevak::compareModuleNames("b", "A"), 0);
  EXPECT_NE(trevak::compareModuleNames("e", "\xE9"), 0);
}

namespace {

// Makes `locale` the default for the life of the guard; the tables collate by the default
// locale of the moment they are made.
class DefaultLocale {
 public:
  explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~DefaultLocale() { QLocale::setDefault(m_saved); }
  DefaultLocale(const DefaultLocale&) = delete;
  DefaultLocale& operator=(const DefaultLocale&) = delete;

 private:
  QLocale m_saved;
};

}  // namespace

// The C locale is what a program gets with no LANG set; Qt's collation keys there are the text
// itself, case and all.
TEST(ModuleTableSort, CaseIsIgnoredInTheCLocaleToo) {
  const DefaultLocale c(QLocale::c());
  ModuleTable t;
  add(t, "b");
  add(t, "DIP8");
  add(t, "A");
  add(t, "a");
  t.SortByName();
  EXPECT_EQ(names(t), (std::vector<std::string>{"A", "a", "b", "DIP8"}));
  EXPECT_TRUE(t.LocateName("dip8"));
  EXPECT_EQ(trevak::compareModuleNames("DIP8", "dip8"), 0);
}

// In the C locale names are ordered by their case-folded characters' codes: "[" (0x5B) comes
// before "a" (0x61) and so before "A", which would come first unfolded (0x41); ASCII names are
// folded apart from the others.
TEST(ModuleTableSort, CLocaleOrderIsThatOfTheFoldedCodes) {
  const DefaultLocale c(QLocale::c());
  struct Pair {
    const char* a;
    const char* b;
    int sign;
  };
  const Pair pairs[] = {
      {"[", "A", -1},          {"[", "a", -1},         {"Z", "\xE9", -1},
      {"\xC9TAGE", "\xE9tage", 0}, {"DIP8", "dip8", 0},  {"_X", "ax", -1},
      {"\xC9", "\xE9x", -1},     {"abc\xC9", "ABC\xE9", 0},
  };
  for (const Pair& p : pairs) {
    const int got = trevak::compareModuleNames(p.a, p.b);
    EXPECT_EQ((got > 0) - (got < 0), p.sign) << p.a << " vs " << p.b;
  }
}

// The text comparison that spares keys must agree with the keys, in every locale.
TEST(ModuleTableSort, NameEqualityWithoutKeysAgreesWithTheKeys) {
  const char* const names[] = {"DIP8", "dip8", "Dip80", "\xC9tage", "\xE9TAGE", "etage",
                               "a\x01", "a",    "",      "[",        "_",        "\xDF"};
  for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Portuguese, QLocale::Brazil),
                                QLocale(QLocale::Turkish, QLocale::Turkey)}) {
    const DefaultLocale guard(locale);
    const trevak::ModuleNameCollator collator;
    for (const char* a : names) {
      for (const char* b : names) {
        EXPECT_EQ(collator.equal(a, b), trevak::compareModuleNames(a, b) == 0)
            << locale.name().toStdString() << ": " << a << " vs " << b;
      }
    }
  }
}

// --- LocateName ---------------------------------------------------------------------------

struct LocateCase {
  const char* name;
  int startRow;        // current record before the call
  bool found;
  const char* current;  // name of the current record afterwards
  int notifications;
};

void PrintTo(const LocateCase& c, std::ostream* os) { *os << c.name; }

class ModuleTableLocate : public ::testing::TestWithParam<LocateCase> {};

TEST_P(ModuleTableLocate, FindsWholeNamesIgnoringCase) {
  const LocateCase& c = GetParam();
  ModuleTable t;
  for (const char* n : {"DIP80", "R_0805", "dip8", "DIP8", "SO8"}) add(t, n);
  t.moveTo(c.startRow);
  Recorder rec;
  rec.attach(t);
  EXPECT_EQ(t.LocateName(c.name), c.found);
  EXPECT_EQ(currentName(t), c.current);
  EXPECT_EQ(rec.count(), c.notifications);
  EXPECT_EQ(rec.count(NotificationKind::DataSetChange), c.notifications);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModuleTableLocate,
    ::testing::Values(
        // The first match in table order, not the exact-case one; no prefix match on DIP80.
        LocateCase{"DIP8", 4, true, "dip8", 2},
        LocateCase{"dip8", 1, true, "dip8", 2},
        // Already on a match: no move, one notification.
        LocateCase{"Dip8", 3, true, "DIP8", 1},
        // Absent: false, same record, the one notification of the resume.
        LocateCase{"DIP", 1, false, "R_0805", 1},
        LocateCase{"SO8 ", 0, false, "DIP80", 1}));

TEST(ModuleTableLocateEdge, EmptyTableFindsNothingAndSendsNothing) {
  ModuleTable t;
  Recorder rec;
  rec.attach(t);
  EXPECT_FALSE(t.LocateName(""));
  EXPECT_EQ(rec.count(), 0);
}

TEST(ModuleTableLocateEdge, SuspendedByTheCallerSendsNothing) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  t.MoveFirst();
  Recorder rec;
  rec.attach(t);
  t.SuspendNotifications();
  EXPECT_TRUE(t.LocateName("B"));
  EXPECT_EQ(t.suspendCount(), 1);
  EXPECT_EQ(rec.count(), 0);
  t.ResumeNotifications();
  EXPECT_EQ(rec.count(), 1);
}

TEST(ModuleTableLocateEdge, NullNameMatchesNoTextButEmptyNameMatchesEmptyText) {
  ModuleTable t;
  t.AppendRecord();
  t.SetField("comandos", "x\r");
  t.PostRecord();
  EXPECT_FALSE(t.LocateName(""));
  add(t, "");
  t.MoveFirst();
  EXPECT_TRUE(t.LocateName(""));
  EXPECT_EQ(t.currentIndex(), 1);
}

TEST(ModuleTableLocateEdge, SettlesAPendingRecordFirst) {
  ModuleTable t;
  add(t, "a");
  t.AppendRecord();
  t.SetField("nome_Componente", "new");
  EXPECT_TRUE(t.LocateName("NEW"));
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(t.mode(), TableMode::Browse);
}

// --- cursor -------------------------------------------------------------------------------

TEST(ModuleTableCursor, MoveNextAtEndStaysPutSetsAtEndAndSendsNothing) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  t.MoveLast();
  Recorder rec;
  rec.attach(t);
  EXPECT_FALSE(t.AtEnd());
  t.MoveNext();
  EXPECT_TRUE(t.AtEnd());
  EXPECT_EQ(currentName(t), "b");
  EXPECT_EQ(rec.count(), 0);
}

TEST(ModuleTableCursor, WalkFromFirstUntilAtEndVisitsEachRecordOnce) {
  ModuleTable empty;
  int visits = 0;
  for (empty.MoveFirst(); !empty.AtEnd(); empty.MoveNext()) ++visits;
  EXPECT_EQ(visits, 0);

  ModuleTable t;
  add(t, "a");
  add(t, "b");
  add(t, "c");
  std::vector<std::string> seen;
  for (t.MoveFirst(); !t.AtEnd(); t.MoveNext()) seen.push_back(currentName(t));
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c"}));
}

struct MoveCase {
  const char* label;
  int startRow;
  void (ModuleTable::*move)();
  int endRow;
  int scrolls;
};

void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.label; }

class ModuleTableMoves : public ::testing::TestWithParam<MoveCase> {};

TEST_P(ModuleTableMoves, NotifyOnlyWhenTheCurrentRecordChanges) {
  const MoveCase& c = GetParam();
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  add(t, "c");
  t.moveTo(c.startRow);
  Recorder rec;
  rec.attach(t);
  (t.*c.move)();
  EXPECT_EQ(t.currentIndex(), c.endRow);
  EXPECT_EQ(rec.count(), c.scrolls);
  EXPECT_EQ(rec.count(NotificationKind::Scroll), c.scrolls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModuleTableMoves,
    ::testing::Values(MoveCase{"FirstFromMiddle", 1, &ModuleTable::MoveFirst, 0, 1},
                      MoveCase{"FirstOnFirst", 0, &ModuleTable::MoveFirst, 0, 0},
                      MoveCase{"NextFromFirst", 0, &ModuleTable::MoveNext, 1, 1},
                      MoveCase{"PriorFromLast", 2, &ModuleTable::MovePrior, 1, 1},
                      MoveCase{"PriorOnFirst", 0, &ModuleTable::MovePrior, 0, 0},
                      MoveCase{"LastFromFirst", 0, &ModuleTable::MoveLast, 2, 1},
                      MoveCase{"LastOnLast", 2, &ModuleTable::MoveLast, 2, 0}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(ModuleTableCursor, MoveToIgnoresRowsOutOfRangeAndNotifiesLikeAScroll) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  Recorder rec;
  rec.attach(t);
  t.moveTo(5);
  t.moveTo(-1);
  t.moveTo(1);  // already current after the last store
  EXPECT_EQ(rec.count(), 0);
  t.moveTo(0);
  EXPECT_EQ(rec.count(NotificationKind::Scroll), 1);
  EXPECT_EQ(currentName(t), "a");
}

TEST(ModuleTableCursor, PriorClearsAtEnd) {
  ModuleTable t;
  add(t, "a");
  t.MoveNext();
  EXPECT_TRUE(t.AtEnd());
  t.MovePrior();
  EXPECT_FALSE(t.AtEnd());
}

// --- modes and settling -------------------------------------------------------------------

TEST(ModuleTableModes, MoveStoresAnEditedCopy) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  t.MoveFirst();
  t.EditRecord();
  t.SetField("nome_componente", "a2");
  EXPECT_EQ(t.recordAt(0).nome_Componente, "a");  // not stored yet
  t.MoveNext();
  EXPECT_EQ(t.mode(), TableMode::Browse);
  EXPECT_EQ(t.recordAt(0).nome_Componente, "a2");
  EXPECT_EQ(currentName(t), "b");
}

TEST(ModuleTableModes, MoveDropsAnUntouchedPendingRecordAndReturns) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  t.MoveFirst();
  Recorder rec;
  rec.attach(t);
  t.AppendRecord();
  EXPECT_EQ(t.currentIndex(), 2);
  EXPECT_EQ(rec.count(), 1);
  t.MoveNext();
  EXPECT_EQ(t.RecordCount(), 2);
  // Dropping returns to "a" (one notification), the move then goes on to "b" (one more).
  EXPECT_EQ(currentName(t), "b");
  EXPECT_EQ(rec.count(), 3);
}

TEST(ModuleTableModes, UpdateRecordHandlerFlushesBeforeTheStore) {
  ModuleTable t;
  add(t, "a");
  int calls = 0;
  t.setUpdateRecord([&] {
    ++calls;
    t.SetField("Comandos", "typed\r");
  });
  t.EditRecord();  // nothing set by the program: the view's flush is what makes it a change
  t.MoveFirst();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(t.recordAt(0).Comandos, "typed\r");
  t.EditRecord();
  t.PostRecord();
  EXPECT_EQ(calls, 2);
  t.PostRecord();  // browsing: nothing to store, no call
  EXPECT_EQ(calls, 2);
}

TEST(ModuleTableModes, EditRecordNotifiesThenRaisesAfterEdit) {
  ModuleTable t;
  add(t, "a");
  std::vector<std::string> events;
  t.setOnDataChange([&](NotificationKind k, std::string_view) {
    events.push_back(k == NotificationKind::RecordChange ? "record" : "other");
  });
  t.setAfterEdit([&] { events.push_back("afterEdit"); });
  t.EditRecord();
  t.EditRecord();  // already open: nothing
  EXPECT_EQ(events, (std::vector<std::string>{"record", "afterEdit"}));
  EXPECT_EQ(t.mode(), TableMode::Edit);
}

TEST(ModuleTableModes, EditRecordOnEmptyTableOpensAPendingRecordWithoutAfterEdit) {
  ModuleTable t;
  int afterEdits = 0;
  t.setAfterEdit([&] { ++afterEdits; });
  t.EditRecord();
  EXPECT_EQ(t.mode(), TableMode::Insert);
  EXPECT_EQ(afterEdits, 0);
  EXPECT_FALSE(t.IsEmpty());
  EXPECT_EQ(t.RecordCount(), 0);
}

TEST(ModuleTableModes, SetFieldSendsAFieldChangeWithTheDeclaredName) {
  ModuleTable t;
  t.AppendRecord();
  Recorder rec;
  rec.attach(t);
  t.SetField("COMANDOS", "x");
  t.SetField("nome_componente", "n");
  EXPECT_EQ(rec.fields, (std::vector<std::string>{"Comandos", "nome_Componente"}));
  EXPECT_EQ(rec.count(NotificationKind::FieldChange), 2);
}

TEST(ModuleTableModes, PendingRecordIsNotCountedButTheTableIsNotEmpty) {
  ModuleTable t;
  EXPECT_TRUE(t.IsEmpty());
  t.AppendRecord();
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_FALSE(t.IsEmpty());
  t.PostRecord();  // stored even with nothing set: a record with a null name
  EXPECT_EQ(t.RecordCount(), 1);
}

TEST(ModuleTableModes, DeleteDropsPendingRecordAndRemovesStoredOnes) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  add(t, "c");
  t.moveTo(1);
  t.AppendRecord();
  t.SetField("nome_Componente", "x");
  Recorder rec;
  rec.attach(t);
  t.DeleteRecord();
  EXPECT_EQ(t.RecordCount(), 3);
  EXPECT_EQ(currentName(t), "b");
  EXPECT_EQ(rec.count(), 1);
  t.DeleteRecord();
  EXPECT_EQ(currentName(t), "c");  // the follower
  t.DeleteRecord();
  EXPECT_EQ(currentName(t), "a");  // was last: the new last
  EXPECT_FALSE(t.AtEnd());
  t.EditRecord();
  t.DeleteRecord();  // an open edit goes with its record
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_TRUE(t.AtEnd());
  EXPECT_EQ(t.currentIndex(), -1);
  // One per delete, one for opening the edit.
  EXPECT_EQ(rec.count(NotificationKind::DataSetChange), 4);
  EXPECT_EQ(rec.count(NotificationKind::RecordChange), 1);
}

TEST(ModuleTableModes, TheRecordAfterTheFiveThousandthIsStored) {
  ModuleTable t;
  EXPECT_EQ(t.Capacity(), 5000);
  for (int i = 0; i < 5001; ++i) {
    std::string name = "m";  // not "m" + ...: GCC 12 -O3 reports a false -Wrestrict there
    name += std::to_string(i);
    add(t, name);
  }
  EXPECT_EQ(t.RecordCount(), 5001);
  EXPECT_EQ(t.recordAt(5000).nome_Componente, "m5000");
  EXPECT_EQ(t.recordAt(5000).creationNumber, 5001u);
}

// --- notifications ------------------------------------------------------------------------

TEST(ModuleTableNotifications, NestedSuspensionNeedsAsManyResumesAndSendsOne) {
  ModuleTable t;
  Recorder rec;
  rec.attach(t);
  t.SuspendNotifications();
  t.SuspendNotifications();
  add(t, "a");
  t.Clear();
  t.ResumeNotifications();
  EXPECT_EQ(rec.count(), 0);
  EXPECT_EQ(t.suspendCount(), 1);
  t.ResumeNotifications();
  EXPECT_EQ(rec.count(), 1);
  EXPECT_EQ(rec.count(NotificationKind::DataSetChange), 1);
  t.ResumeNotifications();  // unbalanced: the count stays at 0, nothing is sent
  EXPECT_EQ(t.suspendCount(), 0);
  EXPECT_EQ(rec.count(), 1);
}

TEST(ModuleTableNotifications, ClearOnEmptyTableSendsOne) {
  ModuleTable t;
  Recorder rec;
  rec.attach(t);
  t.Clear();
  EXPECT_EQ(rec.count(), 1);
  EXPECT_EQ(rec.count(NotificationKind::DataSetChange), 1);
}

TEST(ModuleTableNotifications, GuardResumesWhenAnOperationThrows) {
  ModuleTable t;
  Recorder rec;
  rec.attach(t);
  EXPECT_THROW(
      {
        trevak::NotificationSuspension pause(t);
        t.DeleteRecord();
      },
      DataSetError);
  EXPECT_EQ(t.suspendCount(), 0);
  EXPECT_EQ(rec.count(), 1);
}

// --- replacing the content ----------------------------------------------------------------

TEST(ModuleTableReplace, TakesRecordsNumberingUnitAndCurrentInOneNotification) {
  ModuleTable loaded;
  add(loaded, "x");
  add(loaded, "y");
  loaded.setUnit(LengthUnit::Millimetre);
  loaded.MoveFirst();

  ModuleTable t;
  add(t, "old");
  Recorder rec;
  rec.attach(t);
  t.replaceContent(std::move(loaded));
  EXPECT_EQ(names(t), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(currentName(t), "x");
  EXPECT_EQ(t.unit(), LengthUnit::Millimetre);
  EXPECT_EQ(rec.count(), 1);
  add(t, "z");
  EXPECT_EQ(t.recordAt(2).creationNumber, 3u);

  EXPECT_TRUE(loaded.IsEmpty());  // NOLINT(bugprone-use-after-move): left empty by contract
  EXPECT_EQ(loaded.unit(), LengthUnit::None);
  add(loaded, "fresh");
  EXPECT_EQ(loaded.recordAt(0).creationNumber, 1u);
}
