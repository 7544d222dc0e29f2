// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/module_edits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  EXPECT_EQ(t.recordAt(0).nome_Componente->size(), 60U);
  EXPECT_FALSE(t.recordAt(0).Comandos.has_value());
}

}  // namespace
