// SPDX-License-Identifier: GPL-3.0-or-later
// The exact drawing in the window: the toggle, zoom and texts on both panes, the pad hints.
#include "app/exact_panes.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include "app/preview_widget.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

/// Two pads 2000 apart and an outline: pad "1" square at the left, pad "2" round at the right.
TestModule padModule(std::string name) {
  return {std::move(name),
          {"Po 0 0 0 15 00000000 00000000 ~~", "Li X", "T0 0 -1500 400 400 0 80 N V 21 \"R1\"",
           "DS -2000 -800 2000 -800 80 21", "$PAD", "Sh \"1\" R 800 800 0 0 0", "Dr 320 0 0",
           "At STD N 00E0FFFF", "Ne 0 \"\"", "Po -1000 0", "$EndPAD", "$PAD",
           "Sh \"2\" C 800 800 0 0 0", "Dr 320 0 0", "At STD N 00E0FFFF", "Ne 0 \"\"", "Po 1000 0",
           "$EndPAD"}};
}

// The drawing within a picture: the box of its pixels that are not white, margins added back
// (a drawing smaller than its pane is centred in a picture of the pane's size).
QSize drawingSize(const QImage& image) {
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  const QRgb white = qRgb(255, 255, 255);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == white) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  return {right - left + 1 + 100, bottom - top + 1 + 100};
}

class ExactPanesTest : public WindowTest {
 protected:
  void loadBoth() {
    loadEdit(writeLibrary("e.mod", {padModule("E1"), segmentModule("E2", 3000)}));
    loadSearch(writeLibrary("s.mod", {padModule("S1")}));
  }
  QImage picture(const char* name) { return find<PreviewWidget>(name)->image(); }
  ExactPanes* panes() { return window_->findChild<ExactPanes*>(QStringLiteral("exactPanes")); }
};

TEST_F(ExactPanesTest, ToggleInTheViewMenuStartsOff) {
  auto* toggle = find<QAction>("Desenhoexato1");
  EXPECT_EQ(toggle->text(), QStringLiteral("Desenho exato"));
  EXPECT_TRUE(toggle->isCheckable());
  EXPECT_FALSE(toggle->isChecked());
  auto* menu = find<QMenu>("Exibir1");
  EXPECT_EQ(menu->title(), QStringLiteral("E&xibir"));
  EXPECT_TRUE(menu->actions().contains(toggle));
}

TEST_F(ExactPanesTest, ToggleSwitchesBothPanesAndBack) {
  loadBoth();
  const QImage editSketch = picture("Image2");
  const QImage searchSketch = picture("Image3");
  trigger("Desenhoexato1");
  const QImage editExact = picture("Image2");
  EXPECT_NE(editExact, editSketch);
  EXPECT_NE(picture("Image3"), searchSketch);
  EXPECT_EQ(find<PreviewWidget>("Image2")->size(), editExact.size());
  // Both panes show the same module the same way (their pictures sit one pixel apart in
  // their scroll boxes).
  EXPECT_NEAR(editExact.width(), picture("Image3").width(), 2);
  EXPECT_NEAR(editExact.height(), picture("Image3").height(), 2);
  trigger("Desenhoexato1");
  EXPECT_EQ(picture("Image2"), editSketch);
  EXPECT_EQ(picture("Image3"), searchSketch);
}

TEST_F(ExactPanesTest, ZoomButtonsAndNormalWorkOnTheExactDrawing) {
  loadBoth();
  trigger("Desenhoexato1");
  const QSize normal = drawingSize(picture("Image3"));
  click("BitBtn4");
  click("BitBtn4");
  EXPECT_GT(drawingSize(picture("Image3")).width(), normal.width());
  click("BitBtn5");
  click("BitBtn5");
  click("BitBtn5");
  EXPECT_LT(drawingSize(picture("Image3")).width(), normal.width());
  click("BitBtn6");
  EXPECT_EQ(drawingSize(picture("Image3")), normal);
  EXPECT_NEAR(drawingSize(picture("Image2")).width(), normal.width(), 2);  // the other pane untouched
}

