// SPDX-License-Identifier: GPL-3.0-or-later
// The panes' pictures: redraws through the data sources, zoom, "Normal", "Converter",
// "Apagar", the text switch and the count labels.
#include <QScrollArea>
#include <QScrollBar>

#include "app/preview_widget.h"
#include "app/text_switch.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

class Preview : public WindowTest {
 protected:
  void loadBoth() {
    loadEdit(writeLibrary("e.mod", modulesNamed({"E1", "E2", "E3"})));
    loadSearch(writeLibrary("s.mod", modulesNamed({"S1", "S2", "S3", "S4", "S5"})));
  }
  QSize picture(const char* name) { return find<PreviewWidget>(name)->size(); }
  /// How many non-white pixels the pane shows.
  int inkIn(const char* name) {
    const QImage image = find<PreviewWidget>(name)->image();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) ink += (image.pixel(x, y) & 0xffffff) != 0xffffff;
    }
    return ink;
  }
};

TEST_F(Preview, EachPaneDrawsItsCurrentModuleCropped) {
  loadBoth();
  const QSize edit = picture("Image2");
  const QSize search = picture("Image3");
  EXPECT_LT(edit.width(), 2000);
  EXPECT_GT(edit.width(), 100);
  EXPECT_EQ(edit, search);  // E1 and S1 draw the same segment
  EXPECT_GT(inkIn("Image2"), 0);
  // The scroll box shows the picture's top-left at its size.
  auto* holder = find<QScrollArea>("ScrollBox1")->widget();
  EXPECT_EQ(holder->size(), QSize(edit.width() + 2, edit.height()));
  click("BitBtn8");
  EXPECT_GT(picture("Image2").width(), edit.width());  // E2's segment is longer
  EXPECT_GT(picture("Image3").width(), search.width());
}

TEST_F(Preview, ZoomInActsSixTimesAndZoomOutElevenTimes) {
  loadEdit(writeLibrary("e.mod", {segmentModule("E1", 10000)}));
  loadSearch(writeLibrary("s.mod", {segmentModule("S1", 10000)}));
  const estado_desenho& st = window_->drawingState();
  QSize last = picture("Image2");
  for (int i = 1; i <= 6; ++i) {
    click("BitBtn1");
    EXPECT_EQ(st.escala_edicao, 100 - 10 * i);
    EXPECT_GT(picture("Image2").width(), last.width()) << i;
    last = picture("Image2");
  }
  click("BitBtn1");
  EXPECT_EQ(st.escala_edicao, 40);
  EXPECT_EQ(picture("Image2"), last);

  click("BitBtn3");
  EXPECT_EQ(st.escala_edicao, 100);
  for (int i = 1; i <= 11; ++i) click("BitBtn2");
  EXPECT_EQ(st.escala_edicao, 210);
  last = picture("Image2");
  click("BitBtn2");
  EXPECT_EQ(st.escala_edicao, 210);
  EXPECT_EQ(picture("Image2"), last);

  // The search pane's zoom is its own.
  EXPECT_EQ(st.escala_pesquisa, 100);
  for (int i = 0; i < 7; ++i) click("BitBtn4");
  EXPECT_EQ(st.escala_pesquisa, 40);
  for (int i = 0; i < 20; ++i) click("BitBtn5");
  EXPECT_EQ(st.escala_pesquisa, 210);
  EXPECT_EQ(st.escala_edicao, 210);
  click("BitBtn6");
  EXPECT_EQ(st.escala_pesquisa, 100);
}

TEST_F(Preview, NormalReturnsToTheStartPicture) {
  loadBoth();
  const QSize start = picture("Image2");
  click("BitBtn1");
  click("BitBtn1");
  ASSERT_NE(picture("Image2"), start);
  const QSize searchBefore = picture("Image3");
  click("BitBtn3");
  EXPECT_EQ(window_->drawingState().escala_edicao, 100);
  EXPECT_EQ(picture("Image2"), start);
  EXPECT_EQ(picture("Image3"), searchBefore);  // the other pane is left alone
}

