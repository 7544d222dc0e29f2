// SPDX-License-Identifier: GPL-3.0-or-later
// Fit, wheel zoom about the pointer and panning of the previews.
#include "app/preview_zoom.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

#include "app/preview_widget.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

/// A module whose picture's box shrinks exactly as 1 / scale: `box` pixels at scale 100.
struct FakeDrawer {
  QSize box;
  int cutBelow = 0;  ///< scales under this run off the working surface
  bool empty = false;
  std::vector<int> calls;

  std::optional<DrawnPicture> operator()(int scale) {
    calls.push_back(scale);
    if (empty) return std::nullopt;
    const auto side = [scale](int at100) {
      return static_cast<int>(std::lround(at100 * 100.0 / scale)) + 100;
    };
    return DrawnPicture{{side(box.width()), side(box.height())}, scale < cutBelow};
  }
};

struct FitCase {
  const char* what;
  QSize box;
  int cutBelow;
  int current;
  QSize area;
  int expected;
  std::size_t redraws;
};

class FitScale : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitScale, ChoosesTheLargestDrawingThatFitsWhole) {
  const FitCase& c = GetParam();
  FakeDrawer drawer{c.box, c.cutBelow, false, {}};
  const int scale = fitScale(std::ref(drawer), c.current, c.area);
  EXPECT_EQ(scale, c.expected) << c.what;
  ASSERT_FALSE(drawer.calls.empty());
  EXPECT_EQ(drawer.calls.front(),
            c.current >= kMinFitScale && c.current <= kMaxPaneScale ? c.current : 100)
      << c.what;
  // The pane shows what was drawn last: the scale chosen.
  EXPECT_EQ(drawer.calls.back(), scale) << c.what;
  EXPECT_EQ(drawer.calls.size(), c.redraws) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitScale,
    ::testing::Values(
        FitCase{"small module, large area: past the buttons' largest drawing",
                {100, 50}, 0, 100, {600, 500}, 20, 2},
        FitCase{"a tiny module stops at the smallest divisor", {2, 2}, 0, 100, {900, 900}, 5, 2},
        FitCase{"exactly the area at 100", {200, 100}, 0, 150, {300, 300}, 100, 2},
        FitCase{
            "one pixel short of 100 takes the next step", {200, 100}, 0, 100, {299, 300}, 110, 2},
        FitCase{"the height decides", {100, 400}, 0, 100, {1000, 300}, 200, 2},
        FitCase{"too big for any scale: the smallest drawing",
                {3000, 3000},
                0,
                100,
                {300, 300},
                210,
                2},
        FitCase{"an area without room for the margins", {100, 100}, 0, 100, {80, 500}, 210, 2},
        FitCase{"cut at the surface's edge below 90", {10, 10}, 90, 100, {900, 900}, 90, 18},
        FitCase{"already fitting: one redraw", {200, 100}, 0, 100, {300, 300}, 100, 1},
        FitCase{"a fitted scale starts from itself", {200, 100}, 0, 45, {300, 300}, 100, 2},
        FitCase{"a scale out of range starts from 100", {200, 100}, 0, 3, {300, 300}, 100, 1}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

TEST(FitScaleEmpty, NothingToDrawKeepsTheScaleAfterOneTry) {
  FakeDrawer drawer{{100, 100}, 0, true, {}};
  EXPECT_EQ(fitScale(std::ref(drawer), 130, {500, 500}), 130);
  EXPECT_EQ(drawer.calls, std::vector<int>{130});
}

struct AnchorCase {
  int scroll, pointer, offset, oldScale, newScale, expected;
};

TEST(AnchoredScroll, KeepsThePointUnderThePointer) {
  const AnchorCase cases[] = {
      {0, 152, 2, 100, 100, 0},    // no zoom, no move
      {0, 152, 2, 100, 50, 100},   // twice the size: 100 box pixels become 200
      {100, 152, 2, 50, 100, 0},   // and back
      {0, 52, 2, 100, 40, 0},      // the box's corner stays put
      {40, 100, 0, 100, 200, -5},  // smaller: may ask for less than 0 (the bar clamps)
      {10, 10, 0, 0, 100, 10},     // a zero scale changes nothing
  };
  for (const AnchorCase& c : cases) {
    EXPECT_EQ(anchoredScroll(c.scroll, c.pointer, c.offset, c.oldScale, c.newScale), c.expected)
        << c.scroll << " " << c.pointer << " " << c.oldScale << "->" << c.newScale;
  }
}

/// A module drawing a square's diagonal, `half` units each way from the origin. At 100 the
/// picture of BIG (20000) scrolls both ways and is not cut at 90; SMALL (6000) fits the
/// designed preview at 70.
TestModule squareModule(std::string name, int half) {
  const std::string h = std::to_string(half);
  return {std::move(name),
          {"Po 0 0 0 15 00000000 00000000 ~~", "Li X",
           "DS -" + h + " -" + h + " " + h + " " + h + " 50 21"}};
}

class PreviewNavigation : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    loadEdit(writeLibrary("e.mod", {squareModule("BIG", 20000), squareModule("SMALL", 6000)}));
    loadSearch(writeLibrary("s.mod", {squareModule("BIG", 20000), squareModule("SMALL", 6000)}));
    ASSERT_TRUE(prompts_->errors.isEmpty());
  }
  QWidget* viewport(const char* box) { return find<QScrollArea>(box)->viewport(); }
  void wheel(const char* box, QPoint at, int angle) {
    QWheelEvent event(at, viewport(box)->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport(box), &event);
  }
  void mouse(const char* box, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QWidget* target = viewport(box);
    QMouseEvent event(type, at, target->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, {});
    QApplication::sendEvent(target, &event);
  }
  QSize picture(const char* image) { return find<PreviewWidget>(image)->size(); }
  const estado_desenho& st() { return window_->drawingState(); }
};

