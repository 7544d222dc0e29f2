// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "library/module_table.h"

namespace trevak {
namespace {

using Module = std::pair<std::string, std::string>;  // name, Comandos

void fill(ModuleTable& table, const std::vector<Module>& modules) {
  for (const auto& [name, body] : modules) {
    table.AppendRecord();
    table.SetField("nome_Componente", name);
    table.SetField("Comandos", body);
    table.PostRecord();
  }
  table.SortByName();
  table.MoveFirst();
}

std::vector<std::string> namesOf(const ModuleTable& table) {
  std::vector<std::string> names;
  for (int row = 0; row < table.RecordCount(); ++row) {
    names.push_back(table.recordAt(row).nome_Componente.value_or(""));
  }
  return names;
}

std::vector<std::string> bodiesOf(const ModuleTable& table) {
  std::vector<std::string> bodies;
  for (int row = 0; row < table.RecordCount(); ++row) {
    bodies.push_back(table.recordAt(row).Comandos.value_or(""));
  }
  return bodies;
}

std::vector<std::string> namesAfterStrip(std::string_view caption,
                                         const std::vector<std::string>& names) {
  ModuleTable table;
  for (const std::string& name : names) {
    table.AppendRecord();
    table.SetField("nome_Componente", name);
    table.PostRecord();
  }
  stripLibraryPrefix(table, caption);
  return namesOf(table);
}

// Counts the notifications of a table and where its cursor stood at each.
struct Watch {
  explicit Watch(ModuleTable& t) : table(t) {
    table.setOnDataChange(
        [this](NotificationKind, std::string_view) { shown.push_back(table.currentIndex()); });
    table.setAfterEdit([this] { ++edits; });
  }
  ModuleTable& table;
  std::vector<int> shown;
  int edits = 0;
};

// ---------------------------------------------------------------------------------------------

struct ReplaceCase {
  const char* text;
  const char* pattern;
  const char* replacement;
  const char* expected;
};

class ReplaceAll : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAll, LeftToRightWithoutOverlapOrRescan) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(replaceAll(c.text, c.pattern, c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAll,
    ::testing::Values(ReplaceCase{"conn-conn-X", "conn-", "", "X"},
                      ReplaceCase{"SMD-conn-0805", "conn-", "", "SMD-0805"},
                      ReplaceCase{"aaaa", "aa", "b", "bb"}, ReplaceCase{"aaa", "aa", "b", "ba"},
                      ReplaceCase{"T0 >NAME >NAME", ">NAME", "DIP8", "T0 DIP8 DIP8"},
                      ReplaceCase{"a>NAME", ">NAME", ">NAME>NAME", "a>NAME>NAME"},
                      ReplaceCase{"cc--", "c-", "", "c-"}, ReplaceCase{"abc", "", "x", "abc"},
                      ReplaceCase{"", "-", "", ""}, ReplaceCase{"Conn-X", "conn-", "", "Conn-X"},
                      ReplaceCase{"x-", "-", "+", "x+"}));

TEST(LibraryBaseName, LastPartWithoutItsExtension) {
  EXPECT_EQ(libraryBaseName("C:\\kicad\\modules\\conn.mod"), "conn");
  EXPECT_EQ(libraryBaseName("/home/ana/kicad/conn.mod"), "conn");
  EXPECT_EQ(libraryBaseName("C:conn.mod"), "conn");
  EXPECT_EQ(libraryBaseName("conn.mod"), "conn");
  EXPECT_EQ(libraryBaseName("nova"), "nova");
  EXPECT_EQ(libraryBaseName(""), "");
  EXPECT_EQ(libraryBaseName("/libs/smd.v2.mod"), "smd.v2");
  EXPECT_EQ(libraryBaseName("/libs.v2/conn"), "conn");
  EXPECT_EQ(libraryBaseName("/libs/conn."), "conn");
  EXPECT_EQ(libraryBaseName("/libs/.mod"), "");
  EXPECT_EQ(libraryBaseName("/libs/"), "");
}

// ---------------------------------------------------------------------------------------------

TEST(StripPrefixCommand, RemovesTheNameAndItsCapitalsFollowedByAHyphen) {
  EXPECT_EQ(
      namesAfterStrip("C:\\kicad\\modules\\conn.mod",
                      {"conn-DIP8", "CONN-DIP8", "Conn-DIP8", "SMD-conn-0805", "conn-conn-X",
                       "CONN-conn-Y", "conn-CONN-Z", "conn"}),
      (std::vector<std::string>{"DIP8", "DIP8", "Conn-DIP8", "SMD-0805", "X", "Y", "Z", "conn"}));
}

TEST(StripPrefixCommand, EmptyBaseNameRemovesEveryHyphen) {
  EXPECT_EQ(namesAfterStrip("", {"DIP-8", "a--b", "-"}),
            (std::vector<std::string>{"DIP8", "ab", ""}));
}

TEST(StripPrefixCommand, NewLibraryCaptionRemovesNova) {
  EXPECT_EQ(namesAfterStrip(kNewLibraryCaption, {"nova-A", "NOVA-B", "Nova-C"}),
            (std::vector<std::string>{"A", "B", "Nova-C"}));
}

TEST(StripPrefixCommand, OnlyAsciiLettersAreCapitalised) {
  // "ção" in capitals is "çãO" here: ç and ã are not a to z.
  EXPECT_EQ(namesAfterStrip("/x/ção.mod", {"ção-A", "çãO-B", "ÇÃO-C"}),
            (std::vector<std::string>{"A", "B", "ÇÃO-C"}));
}

TEST(StripPrefixCommand, LeavesBodiesAndOrderAndEndsOnTheLastModule) {
  ModuleTable table;
  fill(table, {{"conn-B", "T0 conn-B\r"}, {"A", "x\r"}, {"conn-C", ""}});
  table.moveTo(1);
  Watch watch(table);
  stripLibraryPrefix(table, "/libs/conn.mod");
  EXPECT_EQ(namesOf(table), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(bodiesOf(table), (std::vector<std::string>{"x\r", "T0 conn-B\r", ""}));
  EXPECT_EQ(table.currentIndex(), 2);
  EXPECT_EQ(table.mode(), TableMode::Browse);
  EXPECT_EQ(table.suspendCount(), 0);
  // One notification for the first module as the walk begins, one for the last at its end.
  EXPECT_EQ(watch.shown, (std::vector<int>{0, 2}));
  EXPECT_EQ(watch.edits, 3);
}

TEST(StripPrefixCommand, DoesNotSortAgain) {
  ModuleTable table;
  fill(table, {{"conn-Z", ""}, {"M", ""}});
  stripLibraryPrefix(table, "conn.mod");
  EXPECT_EQ(namesOf(table), (std::vector<std::string>{"Z", "M"}));
  ModuleTable other;
  fill(other, {{"A", ""}, {"conn-B", ""}, {"x-A", ""}});
  stripLibraryPrefix(other, "x.mod");
  EXPECT_EQ(namesOf(other), (std::vector<std::string>{"A", "conn-B", "A"}));
}

TEST(StripPrefixCommand, OpensEveryRecordEvenWhenNothingChanges) {
  ModuleTable table;
  fill(table, {{"A", ""}, {"B", ""}});
  Watch watch(table);
  stripLibraryPrefix(table, "/libs/other.mod");
  EXPECT_EQ(watch.edits, 2);
}

TEST(StripPrefixCommand, EmptyTableChangesNothing) {
  ModuleTable table;
  Watch watch(table);
  stripLibraryPrefix(table, "conn.mod");
  fillNamePlaceholders(table);
  EXPECT_EQ(watch.edits, 0);
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_EQ(table.suspendCount(), 0);
}

// ---------------------------------------------------------------------------------------------

TEST(CopyNameCommand, FillsExactPlaceholdersOnly) {
  ModuleTable table;
  fill(table, {{"DIP8", "T0 >NAME\rT1 >name\rT2 >VALUE\rT3 >NAME>NAME\r"},
               {"R1", ">NAMEX\r"},
               {">NAME", "a >NAME\r"}});
  table.MoveLast();
  Watch watch(table);
  fillNamePlaceholders(table);
  // Table order: ">NAME", "DIP8", "R1".
  EXPECT_EQ(bodiesOf(table),
            (std::vector<std::string>{"a >NAME\r", "T0 DIP8\rT1 >name\rT2 >VALUE\rT3 DIP8DIP8\r",
                                      "R1X\r"}));
  EXPECT_EQ(namesOf(table), (std::vector<std::string>{">NAME", "DIP8", "R1"}));
  EXPECT_EQ(table.currentIndex(), 2);
  EXPECT_EQ(watch.edits, 3);
  EXPECT_EQ(watch.shown, (std::vector<int>{0, 2}));
}

TEST(CopyNameCommand, UsesTheNameAsStripPrefixLeftIt) {
  ModuleTable table;
  fill(table, {{"conn-DIP8", "T0 >NAME\r"}});
  stripLibraryPrefix(table, "conn.mod");
  fillNamePlaceholders(table);
  EXPECT_EQ(bodiesOf(table), (std::vector<std::string>{"T0 DIP8\r"}));
}

// ---------------------------------------------------------------------------------------------

TEST(DeleteCommand, EmptyTableDoesNothing) {
  ModuleTable table;
  Watch watch(table);
  EXPECT_FALSE(deleteCurrentModule(table));
  EXPECT_TRUE(watch.shown.empty());
}

TEST(DeleteCommand, FollowerOrNewLastBecomesCurrent) {
  ModuleTable table;
  fill(table, {{"A", ""}, {"B", ""}, {"C", ""}});
  table.moveTo(1);
  EXPECT_TRUE(deleteCurrentModule(table));
  EXPECT_EQ(namesOf(table), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(table.GetField("nome_Componente"), "C");
  EXPECT_TRUE(deleteCurrentModule(table));
  EXPECT_EQ(table.GetField("nome_Componente"), "A");
  EXPECT_TRUE(deleteCurrentModule(table));
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_FALSE(deleteCurrentModule(table));
}

// ---------------------------------------------------------------------------------------------

TEST(CopyCommand, InsertsInNameOrderAndLeavesTheCopyCurrent) {
  ModuleTable search;
  ModuleTable edit;
  fill(search, {{"Beta", "Po 1 2\r\rT0 >NAME\r"}, {"delta", ""}});
  fill(edit, {{"alfa", ""}, {"gama", ""}});
  edit.MoveLast();
  EXPECT_EQ(copyCurrentModule(search, edit), CopyResult::Copied);
  EXPECT_EQ(namesOf(edit), (std::vector<std::string>{"alfa", "Beta", "gama"}));
  EXPECT_EQ(edit.currentIndex(), 1);
  EXPECT_EQ(edit.GetField("Comandos"), "Po 1 2\r\rT0 >NAME\r");
  EXPECT_FALSE(edit.recordAt(1).Ilhas.has_value());
  EXPECT_EQ(search.RecordCount(), 2);
  EXPECT_EQ(search.currentIndex(), 0);
}

TEST(CopyCommand, NameInAnyCaseIsRefusedAndBecomesCurrent) {
  ModuleTable search;
  ModuleTable edit;
  fill(search, {{"dip8", "new\r"}});
  fill(edit, {{"A", ""}, {"DIP8", "old\r"}, {"Z", ""}});
  EXPECT_EQ(copyCurrentModule(search, edit), CopyResult::Duplicate);
  EXPECT_EQ(namesOf(edit), (std::vector<std::string>{"A", "DIP8", "Z"}));
  EXPECT_EQ(edit.currentIndex(), 1);
  EXPECT_EQ(edit.GetField("Comandos"), "old\r");
}

TEST(CopyCommand, EmptySearchLibraryDoesNothing) {
  ModuleTable search;
  ModuleTable edit;
  fill(edit, {{"A", ""}});
  Watch watch(edit);
  EXPECT_EQ(copyCurrentModule(search, edit), CopyResult::NothingToCopy);
  EXPECT_EQ(edit.RecordCount(), 1);
  EXPECT_TRUE(watch.shown.empty());
}

TEST(CopyCommand, IntoAnEmptyOrNewLibrary) {
  ModuleTable search;
  ModuleTable edit;
  fill(search, {{"R1", "x\r"}});
  fill(edit, {{"old", ""}});
  newLibrary(edit);
  EXPECT_TRUE(edit.IsEmpty());
  EXPECT_EQ(copyCurrentModule(search, edit), CopyResult::Copied);
  EXPECT_EQ(copyCurrentModule(search, edit), CopyResult::Duplicate);
  EXPECT_EQ(namesOf(edit), (std::vector<std::string>{"R1"}));
}

TEST(CopyCommand, RestoresNameOrderDisturbedByStripPrefix) {
  ModuleTable search;
  ModuleTable edit;
  fill(search, {{"N", ""}});
  fill(edit, {{"conn-Z", ""}, {"M", ""}});
  stripLibraryPrefix(edit, "conn.mod");
  ASSERT_EQ(namesOf(edit), (std::vector<std::string>{"Z", "M"}));
  EXPECT_EQ(copyCurrentModule(search, edit), CopyResult::Copied);
  EXPECT_EQ(namesOf(edit), (std::vector<std::string>{"M", "N", "Z"}));
}

// ---------------------------------------------------------------------------------------------

TEST(NavigationCommands, BothTablesMoveByPositionEachOnItsOwn) {
  ModuleTable edit;
  ModuleTable search;
  fill(edit, {{"a", ""}, {"b", ""}, {"c", ""}});
  fill(search, {{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}, {"5", ""}});
  for (int i = 0; i < 3; ++i) moveBoth(edit, search, Move::Next);
  EXPECT_EQ(edit.currentIndex(), 2);
  EXPECT_EQ(search.currentIndex(), 3);
  moveBoth(edit, search, Move::Last);
  moveBoth(edit, search, Move::Prior);
  moveBoth(edit, search, Move::Prior);
  EXPECT_EQ(edit.currentIndex(), 0);
  EXPECT_EQ(search.currentIndex(), 2);
  moveBoth(edit, search, Move::First);
  EXPECT_EQ(search.currentIndex(), 0);
  ModuleTable empty;
  moveBoth(empty, search, Move::Next);
  EXPECT_EQ(empty.currentIndex(), -1);
  EXPECT_EQ(search.currentIndex(), 1);
}

}  // namespace
}  // namespace trevak
