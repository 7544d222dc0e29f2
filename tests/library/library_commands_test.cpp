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
                      {"conn-DIP8", "CONN-DIP14", "Conn-DIP8", "SMD-conn-0805", "conn-conn-X",
                       "CONN-conn-Y", "conn-CONN-Z", "conn"}),
      (std::vector<std::string>{"DIP8", "DIP14", "Conn-DIP8", "SMD-0805", "X", "Y", "Z", "conn"}));
}

TEST(StripPrefixCommand, EmptyBaseNameRemovesEveryHyphen) {
  EXPECT_EQ(namesAfterStrip("", {"DIP-8", "a--b", "-"}),
            (std::vector<std::string>{"DIP8", "ab", "-"}));  // "-" would have no name left
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
  fill(other, {{"A", ""}, {"conn-B", ""}, {"x-C", ""}});
  stripLibraryPrefix(other, "x.mod");
  EXPECT_EQ(namesOf(other), (std::vector<std::string>{"A", "conn-B", "C"}));
}

// A strip that would leave a name empty, or equal to another module's after the strip (letter
// case ignored), keeps that name and lists it; the others are stripped.
TEST(StripPrefixCommand, NamesThatWouldComeOutEmptyOrTakenAreKeptAndListed) {
  ModuleTable table;
  fill(table, {{"R-", ""}, {"ARR-4", ""}, {"AR4", ""}, {"R-X", ""}, {"R-x", ""}, {"R-Y", ""}});
  const std::vector<std::string> kept = stripLibraryPrefix(table, "/libs/R.mod");
  // The table's order: AR4, ARR-4, R-, R-X, R-x, R-Y.
  EXPECT_EQ(namesOf(table), (std::vector<std::string>{"AR4", "ARR-4", "R-", "R-X", "R-x", "Y"}));
  EXPECT_EQ(kept, (std::vector<std::string>{"ARR-4", "R-", "R-X", "R-x"}));
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

// --- units ------------------------------------------------------------------------------------

// One module in both units; every length is a whole number of 1/10000 inch.
const std::string kMillimetreBody =
    "Po 0 0 0 15 54F9DF30 00000000 ~~\r"
    "Li R_0805  \r"
    "T0 0 -1.524 1.016 1.016 0 0.2032 N V 21 N \"R?\"\r"
    "DS -1.905 -1.016 1.905 -1.016 0.1524 21\r"
    "$PAD\r"
    "Sh \"1\" R 1.016 1.524 0 0 0\r"
    "Dr 0 0 0\r"
    "At SMD N 00888000\r"
    "Po -1.0795 0\r"
    ".SolderMask   0.0508\r"
    "$EndPAD\r"
    "$SHAPE3D\r"
    "Of 0 0.1 0\r"
    "$EndSHAPE3D\r";
const std::string kDecimilBody =
    "Po 0 0 0 15 54F9DF30 00000000 ~~\r"
    "Li R_0805  \r"
    "T0 0 -600 400 400 0 80 N V 21 N \"R?\"\r"
    "DS -750 -400 750 -400 60 21\r"
    "$PAD\r"
    "Sh \"1\" R 400 600 0 0 0\r"
    "Dr 0 0 0\r"
    "At SMD N 00888000\r"
    "Po -425 0\r"
    ".SolderMask   20\r"
    "$EndPAD\r"
    "$SHAPE3D\r"
    "Of 0 0.1 0\r"
    "$EndSHAPE3D\r";

struct UnitCopyCase {
  const char* label;
  LengthUnit searchUnit;
  std::string searchBody;
  LengthUnit editUnit;
  std::string expectedBody;
};

void PrintTo(const UnitCopyCase& c, std::ostream* os) { *os << c.label; }

class CopyAcrossUnits : public ::testing::TestWithParam<UnitCopyCase> {};

TEST_P(CopyAcrossUnits, BodyTakesTheEditLibrarysUnit) {
  const UnitCopyCase& c = GetParam();
  ModuleTable search;
  ModuleTable edit;
  fill(search, {{"R_0805", c.searchBody}});
  search.setUnit(c.searchUnit);
  fill(edit, {{"A", "Po 1 2\r"}});
  edit.setUnit(c.editUnit);
  ASSERT_EQ(copyCurrentModule(search, edit), CopyResult::Copied);
  EXPECT_EQ(edit.GetField("Comandos"), c.expectedBody);
  EXPECT_EQ(edit.unit(), c.editUnit);
  EXPECT_EQ(edit.recordAt(0).Comandos, "Po 1 2\r");  // the modules already there stay
  EXPECT_EQ(search.GetField("Comandos"), c.searchBody);
  EXPECT_EQ(search.unit(), c.searchUnit);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyAcrossUnits,
    ::testing::Values(UnitCopyCase{"MillimetresIntoDecimils", LengthUnit::Millimetre,
                                   kMillimetreBody, LengthUnit::Decimil, kDecimilBody},
                      UnitCopyCase{"DecimilsIntoMillimetres", LengthUnit::Decimil, kDecimilBody,
                                   LengthUnit::Millimetre, kMillimetreBody},
                      UnitCopyCase{"MillimetresIntoMillimetres", LengthUnit::Millimetre,
                                   kMillimetreBody, LengthUnit::Millimetre, kMillimetreBody},
                      UnitCopyCase{"DecimilsIntoDecimils", LengthUnit::Decimil, kDecimilBody,
                                   LengthUnit::Decimil, kDecimilBody},
                      // Rounded to the nearest 1/10000 inch; a field that is no number stays.
                      UnitCopyCase{"RoundedAndMalformed", LengthUnit::Millimetre,
                                   "Po 0.15 1,5\r\nDr 0.8 0 0 O 1.2 x\n", LengthUnit::Decimil,
                                   "Po 59 1,5\r\nDr 315 0 0 O 472 x\n"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(NewLibraryCommand, LeavesTheEditLibraryWithoutUnitUntilItsFirstModule) {
  ModuleTable search;
  fill(search, {{"R_0805", kMillimetreBody}, {"X", "Po 500 0\r"}});
  search.setUnit(LengthUnit::Millimetre);
  ModuleTable edit;
  fill(edit, {{"old", "Po 1 2\r"}});
  edit.setUnit(LengthUnit::Decimil);

  newLibrary(edit);
  EXPECT_TRUE(edit.IsEmpty());
  EXPECT_EQ(edit.unit(), LengthUnit::None);
  // The first module comes as it is and brings its library's unit along.
  ASSERT_EQ(copyCurrentModule(search, edit), CopyResult::Copied);
  EXPECT_EQ(edit.unit(), LengthUnit::Millimetre);
  EXPECT_EQ(edit.GetField("Comandos"), kMillimetreBody);
  // From then on modules come in that unit.
  search.setUnit(LengthUnit::Decimil);
  search.MoveLast();
  ASSERT_EQ(copyCurrentModule(search, edit), CopyResult::Copied);
  EXPECT_EQ(edit.GetField("Comandos"), "Po 1.27 0\r");
  EXPECT_EQ(edit.unit(), LengthUnit::Millimetre);
}

TEST(NewLibraryCommand, AFreshTableAlsoTakesTheFirstModulesUnit) {
  ModuleTable search;
  fill(search, {{"R_0805", kDecimilBody}});
  search.setUnit(LengthUnit::Decimil);
  ModuleTable edit;
  ASSERT_EQ(edit.unit(), LengthUnit::None);
  ASSERT_EQ(copyCurrentModule(search, edit), CopyResult::Copied);
  EXPECT_EQ(edit.unit(), LengthUnit::Decimil);
  EXPECT_EQ(edit.GetField("Comandos"), kDecimilBody);
}

TEST(NewLibraryCommand, ARefusedCopyGivesNoUnit) {
  ModuleTable search;
  ModuleTable edit;
  search.setUnit(LengthUnit::Millimetre);
  EXPECT_EQ(copyCurrentModule(search, edit), CopyResult::NothingToCopy);
  EXPECT_EQ(edit.unit(), LengthUnit::None);
}

// Decimil -> millimetre -> decimil gives the very bytes back; millimetre -> decimil ->
// millimetre stays within one 1/10000 inch of every length.
TEST(CopyAcrossUnitsRoundTrip, ThereAndBackAgain) {
  const std::string decimils =
      "Po 22250 93000 0 15 00200000 00000000 ~~\r"
      "T1 -6500 -2750 600 600 0 120 N I 21 \"P**\"\r"
      "DA 0 0 1000 0 900 150 21\r"
      "DC 0 0 333 0 7 21\r"
      "$PAD\rSh \"1\" O 701 3001 0 0 900\rDr 397 0 0 O 451 -3\rPo -14999 1\r$EndPAD\r";
  auto copyInto = [](const std::string& body, LengthUnit from, LengthUnit to) {
    ModuleTable search;
    fill(search, {{"M", body}});
    search.setUnit(from);
    ModuleTable edit;
    edit.setUnit(to);
    EXPECT_EQ(copyCurrentModule(search, edit), CopyResult::Copied);
    return edit.GetField("Comandos");
  };
  const std::string millimetres = copyInto(decimils, LengthUnit::Decimil, LengthUnit::Millimetre);
  EXPECT_NE(millimetres, decimils);
  EXPECT_EQ(copyInto(millimetres, LengthUnit::Millimetre, LengthUnit::Decimil), decimils);

  const std::string rough = "Po 1.2345 -0.0001\rDS 0.001 0.00126 0.00128 3.14159 0.15 21\r";
  const std::string back = copyInto(copyInto(rough, LengthUnit::Millimetre, LengthUnit::Decimil),
                                    LengthUnit::Decimil, LengthUnit::Millimetre);
  EXPECT_EQ(back, "Po 1.23444 0\rDS 0 0 0.00254 3.14198 0.14986 21\r");
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
