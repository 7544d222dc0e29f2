// SPDX-License-Identifier: GPL-3.0-or-later
// Menus and questions that say what they do: the recent lists by pane, one word for the search
// pane, items enabled only when they can act, "Sobre", the discard question with "Salvar", and
// the folder dialog of the search pane.
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>

#include "app/version.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

class Menus : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_edit = writeLibrary("conn.mod", modulesNamed({"A", "B"}));
    m_search = writeLibrary("search.mod", modulesNamed({"R0805", "SOT23"}));
  }

  QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QString m_edit, m_search;
};

TEST_F(Menus, RecentListsNameTheirPaneAndTheSearchPaneHasOneName) {
  EXPECT_EQ(find<QMenu>("Bibliotecasrecentes1")->title(), "Bibliotecas de edição recentes");
  EXPECT_EQ(find<QMenu>("Bibliotecasrecentes2")->title(), "Bibliotecas de pesquisa recentes");
  for (QAction* action : window_->findChildren<QAction*>()) {
    EXPECT_FALSE(action->text().contains("origem")) << action->text().toStdString();
    EXPECT_FALSE(action->statusTip().contains("origem")) << action->statusTip().toStdString();
  }
}

TEST_F(Menus, SaveAndExportAreEnabledExactlyWhileTheEditLibraryHoldsModules) {
  auto* save = find<QAction>("Salvar1");
  auto* exportItem = find<QAction>("Exportarbibliotecaparakicad1");
  const auto enabled = [&] { return save->isEnabled() && exportItem->isEnabled(); };
  const auto disabled = [&] { return !save->isEnabled() && !exportItem->isEnabled(); };
  EXPECT_TRUE(disabled());
  loadEdit(m_edit);
  EXPECT_TRUE(enabled());
  selectRows("DBGrid1", {0, 1});
  click("RxSB_apagar");
  EXPECT_TRUE(disabled());
  trigger("Desfazer1");
  EXPECT_TRUE(enabled());
  prompts_->discardAnswers.push_back(true);
  trigger("Criarnovabibliotecaparaedio1");
  EXPECT_TRUE(disabled());
  loadSearch(m_search);
  click("RxSB_copiar");
  EXPECT_TRUE(enabled());
  // "Salvar como..." stays: on an empty library it says why nothing is saved.
  EXPECT_TRUE(find<QAction>("Salvarbibliotecaemedio1")->isEnabled());
}

TEST_F(Menus, AboutTellsVersionLicenceAndFormats) {
  QList<QAction*> top = window_->menuBar()->actions();
  ASSERT_FALSE(top.isEmpty());
  EXPECT_EQ(top.last()->text(), "A&juda");
  ASSERT_NE(top.last()->menu(), nullptr);
  EXPECT_TRUE(top.last()->menu()->actions().contains(find<QAction>("Sobre1")));
  trigger("Sobre1");
  ASSERT_EQ(prompts_->abouts.size(), 1);
  const QString about = prompts_->abouts.first();
  EXPECT_TRUE(about.contains(QLatin1String(versionText())));
  EXPECT_TRUE(about.contains("GPL-3.0-or-later"));
  for (const char* format : {".mod", ".kicad_mod", ".pretty", "fp-lib-table"}) {
    EXPECT_TRUE(about.contains(QLatin1String(format))) << format;
  }
}

TEST_F(Menus, DiscardQuestionNamesTheLibraryAndSaveKeepsTheWorkBeforeLoading) {
  loadEdit(m_edit);
  click("RxSB_apagar");  // A deleted
  prompts_->openAnswers.push_back(m_search);
  prompts_->discardChoices.push_back(DiscardAnswer::Save);
  click("SB_carregar");
  EXPECT_EQ(prompts_->discardLibraries, QStringList{m_edit});
  // Saved to its file without a dialog, then the other library loaded.
  EXPECT_TRUE(prompts_->saveRequests.empty());
  EXPECT_FALSE(fileBytes(m_edit).contains("$MODULE A\r\n"));
  EXPECT_TRUE(fileBytes(m_edit).contains("$MODULE B\r\n"));
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"R0805", "SOT23"}));
  EXPECT_FALSE(window_->isModified());
}

TEST_F(Menus, ASaveThatDoesNotHappenKeepsTheWorkAndStops) {
  // A new library has no file: "Salvar" asks for one, and cancelling it stops the load.
  loadSearch(m_search);
  click("RxSB_copiar");
  ASSERT_TRUE(window_->isModified());
  prompts_->openAnswers.push_back(m_edit);
  prompts_->discardChoices.push_back(DiscardAnswer::Save);
  prompts_->saveAnswers.push_back(std::nullopt);
  click("SB_carregar");
  EXPECT_EQ(prompts_->saveRequests.size(), 1u);
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"R0805"}));
  EXPECT_TRUE(window_->isModified());

  // A save that fails (no such folder) stops closing too.
  prompts_->discardChoices.push_back(DiscardAnswer::Save);
  prompts_->saveAnswers.push_back(dirPath("no/such/folder/x.mod"));
  EXPECT_FALSE(window_->close());
  EXPECT_EQ(prompts_->errors.size(), 1);
  EXPECT_TRUE(window_->isVisible());

  // Saved where asked, the window closes.
  const QString kept = dirPath("kept.mod");
  prompts_->discardChoices.push_back(DiscardAnswer::Save);
  prompts_->saveAnswers.push_back(kept);
  EXPECT_TRUE(window_->close());
  EXPECT_TRUE(fileBytes(kept).contains("$MODULE R0805\r\n"));
}

TEST_F(Menus, FolderDialogOpensOnAFolderWithNoName) {
  ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("libs/one.pretty")));
  QFile footprint(dirPath("libs/one.pretty/R1.kicad_mod"));
  ASSERT_TRUE(footprint.open(QIODevice::WriteOnly));
  footprint.write("(footprint \"R1\" (layer \"F.Cu\"))\n");
  footprint.close();

  loadSearch(m_search);
  prompts_->folderAnswers.push_back(dirPath("libs/one.pretty"));
  trigger("Carregarpastadeorigem1");
  ASSERT_EQ(prompts_->folderRequests.size(), 1u);
  EXPECT_TRUE(prompts_->folderRequests[0].fileName.isEmpty());
  EXPECT_EQ(prompts_->folderRequests[0].initialFolder, m_dir.path());  // the file's folder
  EXPECT_EQ(prompts_->folderRequests[0].title, "Carregar pasta de pesquisa");

  prompts_->folderAnswers.push_back(std::nullopt);
  trigger("Carregarpastadeorigem1");
  EXPECT_TRUE(prompts_->folderRequests[1].fileName.isEmpty());
  EXPECT_EQ(prompts_->folderRequests[1].initialFolder, dirPath("libs/one.pretty"));
}

}  // namespace
}  // namespace trevak::test
