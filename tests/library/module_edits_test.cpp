// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/module_edits.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "library/library_reader.h"
#include "library/library_writer.h"
#include "library/module_items.h"
#include "library/module_table.h"

namespace {

using trevak::ModuleRecord;
using trevak::ModuleTable;

void add(ModuleTable& t, const std::string& name, const std::string& body = {}) {
  t.AppendRecord();
  t.SetField("nome_Componente", name);
  t.SetField("Comandos", body);
  t.PostRecord();
}

std::vector<std::string> names(const ModuleTable& t) {
  std::vector<std::string> out;
  for (int i = 0; i < t.RecordCount(); ++i)
    out.push_back(t.recordAt(i).nome_Componente.value_or("-"));
  return out;
}

struct LiCase {
  const char* label;
  std::string body;
  std::string expected;
};

class FollowNameInLiLine : public ::testing::TestWithParam<LiCase> {};

TEST_P(FollowNameInLiLine, RenamesOnlyTheLiLineHoldingTheOldName) {
  EXPECT_EQ(trevak::followNameInLiLine(GetParam().body, "OLD", "NEW"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FollowNameInLiLine,
                         ::testing::Values(LiCase{"Plain", "Po 0\rLi OLD\rCd x\r",
                                                  "Po 0\rLi NEW\rCd x\r"},
                                           LiCase{"BlanksKept", "  Li\tOLD  \r", "  Li\tNEW  \r"},
                                           LiCase{"OtherName", "Li OLDER\r", "Li OLDER\r"},
                                           LiCase{"CaseCounts", "Li old\r", "Li old\r"},
                                           LiCase{"NotLi", "T0 0 0 OLD\r", "T0 0 0 OLD\r"},
                                           LiCase{"NoLi", "Po 0\r", "Po 0\r"}),
                         [](const auto& p) { return std::string(p.param.label); });

TEST(RowOfOtherName, IgnoresCaseAndTheRowItself) {
  ModuleTable t;
  add(t, "alfa");
  add(t, "Beta");
  EXPECT_EQ(trevak::rowOfOtherName(t, "BETA", 0), 1);
  EXPECT_EQ(trevak::rowOfOtherName(t, "BETA", 1), -1);
  EXPECT_EQ(trevak::rowOfOtherName(t, "gama", -1), -1);
}

TEST(PlanCopy, LeavesOutNamesPresentOrAlreadyPlanned) {
  ModuleTable search;
  add(search, "a", "1\r");
  add(search, "A", "2\r");  // the same name, another case
  add(search, "b", "3\r");
  add(search, "c", "4\r");
  ModuleTable edit;
  add(edit, "B");
  const trevak::CopyPlan plan = trevak::planCopy(search, {0, 1, 2, 3}, edit);
  ASSERT_EQ(plan.modules.size(), 2U);
  EXPECT_EQ(*plan.modules[0].nome_Componente, "a");
  EXPECT_EQ(*plan.modules[0].Comandos, "1\r");
  EXPECT_EQ(*plan.modules[1].nome_Componente, "c");
  EXPECT_EQ(plan.duplicates, (std::vector<std::string>{"A", "b"}));
}

// --- units: each module converted from its own library's unit ----------------------------------

using trevak::LengthUnit;

// A module of one pad of the given sides, written in its library's unit.
std::string padBody(const std::string& x, const std::string& y) {
  return "Po 0 0 0 15 00000000 00000000 ~~\r$PAD\rSh \"1\" R " + x + " " + y +
         " 0 0 0\rDr 0 0 0\rAt SMD N 00888000\rPo 0 0\r$EndPAD\r";
}

// Adds a library of one module to a set.
void appendOne(ModuleTable& set, trevak::SourceLibrary library, const std::string& name,
               const std::string& body) {
  ModuleTable t;
  t.setUnit(library.unit);
  add(t, name, body);
  set.appendLibrary(std::move(t), std::move(library));
}

// A set of two libraries: MM_PART (1.5 x 0.8 mm) in millimetres, DEC_PART (600 x 400
// decimil) in decimils.
void loadMixedSet(ModuleTable& set) {
  appendOne(set, {"mm", "mm.mod", LengthUnit::Millimetre}, "MM_PART", padBody("1.5", "0.8"));
  appendOne(set, {"dec", "dec.mod", LengthUnit::Decimil}, "DEC_PART", padBody("600", "400"));
  set.SortByName();
}

trevak::NmPoint padSize(const std::string& body, LengthUnit unit) {
  const trevak::ModuleItems items = trevak::parseModuleItems(body, unit);
  return items.pads.empty() ? trevak::NmPoint{} : items.pads.front().size;
}

struct CopyUnitCase {
  const char* label;
  LengthUnit edit;       // the edit library's unit before the copy
  LengthUnit expected;   // after it
};

void PrintTo(const CopyUnitCase& c, std::ostream* os) { *os << c.label; }

class CopyFromMixedSet : public ::testing::TestWithParam<CopyUnitCase> {};

// One multi-selection copy from a set holding both units, saved and read back: every pad keeps
// its length in nanometres (within the rounding of the written unit).
TEST_P(CopyFromMixedSet, EveryModuleKeepsItsLengthsThroughASave) {
  ModuleTable set;
  loadMixedSet(set);
  ASSERT_EQ(names(set), (std::vector<std::string>{"DEC_PART", "MM_PART"}));
  ModuleTable edit;
  edit.setUnit(GetParam().edit);
  const trevak::CopyPlan plan = trevak::planCopy(set, {0, 1}, edit);
  ASSERT_EQ(plan.modules.size(), 2U);
  EXPECT_EQ(plan.unit, GetParam().expected);
  for (const ModuleRecord& m : plan.modules) add(edit, *m.nome_Componente, *m.Comandos);
  edit.setUnit(plan.unit);

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath(QStringLiteral("edit.mod")).toStdString();
  trevak::saveLibrary(edit, path, trevak::SaveOptions{});
  ModuleTable back;
  trevak::loadLibraryFile(path, back);
  EXPECT_EQ(back.unit(), GetParam().expected);
  ASSERT_EQ(names(back), (std::vector<std::string>{"DEC_PART", "MM_PART"}));
  const trevak::NmPoint expected[] = {{600 * 2540, 400 * 2540}, {1500000, 800000}};
  const trevak::Nanometres tolerance = back.unit() == LengthUnit::Decimil ? 1270 : 500;
  for (int row = 0; row < 2; ++row) {
    SCOPED_TRACE(names(back)[static_cast<std::size_t>(row)]);
    const trevak::NmPoint size = padSize(*back.recordAt(row).Comandos, back.unit());
    EXPECT_NEAR(static_cast<double>(size.x), static_cast<double>(expected[row].x), tolerance);
    EXPECT_NEAR(static_cast<double>(size.y), static_cast<double>(expected[row].y), tolerance);
    EXPECT_FALSE(trevak::findUnitMismatch(*back.recordAt(row).Comandos, back.unit()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyFromMixedSet,
    ::testing::Values(CopyUnitCase{"IntoDecimil", LengthUnit::Decimil, LengthUnit::Decimil},
                      CopyUnitCase{"IntoMillimetre", LengthUnit::Millimetre, LengthUnit::Millimetre},
                      // A new library takes the unit of its first module's own library.
                      CopyUnitCase{"IntoANewLibrary", LengthUnit::None, LengthUnit::Decimil}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(CopyUnit, ANewLibraryTakesTheFirstCopiedModulesUnit) {
  ModuleTable set;
  loadMixedSet(set);
  ModuleTable edit;  // no unit yet
  const trevak::CopyPlan plan = trevak::planCopy(set, {1}, edit);  // MM_PART only
  EXPECT_EQ(plan.unit, LengthUnit::Millimetre);
  ASSERT_EQ(plan.modules.size(), 1U);
  EXPECT_EQ(*plan.modules[0].Comandos, padBody("1.5", "0.8"));  // as it was
}

// --- lengths that fit the other unit far better -----------------------------------------------

struct MismatchCase {
  const char* label;
  LengthUnit unit;
  std::string body;
  std::optional<LengthUnit> likelier;
};

void PrintTo(const MismatchCase& c, std::ostream* os) { *os << c.label; }

class UnitMismatchCheck : public ::testing::TestWithParam<MismatchCase> {};

TEST_P(UnitMismatchCheck, IsFoundByThePadsMedianSide) {
  const MismatchCase& c = GetParam();
  const auto found = trevak::findUnitMismatch(c.body, c.unit);
  ASSERT_EQ(found.has_value(), c.likelier.has_value());
  if (found) {
    EXPECT_EQ(found->likelier, *c.likelier);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnitMismatchCheck,
    ::testing::Values(
        MismatchCase{"DecimilPadsInAMillimetreLibrary", LengthUnit::Millimetre,
                     padBody("600", "400"), LengthUnit::Decimil},
        MismatchCase{"MillimetrePadsInADecimilLibrary", LengthUnit::Decimil, padBody("1.5", "0.8"),
                     LengthUnit::Millimetre},
        MismatchCase{"RightInMillimetres", LengthUnit::Millimetre, padBody("1.5", "0.8"),
                     std::nullopt},
        MismatchCase{"RightInDecimils", LengthUnit::Decimil, padBody("600", "400"), std::nullopt},
        // A long thin pad is judged by its smaller side, and fine-pitch decimil pads stay.
        MismatchCase{"FinePitchDecimilPads", LengthUnit::Decimil, padBody("100", "600"),
                     std::nullopt},
        // A patch antenna of 26 mm, and fine-pitch pads of 10 decimil: real, not misread.
        MismatchCase{"LargePadOfAMillimetreLibrary", LengthUnit::Millimetre,
                     padBody("26.29", "26.29"), std::nullopt},
        MismatchCase{"FinePitchPadsInDecimils", LengthUnit::Decimil, padBody("10", "31"),
                     std::nullopt},
        MismatchCase{"SmallDecimilPadsInAMillimetreLibrary", LengthUnit::Millimetre,
                     padBody("40", "60"), LengthUnit::Decimil},
        MismatchCase{"WholeMillimetrePadsInADecimilLibrary", LengthUnit::Decimil,
                     padBody("2", "3"), LengthUnit::Millimetre},
        MismatchCase{"NoPads", LengthUnit::Decimil, "Po 0 0 0 15 0 0 ~~\rDS 0 0 1 1 1 21\r",
                     std::nullopt},
        MismatchCase{"NoUnit", LengthUnit::None, padBody("1.5", "0.8"), std::nullopt}),
    [](const auto& p) { return std::string(p.param.label); });

// The restores behind undo: each keeps the record's creation number and the current record.
TEST(TableRestores, TakeAndInsertPutARecordBackExactly) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  add(t, "c");
  t.moveTo(2);
  int notes = 0;
  t.setOnDataChange([&](auto, auto) { ++notes; });
  ModuleRecord b = t.takeRecordAt(1);
  EXPECT_EQ(notes, 1);
  EXPECT_EQ(names(t), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(t.currentIndex(), 1);  // still c
  t.insertRecordAt(1, std::move(b));
  EXPECT_EQ(names(t), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(t.currentIndex(), 2);
  EXPECT_EQ(t.recordAt(1).creationNumber, 2U);
  add(t, "d");  // numbering goes on after the restored numbers
  EXPECT_EQ(t.recordAt(3).creationNumber, 4U);
}

TEST(TableRestores, TakingTheCurrentRecordMakesTheNextCurrent) {
  ModuleTable t;
  add(t, "a");
  add(t, "b");
  t.moveTo(1);
  t.takeRecordAt(1);
  EXPECT_EQ(t.currentIndex(), 0);
  t.takeRecordAt(0);
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_TRUE(t.AtEnd());
}

TEST(TableRestores, CreationOrderComesBackAfterASort) {
  ModuleTable t;
  add(t, "c");
  add(t, "a");
  add(t, "b");
  t.moveTo(0);
  const auto before = t.creationOrder();
  t.SortByName();
  EXPECT_EQ(names(t), (std::vector<std::string>{"a", "b", "c"}));
  t.restoreCreationOrder(before);
  EXPECT_EQ(names(t), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(t.currentIndex(), 0);
  t.SortByName();  // the changed order is sorted again, not taken as sorted
  EXPECT_EQ(names(t), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(TableRestores, AfterPostRunsOnlyForStoredEdits) {
  ModuleTable t;
  int posts = 0;
  t.setAfterPost([&] { ++posts; });
  add(t, "a");  // an appended record is no edit
  EXPECT_EQ(posts, 0);
  t.EditRecord();
  t.MoveFirst();  // an untouched copy is dropped
  EXPECT_EQ(posts, 0);
  t.EditRecord();
  t.SetField("Comandos", "x\r");
  t.MoveFirst();
  EXPECT_EQ(posts, 1);
  t.setRecordAt(0, std::string(70, 'N'), std::nullopt);
  EXPECT_EQ(t.recordAt(0).nome_Componente->size(), 70U);
  EXPECT_FALSE(t.recordAt(0).Comandos.has_value());
}

}  // namespace