// A drawing smaller than its pane sits in its middle, the picture filling the pane's room.
TEST_F(ExactPanesTest, ASmallDrawingIsCentredInItsPane) {
  loadBoth();
  trigger("Desenhoexato1");
  const QImage image = picture("Image2");
  int left = image.width(), right = -1, top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == qRgb(255, 255, 255)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, 0);
  EXPECT_NEAR(left, image.width() - 1 - right, 3);
  EXPECT_NEAR(top, image.height() - 1 - bottom, 3);
  auto* b = find<QScrollArea>("ScrollBox1");
  EXPECT_EQ(b->horizontalScrollBar()->maximum(), 0);  // nothing to scroll to
  EXPECT_EQ(b->verticalScrollBar()->maximum(), 0);
}

TEST_F(ExactPanesTest, TextSwitchAddsTheTexts) {
  loadBoth();
  trigger("Desenhoexato1");
  const QImage without = picture("Image2");
  click("RxSwitch1");
  EXPECT_NE(picture("Image2"), without);
  // The reference above the outline now takes room: the drawing is scaled down to fit.
  EXPECT_GE(picture("Image2").height(), without.height() - 2);
}

TEST_F(ExactPanesTest, HoveringAPadNamesIt) {
  loadBoth();
  trigger("Desenhoexato1");
  auto* image = find<PreviewWidget>("Image2");
  const QImage shown = image->image();
  // Pads lie on the middle row: left quarter and right quarter of the outline.
  const int y = shown.height() / 2 + shown.height() / 12;
  QString left, right;
  for (int x = 0; x < shown.width() && (left.isEmpty() || right.isEmpty()); ++x) {
    const QString hint = panes()->hintAt(image, QPoint(x, y));
    if (hint.startsWith(QLatin1String("Ilha 1"))) left = hint;
    if (hint.startsWith(QLatin1String("Ilha 2"))) right = hint;
  }
  EXPECT_EQ(left, QStringLiteral("Ilha 1\nForma: retângulo\nTamanho: 800 × 800 (1/10000 pol)\n"
                                 "Furo: 320 (1/10000 pol)"));
  EXPECT_TRUE(right.contains(QStringLiteral("círculo"))) << right.toStdString();
  EXPECT_TRUE(panes()->hintAt(image, QPoint(1, 1)).isEmpty());
  trigger("Desenhoexato1");
  EXPECT_TRUE(panes()->hintAt(image, QPoint(1, 1)).isEmpty());
}

// --- fit, wheel zoom and panning on the exact drawing ------------------------------------

/// padModule inside a square outline, so a zoomed picture scrolls both ways.
TestModule squarePadModule(std::string name) {
  TestModule m = padModule(std::move(name));
  m.body.push_back("DS -2000 -2000 2000 -2000 80 21");
  m.body.push_back("DS -2000 2000 2000 2000 80 21");
  return m;
}