TEST_F(PreviewNavigation, WheelStepsOnlyItsPaneAsTheButtonsDo) {
  wheel("ScrollBox1", {100, 100}, 120);
  EXPECT_EQ(st().escala_edicao, 90);
  EXPECT_EQ(st().escala_pesquisa, 100);
  wheel("ScrollBox2", {100, 100}, -240);
  EXPECT_EQ(st().escala_pesquisa, 120);
  // Half notches add up.
  wheel("ScrollBox1", {100, 100}, 60);
  EXPECT_EQ(st().escala_edicao, 90);
  wheel("ScrollBox1", {100, 100}, 60);
  EXPECT_EQ(st().escala_edicao, 80);
  // The ends of the buttons are the ends of the wheel.
  wheel("ScrollBox1", {100, 100}, 120 * 20);
  EXPECT_EQ(st().escala_edicao, 40);
  const QSize atEnd = picture("Image2");
  wheel("ScrollBox1", {100, 100}, 120);
  EXPECT_EQ(st().escala_edicao, 40);
  EXPECT_EQ(picture("Image2"), atEnd);
  wheel("ScrollBox2", {100, 100}, -120 * 20);
  EXPECT_EQ(st().escala_pesquisa, 210);
}

TEST_F(PreviewNavigation, WheelZoomsAboutThePointer) {
  auto* box = find<QScrollArea>("ScrollBox1");
  box->horizontalScrollBar()->setValue(50);
  box->verticalScrollBar()->setValue(30);
  ASSERT_EQ(box->horizontalScrollBar()->value(), 50);
  ASSERT_EQ(box->verticalScrollBar()->value(), 30);
  const QSize before = picture("Image2");
  const QPoint pointer(200, 150);
  // The point under the pointer, as a share of the picture's box (Image2 sits at 2, 0).
  const double shareX = (50.0 + pointer.x() - 2 - 50) / (before.width() - 100);
  const double shareY = (30.0 + pointer.y() - 50) / (before.height() - 100);
  wheel("ScrollBox1", pointer, 120);
  const QSize after = picture("Image2");
  ASSERT_GT(after.width(), before.width());
  const double nowX =
      (box->horizontalScrollBar()->value() + pointer.x() - 2 - 50.0) / (after.width() - 100);
  const double nowY =
      (box->verticalScrollBar()->value() + pointer.y() - 50.0) / (after.height() - 100);
  EXPECT_NEAR(nowX, shareX, 0.01);
  EXPECT_NEAR(nowY, shareY, 0.01);
}

TEST_F(PreviewNavigation, DraggingPansThePicture) {
  auto* box = find<QScrollArea>("ScrollBox1");
  box->horizontalScrollBar()->setValue(50);
  box->verticalScrollBar()->setValue(50);
  mouse("ScrollBox1", QEvent::MouseButtonPress, {150, 150}, Qt::LeftButton);
  mouse("ScrollBox1", QEvent::MouseMove, {100, 145}, Qt::LeftButton);
  mouse("ScrollBox1", QEvent::MouseMove, {90, 140}, Qt::LeftButton);
  mouse("ScrollBox1", QEvent::MouseButtonRelease, {90, 140}, Qt::NoButton);
  EXPECT_EQ(box->horizontalScrollBar()->value(), 110);
  EXPECT_EQ(box->verticalScrollBar()->value(), 60);
  // A move after the release pans no more.
  mouse("ScrollBox1", QEvent::MouseMove, {10, 10}, Qt::NoButton);
  EXPECT_EQ(box->horizontalScrollBar()->value(), 110);
  EXPECT_EQ(st().escala_edicao, 100);
}

TEST_F(PreviewNavigation, FitFillsTheAreaWithTheLargestDrawingThatFits) {
  auto* box = find<QScrollArea>("ScrollBox2");
  const QSize area(box->width() - 2 * box->frameWidth() - 1, box->height() - 2 * box->frameWidth());
  click("BitBtn8");  // both libraries to SMALL
  click("SB_ajustar2");
  const int fitted = st().escala_pesquisa;
  EXPECT_LT(fitted, 100);
  EXPECT_LE(picture("Image3").width(), area.width());
  EXPECT_LE(picture("Image3").height(), area.height());
  // One step larger no longer fits; "+ Zoom" takes that step and ends fitting.
  click("BitBtn4");
  EXPECT_EQ(st().escala_pesquisa, fitted - 10);
  EXPECT_FALSE(find<QAbstractButton>("SB_ajustar2")->isChecked());
  EXPECT_TRUE(picture("Image3").width() > area.width() ||
              picture("Image3").height() > area.height());
  // The edit pane was not touched.
  EXPECT_EQ(st().escala_edicao, 100);
}

TEST_F(PreviewNavigation, FittingFollowsTheModuleAndTheArea) {
  click("SB_ajustar1");
  const int big = st().escala_edicao;
  EXPECT_EQ(big, 210);  // BIG fits at no scale in the designed preview: the smallest drawing
  click("BitBtn8");
  const int small = st().escala_edicao;
  EXPECT_LT(small, big);
  // A larger window gives the preview more room: after a moment it fits again.
  window_->resize(1400, 1000);
  QTest::qWait(200);
  EXPECT_LE(st().escala_edicao, small);
  const QSize area = find<QScrollArea>("ScrollBox1")->viewport()->size();
  EXPECT_LE(picture("Image2").width(), area.width());
  // "Normal" ends fitting.
  click("BitBtn3");
  EXPECT_FALSE(find<QAbstractButton>("SB_ajustar1")->isChecked());
  EXPECT_EQ(st().escala_edicao, 100);
}

}  // namespace
}  // namespace trevak::test
