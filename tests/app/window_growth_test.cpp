// SPDX-License-Identifier: GPL-3.0-or-later
// The window given more room: both panes grow, buttons keep their size, the splitter moves room
// between the panes, and the layout comes back exactly at the designed size.
#include <QAbstractButton>
#include <QMap>
#include <QMenuBar>
#include <QSplitter>
#include <QSplitterHandle>

#include "window_fixture.h"

namespace trevak::test {
namespace {

const char* const kGrowing[] = {"TabControl1",  "DBGrid1", "ScrollBox1",
                                "PageControl1", "DBGrid2", "ScrollBox2"};
const char* const kButtons[] = {
    "SB_carregar", "RxSB_limpar", "SB_salvar", "RxSB_apagar", "RxSpeedButton2", "RxSpeedButton4",
    "RxSwitch1",   "SB_ajustar1", "Button1",   "Button2",     "BitBtn1",        "BitBtn2",
    "BitBtn3",     "BitBtn7",     "BitBtn8",   "BitBtn9",     "BitBtn10",       "RxSB_carregar2",
    "RxSB_copiar", "SB_ajustar2", "BitBtn4",   "BitBtn5",     "BitBtn6"};

class WindowGrowth : public WindowTest {
 protected:
  /// Every named control's geometry, and each panel's.
  QMap<QString, QRect> geometries() const {
    QMap<QString, QRect> out;
    for (QWidget* w : window_->findChildren<QWidget*>()) {
      if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"))) {
        out[w->objectName()] = w->geometry();
      }
    }
    return out;
  }
  void resizeClient(int w, int h) {
    // The menu bar and the status bar keep their heights; the client area gets the rest.
    window_->resize(w, h + window_->height() - window_->centralWidget()->height());
    QTest::qWait(0);
  }
  QSplitter* splitter() const { return find<QSplitter>("client"); }
};

TEST_F(WindowGrowth, MaximisedBothPanesGrowAndButtonsKeepTheirSize) {
  const QMap<QString, QRect> designed = geometries();
  resizeClient(1600, 950);
  EXPECT_EQ(window_->centralWidget()->size(), QSize(1600, 950));
  EXPECT_EQ(find("Panel3")->width(), 64);
  EXPECT_EQ(find("Panel4")->width() + find("Panel2")->width(), 1600 - 64);
  EXPECT_GT(find("Panel4")->width(), 364 + 300);
  EXPECT_GT(find("Panel2")->width(), 372 + 300);
  for (const char* name : kGrowing) {
    EXPECT_GT(find(name)->width(), designed[name].width() + 300) << name;
    EXPECT_GT(find(name)->height(), designed[name].height() + 100) << name;
  }
  // The filter above the search grid widens with it and keeps its height and its place above.
  EXPECT_EQ(find("EditFiltro")->width(), find("DBGrid2")->width());
  EXPECT_EQ(find("EditFiltro")->height(), designed["EditFiltro"].height());
  EXPECT_LT(find("EditFiltro")->geometry().bottom(), find("DBGrid2")->y());
  for (const char* name : kButtons) EXPECT_EQ(find(name)->size(), designed[name].size()) << name;
  // The bottom rows stay at the bottom, in their order; the buttons beside the edit preview
  // stay beside it.
  for (const auto& row :
       {std::vector<const char*>{"Button1", "Button2", "BitBtn1", "BitBtn2", "BitBtn3"},
        std::vector<const char*>{"BitBtn4", "BitBtn5", "BitBtn6"}}) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      EXPECT_EQ(find(row[i])->y(), 950 - (582 - 553)) << row[i];
      if (i > 0) {
        EXPECT_LT(find(row[i - 1])->geometry().right(), find(row[i])->x()) << row[i];
      }
    }
  }
  for (const char* side : {"RxSpeedButton2", "RxSpeedButton4", "RxSwitch1", "SB_ajustar1"}) {
    EXPECT_GT(find(side)->x(), find("ScrollBox1")->geometry().right()) << side;
    EXPECT_LE(find(side)->geometry().right(), find("Panel4")->width()) << side;
  }
  for (const auto& [upper, lower] :
       {std::pair{"TabControl1", "ScrollBox1"}, std::pair{"ScrollBox1", "Button1"},
        std::pair{"PageControl1", "ScrollBox2"}, std::pair{"ScrollBox2", "BitBtn4"}}) {
    EXPECT_LT(find(upper)->geometry().bottom(), find(lower)->y()) << upper;
  }
  // The name column takes the grid's new width.
  EXPECT_GT(find<NameGrid>("DBGrid2")->columnWidth(0), 261 + 300);
}

