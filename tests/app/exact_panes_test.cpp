// SPDX-License-Identifier: GPL-3.0-or-later
// The exact drawing in the window: the toggle, zoom and texts on both panes, the pad hints.
#include <QMenu>
#include <QMenuBar>

#include "app/exact_panes.h"
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
  EXPECT_EQ(menu->title(), QStringLiteral("Exibir"));
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
  const QSize normal = picture("Image3").size();
  click("BitBtn4");
  click("BitBtn4");
  EXPECT_GT(picture("Image3").width(), normal.width());
  click("BitBtn5");
  click("BitBtn5");
  click("BitBtn5");
  EXPECT_LT(picture("Image3").width(), normal.width());
  click("BitBtn6");
  EXPECT_EQ(picture("Image3").size(), normal);
  EXPECT_NEAR(picture("Image2").width(), normal.width(), 2);  // the other pane untouched
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

INSTANTIATE_TEST_SUITE_P(
    Pads, PadHint,
    ::testing::Values(
        HintCase{makePad("A1", 'O', {1524000, 2540000}, 450, 0, true, {600000, 1000000}),
                 LengthUnit::Millimetre,
                 "Ilha A1\nForma: oval, 45°\nTamanho: 1,524 × 2,54 mm\nFuro: oval 0,6 × 1 mm"},
        HintCase{makePad("3", 'T', {2540000, 1270000}, 0, 0), LengthUnit::Decimil,
                 "Ilha 3\nForma: trapézio\nTamanho: 1000 × 500 (1/10000 pol)\nFuro: nenhum"},
        HintCase{makePad("", 'C', {2540000, 0}, 0, 1016000), LengthUnit::Millimetre,
                 "Ilha \nForma: círculo\nTamanho: 2,54 × 2,54 mm\nFuro: 1,016 mm"}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

}  // namespace
}  // namespace trevak::test
