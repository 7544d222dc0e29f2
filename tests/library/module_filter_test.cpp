// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/module_table.h"

namespace {

using trevak::ModuleTable;
using trevak::NotificationKind;

void add(ModuleTable& t, const std::string& name, const std::string& body = {}) {
  t.AppendRecord();
  t.SetField("nome_Componente", name);
  t.SetField("Comandos", body);
  t.PostRecord();
}

std::vector<std::string> shownNames(const ModuleTable& t) {
  std::vector<std::string> out;
  for (int i = 0; i < t.RecordCount(); ++i) out.push_back(*t.recordAt(i).nome_Componente);
  return out;
}

// Two libraries: "discret" with SOT23, TO92; "smd" (mm) with SOT-23-5, "C\xC9LULA" and R0805.
void fill(ModuleTable& t) {
  ModuleTable a;
  add(a, "SOT23", "Po 0 0 0 15 0 0 ~~\rCd Transistor SOT 23\rKw TR\r");
  add(a, "TO92", "Cd transistor\rKw TR SOT\r");
  ModuleTable b;
  b.setUnit(trevak::LengthUnit::Millimetre);
  add(b, "SOT-23-5", "Cd regulador\r");
  add(b, "C\xC9LULA", "Cd c\xE9lula de carga\r");
  add(b, "R0805", "Kw resistor smd\r");
  t.appendLibrary(std::move(a), {"discret", "/x/discret.mod", trevak::LengthUnit::None});
  t.appendLibrary(std::move(b), {"smd", "/x/smd.mod", trevak::LengthUnit::None});
  t.SortByName();
  t.MoveFirst();
}

struct FilterCase {
  const char* text;
  unsigned fields;
  std::vector<std::string> shown;
};

class ModuleFilterMatch : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ModuleFilterMatch, ShowsRecordsWhereEveryWordOccurs) {
  ModuleTable t;
  fill(t);
  t.setFilter(GetParam().text, GetParam().fields);
  EXPECT_EQ(shownNames(t), GetParam().shown);
  EXPECT_EQ(t.totalCount(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModuleFilterMatch,
    ::testing::Values(
        FilterCase{"", trevak::kFilterAll, {"C\xC9LULA", "R0805", "SOT-23-5", "SOT23", "TO92"}},
        FilterCase{"   ", trevak::kFilterAll, {"C\xC9LULA", "R0805", "SOT-23-5", "SOT23", "TO92"}},
        // every word, in any field, any case
        FilterCase{"sot 23", trevak::kFilterAll, {"SOT-23-5", "SOT23"}},
        FilterCase{"transistor", trevak::kFilterAll, {"SOT23", "TO92"}},
        FilterCase{"sot", trevak::kFilterAll, {"SOT-23-5", "SOT23", "TO92"}},
        FilterCase{"sot", trevak::kFilterName, {"SOT-23-5", "SOT23"}},
        FilterCase{"sot", trevak::kFilterKeywords, {"TO92"}},
        FilterCase{"transistor", trevak::kFilterName, {}},
        // accents folded both ways (Latin-1 bytes)
        FilterCase{"celula", trevak::kFilterAll, {"C\xC9LULA"}},
        FilterCase{"C\xE9LULA", trevak::kFilterName, {"C\xC9LULA"}},
        // the library's nickname, only where asked for
        FilterCase{"smd", trevak::kFilterAll, {"C\xC9LULA", "R0805", "SOT-23-5"}},
        FilterCase{"smd", trevak::kFilterKeywords, {"R0805"}},
        FilterCase{"discret tr", trevak::kFilterAll, {"SOT23", "TO92"}},
        // a word never spans two fields ("TR" ends the keywords, "Cd" text follows the name)
        FilterCase{"sot23transistor", trevak::kFilterAll, {}},
        FilterCase{"zzz", trevak::kFilterAll, {}}));

TEST(ModuleFilterCursor, NavigationWalksShownRecordsOnly) {
  ModuleTable t;
  fill(t);
  t.setFilter("sot");  // SOT-23-5, SOT23, TO92 of C..., R0805, SOT-23-5, SOT23, TO92
  EXPECT_EQ(t.GetField("nome_Componente"), "SOT-23-5");
  EXPECT_EQ(t.currentIndex(), 0);
  t.MoveNext();
  EXPECT_EQ(t.GetField("nome_Componente"), "SOT23");
  t.MoveLast();
  EXPECT_EQ(t.GetField("nome_Componente"), "TO92");
  EXPECT_EQ(t.currentIndex(), 2);
  t.MoveNext();
  EXPECT_TRUE(t.AtEnd());
  EXPECT_EQ(t.GetField("nome_Componente"), "TO92");
  t.MovePrior();
  t.MovePrior();
  t.MovePrior();  // stays on the first shown one
  EXPECT_EQ(t.GetField("nome_Componente"), "SOT-23-5");
  t.moveTo(1);
  EXPECT_EQ(t.GetField("nome_Componente"), "SOT23");
  EXPECT_FALSE(t.LocateName("R0805"));  // hidden records are not found
  EXPECT_EQ(t.GetField("nome_Componente"), "SOT23");
  EXPECT_TRUE(t.LocateName("to92"));
}

TEST(ModuleFilterCursor, CurrentShownRecordStaysAndHiddenOneGivesWay) {
  ModuleTable t;
  fill(t);
  t.LocateName("SOT23");
  t.setFilter("sot");
  EXPECT_EQ(t.GetField("nome_Componente"), "SOT23");
  t.setFilter("regulador");
  EXPECT_EQ(t.GetField("nome_Componente"), "SOT-23-5");
  t.setFilter("");
  EXPECT_EQ(t.GetField("nome_Componente"), "SOT-23-5");
  EXPECT_EQ(t.RecordCount(), 5);
}

TEST(ModuleFilterCursor, NothingShownIsAnEmptyTable) {
  ModuleTable t;
  fill(t);
  t.setFilter("zzz");
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.currentIndex(), -1);
  EXPECT_EQ(t.GetField("Comandos"), "");
  t.MoveFirst();
  EXPECT_TRUE(t.AtEnd());
  t.setFilter("zz");  // widening again shows the first match
  EXPECT_TRUE(t.IsEmpty());
  t.setFilter("r0");
  EXPECT_EQ(t.GetField("nome_Componente"), "R0805");
}

TEST(ModuleFilterNotifications, OneChangePerNewFilterNoneForTheSame) {
  ModuleTable t;
  fill(t);
  int sent = 0;
  t.setOnDataChange([&](NotificationKind, std::string_view) { ++sent; });
  t.setFilter("");
  EXPECT_EQ(sent, 0);
  t.setFilter("s");
  EXPECT_EQ(sent, 1);
  t.setFilter("s");
  EXPECT_EQ(sent, 1);
  t.setFilter("so");
  EXPECT_EQ(sent, 2);
  t.setFilter("so", trevak::kFilterName);
  EXPECT_EQ(sent, 3);
  t.MoveFirst();  // already on the first shown record
  EXPECT_EQ(sent, 3);
}

TEST(ModuleFilterNarrowing, TypingOnAndDeletingGiveTheSameAsAFreshFilter) {
  ModuleTable typed;
  fill(typed);
  for (const char* text : {"s", "so", "sot", "sot ", "sot 2", "sot 23", "sot 2", "sot", "t"}) {
    typed.setFilter(text);
    ModuleTable fresh;
    fill(fresh);
    fresh.setFilter(text);
    EXPECT_EQ(shownNames(typed), shownNames(fresh)) << text;
  }
}

TEST(ModuleFilterContent, ChangesUnderAFilterKeepItApplied) {
  ModuleTable t;
  fill(t);
  t.setFilter("sot");
  t.LocateName("SOT23");
  t.EditRecord();
  t.SetField("nome_Componente", "XYZ");  // no longer matches: hidden
  t.SetField("Comandos", "Cd other\r");
  t.PostRecord();
  t.SortByName();
  EXPECT_EQ(shownNames(t), (std::vector<std::string>{"SOT-23-5", "TO92"}));
  t.MoveFirst();
  t.DeleteRecord();
  EXPECT_EQ(shownNames(t), (std::vector<std::string>{"TO92"}));
  EXPECT_EQ(t.GetField("nome_Componente"), "TO92");
  EXPECT_EQ(t.totalCount(), 4);
  t.setFilter("");
  EXPECT_EQ(t.RecordCount(), 4);
}

TEST(ModuleFilterContent, ReplacedContentIsFilteredAndUnitsFollowTheLibrary) {
  ModuleTable source;
  fill(source);
  ModuleTable shown;
  shown.setFilter("sot 23");
  shown.replaceContent(std::move(source));
  EXPECT_EQ(shownNames(shown), (std::vector<std::string>{"SOT-23-5", "SOT23"}));
  EXPECT_EQ(shown.GetField("nome_Componente"), "SOT-23-5");
  EXPECT_EQ(shown.currentUnit(), trevak::LengthUnit::Millimetre);
  ASSERT_NE(shown.libraryOf(shown.recordAt(0)), nullptr);
  EXPECT_EQ(shown.libraryOf(shown.recordAt(0))->nickname, "smd");
  shown.MoveNext();
  EXPECT_EQ(shown.currentUnit(), trevak::LengthUnit::None);  // "discret" was never read
  EXPECT_EQ(shown.libraryOf(shown.recordAt(1))->nickname, "discret");
}

TEST(ModuleFilterContent, EqualNamesKeepTheOrderOfTheLibraries) {
  ModuleTable a;
  add(a, "DIP8");
  ModuleTable b;
  add(b, "dip8");
  ModuleTable t;
  t.appendLibrary(std::move(a), {"one", "one.mod", trevak::LengthUnit::Decimil});
  t.appendLibrary(std::move(b), {"two", "two.mod", trevak::LengthUnit::Decimil});
  t.SortByName();
  EXPECT_EQ(shownNames(t), (std::vector<std::string>{"DIP8", "dip8"}));
  EXPECT_EQ(t.recordAt(1).library, 1);
  EXPECT_EQ(a.RecordCount(), 0);
}

}  // namespace
