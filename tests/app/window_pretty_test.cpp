// SPDX-License-Identifier: GPL-3.0-or-later
// The search pane with KiCad's current libraries: a .pretty folder of every dialect, its bad
// files reported, and the preview of a .kicad_mod footprint always the exact drawing.
#include <QDir>
#include <algorithm>
#include <filesystem>

#include "app/exact_panes.h"
#include "app/preview_widget.h"
#include "tests/common/mixed_pretty.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

class SearchPretty : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_folder = dirPath("lib/Mixed.pretty");
    ASSERT_EQ(buildMixedPretty(m_folder.toStdString()), "");
  }
  ExactPanes* panes() { return window_->findChild<ExactPanes*>(QStringLiteral("exactPanes")); }
  QString m_folder;
};

TEST_F(SearchPretty, EveryDialectLoadsAndTheTwoBadFilesAreReported) {
  window_->openSearchLibrary(m_folder);
  std::vector<std::string> wanted;
  for (const MixedFootprint& f : mixedFootprints()) wanted.push_back(f.name);
  std::sort(wanted.begin(), wanted.end());
  std::vector<std::string> got = names(window_->searchLibrary());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, wanted);
  ASSERT_EQ(prompts_->errors.size(), 1);
  const QString report = prompts_->errors.first();
  EXPECT_TRUE(report.contains(QString::fromLatin1(kBrokenFootprintFile))) << report.toStdString();
  EXPECT_TRUE(report.contains(QStringLiteral("feito por um KiCad mais novo (versão 20991231)")))
      << report.toStdString();

  // A folder holding it is searched for it, the .pretty being one library named as KiCad does.
  prompts_->errors.clear();
  window_->openSearchLibrary(dirPath("lib"));
  EXPECT_EQ(window_->searchLibrary().totalCount(), 6);
  const ModuleTable& t = window_->searchLibrary();
  EXPECT_EQ(t.libraryOf(t.recordAt(0))->nickname, "Mixed");
}

TEST_F(SearchPretty, ThePreviewIsTheExactDrawingWithPadHover) {
  window_->openSearchLibrary(m_folder);
  ASSERT_FALSE(panes()->isOn());
  auto* image = find<PreviewWidget>("Image3");
  ASSERT_TRUE(panes()->showsExact(image));
  // Some point of the picture names a pad, as it does for a legacy module in the exact drawing.
  const QImage shown = image->image();
  ASSERT_GT(shown.width(), 10);
  bool named = false;
  for (int y = 0; y < shown.height() && !named; y += 2) {
    for (int x = 0; x < shown.width() && !named; x += 2) {
      named = panes()->hintAt(image, QPoint(x, y)).startsWith(QLatin1String("Ilha"));
    }
  }
  EXPECT_TRUE(named);
  // A legacy library afterwards is sketched again and hover says nothing.
  loadSearch(writeLibrary("s.mod", modulesNamed({"S1"})));
  EXPECT_FALSE(panes()->showsExact(image));
  EXPECT_TRUE(panes()->hintAt(image, QPoint(1, 1)).isEmpty());
}

}  // namespace
}  // namespace trevak::test