class ExactNavigation : public ExactPanesTest {
 protected:
  void SetUp() override {
    ExactPanesTest::SetUp();
    loadEdit(writeLibrary("e.mod", {squarePadModule("E1")}));
    loadSearch(writeLibrary("s.mod", {squarePadModule("S1"), padModule("S2")}));
    trigger("Desenhoexato1");
  }
  QScrollArea* box(const char* name) { return find<QScrollArea>(name); }
  void wheel(const char* name, QPoint at, int angle) {
    QWidget* target = box(name)->viewport();
    QWheelEvent event(at, target->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
  }
  void mouse(const char* name, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QWidget* target = box(name)->viewport();
    QMouseEvent event(type, at, target->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, {});
    QApplication::sendEvent(target, &event);
  }
  /// Room for a picture that fits: the scroll box less its frame and the picture's offset.
  QSize area(const char* name, const char* image) {
    QScrollArea* b = box(name);
    const QPoint at = find<PreviewWidget>(image)->pos();
    return {b->width() - 2 * b->frameWidth() - at.x(), b->height() - 2 * b->frameWidth() - at.y()};
  }
  const estado_desenho& st() { return window_->drawingState(); }
};

TEST_F(ExactNavigation, WheelStepsTheScaleAndTheDrawingGrowsInProportion) {
  const QSize at100 = drawingSize(picture("Image2"));
  wheel("ScrollBox1", {100, 100}, 2 * 120);
  EXPECT_EQ(st().escala_edicao, 80);
  EXPECT_EQ(st().escala_pesquisa, 100);
  const QSize at80 = drawingSize(picture("Image2"));
  // The box inside the 50-pixel margins grows as 100 / 80, scroll bars or not.
  EXPECT_NEAR(at80.width() - 100, (at100.width() - 100) * 100.0 / 80, 2);
  EXPECT_NEAR(at80.height() - 100, (at100.height() - 100) * 100.0 / 80, 2);
  wheel("ScrollBox1", {100, 100}, -2 * 120);
  EXPECT_EQ(drawingSize(picture("Image2")), at100);
}

TEST_F(ExactNavigation, WheelZoomsAboutThePointer) {
  wheel("ScrollBox1", {100, 100}, 5 * 120);  // large enough to scroll both ways
  QScrollArea* b = box("ScrollBox1");
  b->horizontalScrollBar()->setValue(60);
  b->verticalScrollBar()->setValue(40);
  ASSERT_EQ(b->horizontalScrollBar()->value(), 60);
  ASSERT_EQ(b->verticalScrollBar()->value(), 40);
  const QPoint pointer(150, 120);
  const QPoint offset = find<PreviewWidget>("Image2")->pos();
  const auto share = [&](QSize picture) {
    return QPointF((b->horizontalScrollBar()->value() + pointer.x() - offset.x() - 50.0) /
                       (picture.width() - 100),
                   (b->verticalScrollBar()->value() + pointer.y() - offset.y() - 50.0) /
                       (picture.height() - 100));
  };
  const QPointF before = share(picture("Image2").size());
  wheel("ScrollBox1", pointer, 120);
  ASSERT_EQ(st().escala_edicao, 40);
  const QPointF after = share(picture("Image2").size());
  EXPECT_NEAR(after.x(), before.x(), 0.01);
  EXPECT_NEAR(after.y(), before.y(), 0.01);
}

TEST_F(ExactNavigation, DraggingPansWithoutRedrawing) {
  wheel("ScrollBox1", {100, 100}, 6 * 120);
  QScrollArea* b = box("ScrollBox1");
  b->horizontalScrollBar()->setValue(50);
  b->verticalScrollBar()->setValue(50);
  const QImage shown = picture("Image2");
  mouse("ScrollBox1", QEvent::MouseButtonPress, {150, 150}, Qt::LeftButton);
  mouse("ScrollBox1", QEvent::MouseMove, {120, 130}, Qt::LeftButton);
  mouse("ScrollBox1", QEvent::MouseButtonRelease, {120, 130}, Qt::NoButton);
  EXPECT_EQ(b->horizontalScrollBar()->value(), 80);
  EXPECT_EQ(b->verticalScrollBar()->value(), 70);
  EXPECT_EQ(picture("Image2"), shown);
  EXPECT_EQ(st().escala_edicao, 40);
}

TEST_F(ExactNavigation, FitTakesTheLargestDrawingThatFitsAndFollowsTheArea) {
  wheel("ScrollBox2", {100, 100}, 5 * 120);
  ASSERT_GT(picture("Image3").width(), area("ScrollBox2", "Image3").width());
  click("SB_ajustar2");
  const int fitted = st().escala_pesquisa;
  const QSize room = area("ScrollBox2", "Image3");
  EXPECT_LE(picture("Image3").width(), room.width());
  EXPECT_LE(picture("Image3").height(), room.height());
  // One step larger no longer fits: "+ Zoom" takes that step and ends fitting.
  click("BitBtn4");
  EXPECT_EQ(st().escala_pesquisa, fitted - 10);
  EXPECT_FALSE(find<QAbstractButton>("SB_ajustar2")->isChecked());
  EXPECT_TRUE(picture("Image3").width() > room.width() ||
              picture("Image3").height() > room.height());
  // Fitting again, then a larger window: after a moment the drawing fills the new room.
  click("SB_ajustar2");
  const int smallWidth = picture("Image3").width();
  window_->resize(1400, 1000);
  QTest::qWait(200);
  EXPECT_GT(picture("Image3").width(), smallWidth);
  EXPECT_LE(picture("Image3").width(), area("ScrollBox2", "Image3").width());
  EXPECT_EQ(st().escala_edicao, 100);  // the other pane untouched
}

struct HintCase {
  exact::Pad pad;
  LengthUnit unit;
  const char* hint;
};

class PadHint : public ::testing::TestWithParam<HintCase> {};

TEST_P(PadHint, Describes) {
  EXPECT_EQ(padDescription(GetParam().pad, GetParam().unit), QString::fromUtf8(GetParam().hint));
}

exact::Pad makePad(const char* number, char shape, exact::Point size, int angle,
                   std::int64_t drill, bool oval = false, exact::Point drillSize = {}) {
  exact::Pad p;
  p.number = number;
  p.shape = shape;
  p.size = size;
  p.angle = angle;
  p.drill = drill;
  p.ovalDrill = oval;
  p.drillSize = drillSize;
  return p;
}

/// A 1 x 0.5 mm pad read from a `.kicad_mod` file: rounded, cut or custom (round anchor).
exact::Pad roundPad(double ratio, unsigned chamfer, bool custom) {
  exact::Pad p = makePad("1", custom ? 'C' : 'R', {1000000, 500000}, 0, 0);
  p.roundRatio = ratio;
  p.chamferRatio = chamfer != 0 ? 0.2 : 0;
  p.chamferCorners = chamfer;
  p.custom = custom;
  if (custom) p.primitives.resize(2);
  return p;
}

INSTANTIATE_TEST_SUITE_P(
    Pads, PadHint,
    ::testing::Values(
        HintCase{makePad("A1", 'O', {1524000, 2540000}, 450, 0, true, {600000, 1000000}),
                 LengthUnit::Millimetre,
                 "Ilha A1\nForma: oval, 45°\nTamanho: 1,524 × 2,54 mm\nFuro: oval 0,6 × 1 mm"},
        HintCase{makePad("3", 'T', {2540000, 1270000}, 0, 0), LengthUnit::Decimil,
                 "Ilha 3\nForma: trapézio\nTamanho: 1000 × 500 (1/10000 pol)\nFuro: nenhum"},
        HintCase{makePad("", 'C', {2540000, 0}, 0, 1016000), LengthUnit::Millimetre,
                 "Ilha \nForma: círculo\nTamanho: 2,54 × 2,54 mm\nFuro: 1,016 mm"},
        HintCase{roundPad(0.25, 0, false), LengthUnit::Millimetre,
                 "Ilha 1\nForma: retângulo arredondado\nTamanho: 1 × 0,5 mm\nFuro: nenhum"},
        HintCase{roundPad(0, exact::kChamferTopLeft, false), LengthUnit::Millimetre,
                 "Ilha 1\nForma: retângulo chanfrado\nTamanho: 1 × 0,5 mm\nFuro: nenhum"},
        HintCase{roundPad(0, 0, true), LengthUnit::Millimetre,
                 "Ilha 1\nForma: personalizada (âncora círculo, 2 primitiva(s))\nTamanho: 1 × 1 mm\n"
                 "Furo: nenhum"}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

}  // namespace
}  // namespace trevak::test