TEST_F(WindowGrowth, BackAtTheDesignedSizeEveryControlIsWhereItWas) {
  const QMap<QString, QRect> designed = geometries();
  resizeClient(1300, 900);
  resizeClient(800, 582);
  // The splitter shares sizes in proportion; the panes go back to their designed widths.
  splitter()->setSizes({364, 64, 372});
  QTest::qWait(0);
  const QMap<QString, QRect> after = geometries();
  for (auto it = designed.begin(); it != designed.end(); ++it) {
    EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
  }
  EXPECT_EQ(find<NameGrid>("DBGrid1")->columnWidth(0), 261);
}

TEST_F(WindowGrowth, DraggingTheSplitterMovesRoomBetweenThePanes) {
  resizeClient(1200, 700);
  const int edit = find("Panel4")->width();
  const int search = find("Panel2")->width();
  const int grid = find("DBGrid2")->width();
  QSplitterHandle* handle = splitter()->handle(2);  // between the strip and the search pane
  ASSERT_NE(handle, nullptr);
  const QPoint grab(handle->width() / 2, handle->height() / 2);
  QTest::mousePress(handle, Qt::LeftButton, {}, grab);
  QTest::mouseMove(handle, grab + QPoint(120, 0));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, grab + QPoint(120, 0));
  QTest::qWait(0);
  // The handle grabs a few pixels over the panels' borders: the drag lands within those.
  const int moved = find("Panel4")->width() - edit;
  EXPECT_NEAR(moved, 120, 3);
  EXPECT_EQ(find("Panel2")->width(), search - moved);
  EXPECT_EQ(find("Panel3")->width(), 64);
  EXPECT_EQ(find("DBGrid2")->width(), grid - moved);
}

TEST_F(WindowGrowth, ShrinkingTakesRoomFromThePreviewsOnlyAndStopsBeforeOverlaps) {
  const QMap<QString, QRect> designed = geometries();
  resizeClient(300, 300);
  // Never narrower than designed; lower by 120 at most, all of it from the previews.
  EXPECT_EQ(window_->centralWidget()->width(), 800);
  EXPECT_GE(window_->centralWidget()->height(), 582 - 120);
  resizeClient(800, 582 - 120);
  for (const char* name : {"TabControl1", "PageControl1", "Label1", "Label2", "RxSwitch1",
                           "SB_ajustar1", "SB_ajustar2"}) {
    EXPECT_EQ(find(name)->geometry(), designed[name]) << name;
  }
  for (const char* name : {"ScrollBox1", "ScrollBox2"}) {
    EXPECT_EQ(find(name)->height(), designed[name].height() - 120) << name;
  }
  for (const char* name : {"Button1", "BitBtn3", "BitBtn6"}) {
    EXPECT_EQ(find(name)->y(), 553 - 120) << name;
  }
  EXPECT_LT(find("RxSwitch1")->geometry().bottom(), find("BitBtn3")->y());
}

TEST_F(WindowGrowth, IconsAreDrawnSharpAtTwiceTheScale) {
  for (const char* name : {"SB_carregar", "RxSB_limpar", "SB_salvar", "RxSB_apagar",
                           "RxSB_carregar2", "RxSB_copiar", "SB_ajustar1", "SB_ajustar2"}) {
    const QIcon icon = find<QAbstractButton>(name)->icon();
    // Drawn for the scale, not a 16-pixel bitmap stretched: every device pixel of its own.
    const QPixmap twice = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(twice.size(), QSize(32, 32)) << name;
    EXPECT_EQ(twice.devicePixelRatio(), 2.0) << name;
    const QPixmap thrice = icon.pixmap(QSize(16, 16), 3.0);
    EXPECT_EQ(thrice.size(), QSize(48, 48)) << name;
  }
}

}  // namespace
}  // namespace trevak::test
