// SPDX-License-Identifier: GPL-3.0-or-later
// The views follow the data: the counts say what was loaded and what is shown, the preview
// shows the grid's current row or nothing, and commands leave the selection where the user was.
#include <QLineEdit>
#include <QStatusBar>

#include "app/name_grid.h"
#include "app/preview_widget.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

class Follow : public WindowTest {
 protected:
  QLineEdit* filter() { return find<QLineEdit>("EditFiltro"); }
  QString status() { return window_->statusBar()->currentMessage(); }
  int inkIn(const char* name) {
    const QImage image = find<PreviewWidget>(name)->image();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) ink += (image.pixel(x, y) & 0xffffff) != 0xffffff;
    }
    return ink;
  }
  /// The name in the grid's highlighted row ("" when none).
  QString gridName(const char* grid) {
    const QModelIndex current = find<NameGrid>(grid)->currentIndex();
    return current.isValid() ? current.siblingAtColumn(0).data().toString() : QString();
  }
};

TEST_F(Follow, LoadWhileFilteredSaysWhatWasLoadedAndShowsNothingOld) {
  loadSearch(writeLibrary("first.mod", modulesNamed({"SOT23", "SOT89", "DIP8"})));
  filter()->setText(QStringLiteral("sot"));
  ASSERT_EQ(currentName(window_->searchLibrary()), "SOT23");
  ASSERT_GT(inkIn("Image3"), 0);
  loadSearch(writeLibrary("second.mod", modulesNamed({"R1", "R2", "C1", "C2"})));
  // Four were loaded; the filter still holding "sot" shows none of them.
  EXPECT_TRUE(status().startsWith(QStringLiteral("4 módulos carregados"))) << status().toStdString();
  EXPECT_TRUE(status().contains(QStringLiteral("0 mostrados"))) << status().toStdString();
  EXPECT_EQ(text("Label2"), "0 /\n4");
  EXPECT_EQ(gridName("DBGrid2"), "");
  EXPECT_EQ(inkIn("Image3"), 0);  // SOT23 is gone with its library
  // Without a filter the message is as before.
  filter()->clear();
  loadSearch(writeLibrary("third.mod", modulesNamed({"Q1"})));
  EXPECT_TRUE(status().startsWith(QStringLiteral("1 módulo carregado em "))) << status().toStdString();
}

TEST_F(Follow, FilterWithoutMatchesEmptiesThePreviewAndClearingBringsTheRowBack) {
  loadSearch(writeLibrary("s.mod", modulesNamed({"A1", "B2", "C3"})));
  click("BitBtn8");
  ASSERT_EQ(currentName(window_->searchLibrary()), "B2");
  const QImage b2 = find<PreviewWidget>("Image3")->image();
  filter()->setText(QStringLiteral("nothing-matches"));
  EXPECT_EQ(gridName("DBGrid2"), "");
  EXPECT_EQ(inkIn("Image3"), 0);
  filter()->setText(QStringLiteral("b2"));
  EXPECT_EQ(gridName("DBGrid2"), "B2");
  EXPECT_EQ(find<PreviewWidget>("Image3")->image(), b2);
}

TEST_F(Follow, CopyIntoALargeLibraryHighlightsAndDrawsTheCopiedModule) {
  std::vector<std::string> many;
  for (int i = 0; i < 400; ++i) many.push_back("M" + std::to_string(1000 + i));
  loadEdit(writeLibrary("big.mod", modulesNamed(many)));
  const TestModule copied = segmentModule("M1250X", 3100);
  loadSearch(writeLibrary("s.mod", {copied}));
  const QImage alone = find<PreviewWidget>("Image3")->image();
  click("RxSB_copiar");
  ASSERT_EQ(currentName(window_->editLibrary()), "M1250X");
  EXPECT_EQ(gridName("DBGrid1"), "M1250X");
  EXPECT_EQ(gridRow("DBGrid1"), window_->editLibrary().currentIndex());
  EXPECT_EQ(find<PreviewWidget>("Image2")->image(), alone);
  // Undone and done again, the two still agree.
  trigger("Desfazer1");
  EXPECT_EQ(gridName("DBGrid1"), QString::fromLatin1(currentName(window_->editLibrary())));
  trigger("Refazer1");
  EXPECT_EQ(gridName("DBGrid1"), "M1250X");
  EXPECT_EQ(find<PreviewWidget>("Image2")->image(), alone);
}

struct KeepCase {
  const char* button;
  std::vector<TestModule> modules;
  bool changes;
};

class FollowCommands : public Follow, public ::testing::WithParamInterface<KeepCase> {};

// "Nome" and "XX----" walk the whole library; the user stays on the module they were on, whether
// the walk changed anything or not, and so does undo.
TEST_P(FollowCommands, WholeLibraryCommandsKeepTheSelection) {
  const KeepCase& c = GetParam();
  loadEdit(writeLibrary("lib.mod", c.modules));
  click("BitBtn8");
  click("BitBtn8");
  const std::string before = currentName(window_->editLibrary());
  ASSERT_EQ(window_->editLibrary().currentIndex(), 2);
  const int index = window_->editLibrary().currentIndex();
  click(c.button);
  EXPECT_EQ(window_->isModified(), c.changes);
  EXPECT_EQ(window_->editLibrary().currentIndex(), index);
  EXPECT_EQ(gridRow("DBGrid1"), index);
  EXPECT_EQ(gridName("DBGrid1").toStdString(), currentName(window_->editLibrary()));
  if (c.changes) {
    trigger("Desfazer1");
    EXPECT_EQ(currentName(window_->editLibrary()), before);
    trigger("Refazer1");
    EXPECT_EQ(window_->editLibrary().currentIndex(), index);
    EXPECT_EQ(gridRow("DBGrid1"), index);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, FollowCommands,
    ::testing::Values(
        KeepCase{"RxSpeedButton2",
                 {{"lib-A", {"Li X"}}, {"lib-B", {"Li X"}}, {"lib-C", {"Li X"}}, {"lib-D", {"Li X"}}},
                 true},
        KeepCase{"RxSpeedButton2",
                 {{"A", {"Li X"}}, {"B", {"Li X"}}, {"C", {"Li X"}}, {"D", {"Li X"}}},
                 false},
        KeepCase{"RxSpeedButton4",
                 {{"A", {"T0 >NAME"}}, {"B", {"T0 >NAME"}}, {"C", {"T0 >NAME"}}, {"D", {"Li X"}}},
                 true},
        KeepCase{"RxSpeedButton4",
                 {{"A", {"Li X"}}, {"B", {"Li X"}}, {"C", {"Li X"}}, {"D", {"Li X"}}},
                 false}),
    [](const auto& param) {
      return std::string(param.param.button) + (param.param.changes ? "Changes" : "ChangesNothing");
    });

}  // namespace
}  // namespace trevak::test