TEST_F(Preview, OtherPaneRedrawsAtItsOwnScale) {
  loadBoth();
  const QSize searchAt100 = picture("Image3");
  click("BitBtn1");
  click("BitBtn1");
  click("BitBtn8");  // both move; the search pane draws S2 at 100
  click("BitBtn9");  // back to S1
  EXPECT_EQ(picture("Image3"), searchAt100);
  EXPECT_EQ(window_->drawingState().escala, 100);
}

TEST_F(Preview, ConverterRedrawsTheEditPaneAfterApagar) {
  loadBoth();
  const QSize drawn = picture("Image2");
  ASSERT_GT(inkIn("Image2"), 0);
  click("Button1");
  EXPECT_EQ(picture("Image2"), drawn);  // keeps its size, shows white
  EXPECT_EQ(inkIn("Image2"), 0);
  EXPECT_EQ(text("Label1"), "3");
  click("BitBtn8");  // search pane drawn last
  click("Button1");
  click("Button2");
  EXPECT_GT(inkIn("Image2"), 0);
}

TEST_F(Preview, ConverterShowsTextTypedButNotStored) {
  loadEdit(writeLibrary("e.mod", {{"A", {"DS -1000 0 1000 0 50 21"}}}));
  const int narrow = picture("Image2").width();
  find<QTabWidget>("TabControl1")->setCurrentIndex(1);
  auto* body = find<QPlainTextEdit>("textlistbox1");
  body->setFocus();
  body->moveCursor(QTextCursor::End);
  QTest::keyClicks(body, " ");  // any change opens the record
  body->selectAll();
  body->insertPlainText(QStringLiteral("DS -5000 0 5000 0 50 21"));
  click("Button2");
  EXPECT_GT(picture("Image2").width(), narrow);
  EXPECT_EQ(window_->editLibrary().GetField("Comandos"), "DS -1000 0 1000 0 50 21\r");
}

TEST_F(Preview, SwitchClickRedrawsTheEditPaneWithTexts) {
  loadEdit(writeLibrary("e.mod", {{"A", {"T0 0 0 600 600 0 120 N V 21 \"TEXTO\""}}}));
  loadSearch(writeLibrary("s.mod", {{"A", {"T0 0 0 600 600 0 120 N V 21 \"TEXTO\""}}}));
  const int editOff = inkIn("Image2");
  const int searchOff = inkIn("Image3");
  auto* toggle = find<TextSwitch>("RxSwitch1");
  QTest::mouseClick(toggle, Qt::LeftButton);
  EXPECT_TRUE(toggle->isChecked());
  EXPECT_GT(inkIn("Image2"), editOff);
  EXPECT_EQ(inkIn("Image3"), searchOff);  // follows at its next redraw
  click("BitBtn6");
  EXPECT_GT(inkIn("Image3"), searchOff);

  // The space bar toggles without redrawing.
  const int editOn = inkIn("Image2");
  toggle->setFocus();
  QTest::keyClick(toggle, Qt::Key_Space);
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_EQ(inkIn("Image2"), editOn);
  click("Button2");
  EXPECT_EQ(inkIn("Image2"), editOff);
}

TEST_F(Preview, EmptyTableKeepsThePictureAndCountsZero) {
  loadEdit(writeLibrary("e.mod", modulesNamed({"A"})));
  const QSize drawn = picture("Image2");
  const int ink = inkIn("Image2");
  click("RxSB_apagar");
  EXPECT_EQ(text("Label1"), "0");
  EXPECT_EQ(picture("Image2"), drawn);
  EXPECT_EQ(inkIn("Image2"), ink);
  // Zoom on an empty table changes the scale but draws nothing.
  click("BitBtn1");
  EXPECT_EQ(window_->drawingState().escala_edicao, 90);
  EXPECT_EQ(picture("Image2"), drawn);
}

TEST_F(Preview, LargePictureScrolls) {
  loadEdit(writeLibrary("e.mod", {{"A", {"DS -40000 -20000 40000 20000 50 21"}}}));
  EXPECT_GT(picture("Image2").width(), 321);
  auto* box = find<QScrollArea>("ScrollBox1");
  QTest::qWait(0);
  EXPECT_GT(box->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(box->verticalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace trevak::test
