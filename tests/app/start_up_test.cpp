// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/start_up.h"

#include <gtest/gtest.h>

namespace trevak {
namespace {

std::optional<StartRequest> parse(const QStringList& args, QString* error = nullptr) {
  QString e;
  auto r = parseStartArguments(QStringList{QStringLiteral("trevak")} + args, e);
  if (error) *error = e;
  return r;
}

TEST(StartArguments, NoneLoadsNothing) {
  const auto r = parse({});
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->editLibrary.isEmpty());
  EXPECT_TRUE(r->searchLibrary.isEmpty());
}

TEST(StartArguments, EditAndSearchInEitherOrder) {
  for (const QStringList& args :
       {QStringList{"a.mod", "--search", "b.mod"}, QStringList{"--search", "b.mod", "a.mod"},
        QStringList{"--search=b.mod", "a.mod"}}) {
    const auto r = parse(args);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->editLibrary, "a.mod");
    EXPECT_EQ(r->searchLibrary, "b.mod");
  }
}

TEST(StartArguments, RefusesWhatItDoesNotKnow) {
  QString error;
  EXPECT_FALSE(parse({"--search"}, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(parse({"--bogus"}));
  EXPECT_FALSE(parse({"a.mod", "b.mod"}));
}

}  // namespace
}  // namespace trevak
