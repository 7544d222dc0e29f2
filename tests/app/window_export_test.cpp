// SPDX-License-Identifier: GPL-3.0-or-later
// The menu item that exports the edit library as a KiCad footprint folder.
#include <QAction>
#include <QDir>

#include "app/kicad_export_action.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

using KicadExportMenu = WindowTest;

QStringList footprintFiles(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST_F(KicadExportMenu, HasItsCaptionAndShortcut) {
  QAction* action = find<QAction>("Exportarbibliotecaparakicad1");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->text(), QString::fromUtf8("Exportar biblioteca de edição para KiCad (.pretty)..."));
  EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
}

TEST_F(KicadExportMenu, ExportsTheWholeEditLibraryWithASummary) {
  const QString lib = writeLibrary("parts.mod", modulesNamed({"R1", "C1", "U1"}));
  loadEdit(lib);
  prompts_->folderAnswers.push_back(dirPath(QStringLiteral("out")));
  trigger("Exportarbibliotecaparakicad1");
  const QString folder = dirPath(QStringLiteral("out/parts.pretty"));
  EXPECT_EQ(footprintFiles(folder),
            (QStringList{"C1.kicad_mod", "R1.kicad_mod", "U1.kicad_mod"}));
  ASSERT_EQ(prompts_->summaries.size(), 1);
  EXPECT_TRUE(prompts_->summaries[0].contains(QStringLiteral("3 gravados")));
  EXPECT_EQ(prompts_->progressTotals, (std::vector<int>{3}));
  EXPECT_EQ(prompts_->progressSteps, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(prompts_->errors.isEmpty());
  EXPECT_FALSE(window_->isModified());

  // Again into the .pretty folder itself: nothing changes, and the summary says so.
  prompts_->folderAnswers.push_back(folder);
  trigger("Exportarbibliotecaparakicad1");
  ASSERT_EQ(prompts_->summaries.size(), 2);
  EXPECT_TRUE(prompts_->summaries[1].contains(QStringLiteral("3 sem mudança")));
}

TEST_F(KicadExportMenu, DifferentFilesAndNotesAreListedInTheDetails) {
  loadEdit(writeLibrary("parts.mod", {{"R1", {"Po 0 0 0 15 0 0 ~~", "Zz strange line"}},
                                      {"R2", {"Po 0 0 0 15 0 0 ~~"}}}));
  const QString folder = dirPath(QStringLiteral("x.pretty"));
  QDir().mkpath(folder);
  {
    QFile file(folder + QStringLiteral("/R2.kicad_mod"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("mine");
  }
  prompts_->folderAnswers.push_back(folder);
  // The summary comes as the question whether to replace the different file: kept.
  prompts_->replaceAnswers.push_back(false);
  trigger("Exportarbibliotecaparakicad1");
  EXPECT_TRUE(prompts_->summaries.isEmpty());
  ASSERT_EQ(prompts_->replaceQuestions.size(), 1);
  EXPECT_TRUE(prompts_->replaceQuestions[0].contains(QStringLiteral("1 recusados")));
  EXPECT_TRUE(prompts_->replaceQuestions[0].contains(QStringLiteral("Substituí-lo")));
  EXPECT_TRUE(prompts_->replaceDetails[0].contains(QStringLiteral("Zz strange line")));
  EXPECT_TRUE(prompts_->replaceDetails[0].contains(QStringLiteral("R2.kicad_mod")));
  QFile kept(folder + QStringLiteral("/R2.kicad_mod"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("mine"));
}

TEST_F(KicadExportMenu, ReplacingDifferentFilesRewritesOnlyThoseAndSaysSo) {
  loadEdit(writeLibrary("parts.mod", modulesNamed({"R1", "R2", "R3", "R4"})));
  const QString folder = dirPath(QStringLiteral("x.pretty"));
  QDir().mkpath(folder);
  for (const char* name : {"/R2.kicad_mod", "/R4.kicad_mod"}) {
    QFile file(folder + QLatin1String(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("mine");
  }
  QDir().mkpath(folder + QStringLiteral("/R3.kicad_mod"));  // a folder is never replaced
  prompts_->folderAnswers.push_back(folder);
  prompts_->replaceAnswers.push_back(true);
  trigger("Exportarbibliotecaparakicad1");
  ASSERT_EQ(prompts_->replaceQuestions.size(), 1);
  EXPECT_TRUE(prompts_->replaceQuestions[0].contains(QStringLiteral("2 arquivos diferentes")));
  // The second run goes over the two different files only.
  EXPECT_EQ(prompts_->progressTotals, (std::vector<int>{4, 2}));
  ASSERT_EQ(prompts_->summaries.size(), 1);
  EXPECT_TRUE(prompts_->summaries[0].contains(QStringLiteral("1 gravados")));
  EXPECT_TRUE(prompts_->summaries[0].contains(QStringLiteral("2 substituídos")));
  EXPECT_TRUE(prompts_->summaries[0].contains(QStringLiteral("1 recusados")));
  EXPECT_TRUE(prompts_->summaryDetails[0].contains(QStringLiteral("R3.kicad_mod")));
  EXPECT_FALSE(prompts_->summaryDetails[0].contains(QStringLiteral("R2.kicad_mod")));
  for (const char* name : {"/R2.kicad_mod", "/R4.kicad_mod"}) {
    QFile file(folder + QLatin1String(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("(footprint")) << name;
  }
}

TEST_F(KicadExportMenu, ANewFolderTypedByNameIsMade) {
  loadEdit(writeLibrary("parts.mod", modulesNamed({"R1"})));
  prompts_->folderAnswers.push_back(dirPath(QStringLiteral("new/deeper")));
  trigger("Exportarbibliotecaparakicad1");
  ASSERT_EQ(prompts_->folderRequests.size(), 1u);
  EXPECT_TRUE(prompts_->folderRequests[0].newFolderAllowed);
  EXPECT_EQ(footprintFiles(dirPath(QStringLiteral("new/deeper/parts.pretty"))),
            QStringList{"R1.kicad_mod"});
  EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(KicadExportMenu, EmptyLibraryCancelAndBadFolder) {
  // Nothing to export: the item waits, disabled, for a module.
  EXPECT_FALSE(find<QAction>("Exportarbibliotecaparakicad1")->isEnabled());
  trigger("Exportarbibliotecaparakicad1");
  EXPECT_TRUE(prompts_->errors.isEmpty());
  EXPECT_TRUE(prompts_->folderRequests.empty());

  loadEdit(writeLibrary("parts.mod", modulesNamed({"R1"})));
  prompts_->folderAnswers.push_back(std::nullopt);
  trigger("Exportarbibliotecaparakicad1");
  EXPECT_TRUE(prompts_->summaries.isEmpty());

  // A file where the folder should be: the error box, nothing else.
  const QString file = writeLibrary("plain.pretty", modulesNamed({"X"}));
  prompts_->folderAnswers.push_back(file);
  trigger("Exportarbibliotecaparakicad1");
  EXPECT_EQ(prompts_->errors.size(), 1);
  EXPECT_TRUE(prompts_->summaries.isEmpty());
}

TEST_F(KicadExportMenu, StoppingTheProgressKeepsWhatWasWritten) {
  loadEdit(writeLibrary("parts.mod", modulesNamed({"A", "B", "C", "D"})));
  prompts_->stopProgressAt = 2;
  const QString folder = dirPath(QStringLiteral("s.pretty"));
  prompts_->folderAnswers.push_back(folder);
  trigger("Exportarbibliotecaparakicad1");
  EXPECT_EQ(footprintFiles(folder), (QStringList{"A.kicad_mod", "B.kicad_mod"}));
  ASSERT_EQ(prompts_->summaries.size(), 1);
  EXPECT_TRUE(prompts_->summaries[0].contains(QStringLiteral("interrompida")));
}

TEST(KicadExportFolder, ChosenPrettyFolderOrOneNamedAfterTheLibrary) {
  EXPECT_EQ(kicadExportFolder("/a/b.pretty", "/x/lib.mod"), "/a/b.pretty");
  EXPECT_EQ(kicadExportFolder("/a", "/x/lib.mod"), "/a/lib.pretty");
  EXPECT_EQ(kicadExportFolder("/a", ""), "/a/biblioteca.pretty");
}

}  // namespace
}  // namespace trevak::test
