// SPDX-License-Identifier: GPL-3.0-or-later
// The two loaders: questions, dialogs, captions, the modified flag and failures.
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "window_fixture.h"

namespace trevak::test {
namespace {

using Loading = WindowTest;

TEST_F(Loading, EditLibraryLoadsSortedWithTheFirstModuleCurrent) {
  const QString path = writeLibrary("conn.mod", modulesNamed({"B", "a", "A"}));
  loadEdit(path);
  ASSERT_EQ(prompts_->openRequests.size(), 1u);
  const FileDialogRequest& request = prompts_->openRequests.front();
  EXPECT_EQ(request.filters, (QStringList{"Modulos (*.mod)", "PCBs (*.brd)",
                                         "Pastas de pegadas KiCad (*.pretty)",
                                         "Todos arquivos (*)"}));
  EXPECT_TRUE(request.acceptPrettyFolders);
  EXPECT_EQ(request.defaultSuffix, "mod");
  EXPECT_TRUE(request.fileName.isEmpty());
  EXPECT_TRUE(request.title.isEmpty());
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"a", "A", "B"}));
  EXPECT_EQ(gridRow("DBGrid1"), 0);
  EXPECT_EQ(text("Panel5"), path);
  EXPECT_EQ(text("Label1"), "3");
  EXPECT_EQ(text("Label2"), "0");
  EXPECT_FALSE(window_->isModified());
  EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(Loading, SearchLibraryHasItsOwnFilterAndRemembersTheLastName) {
  const QString path = writeLibrary("src.mod", modulesNamed({"R1", "C1"}));
  loadSearch(path);
  EXPECT_EQ(prompts_->openRequests.back().filters,
            (QStringList{"Módulos e pegadas KiCad (*.mod *.kicad_mod)", "Módulos (*.mod)",
                         "PCBs (*.brd)", "Todos arquivos (*)"}));
  EXPECT_EQ(names(window_->searchLibrary()), (std::vector<std::string>{"C1", "R1"}));
  EXPECT_EQ(text("panel6"), path);
  EXPECT_EQ(text("Label2"), "2");
  EXPECT_EQ(text("Panel5"), "");
  // The next search dialog offers the name chosen last; the edit dialog the edit caption.
  prompts_->openAnswers.push_back(std::nullopt);
  click("RxSB_carregar2");
  EXPECT_EQ(prompts_->openRequests.back().fileName, path);
  prompts_->openAnswers.push_back(std::nullopt);
  click("SB_carregar");
  EXPECT_EQ(prompts_->openRequests.back().fileName, "");
}

TEST_F(Loading, MenuItemsActLikeTheirButtons) {
  const QString path = writeLibrary("src.mod", modulesNamed({"X"}));
  prompts_->openAnswers.push_back(path);
  trigger("Carregarbibliotecadepesquisa1");
  EXPECT_EQ(text("panel6"), path);
  prompts_->openAnswers.push_back(path);
  trigger("Carregarbibliotecaparaedio1");
  EXPECT_EQ(text("Panel5"), path);
  EXPECT_EQ(prompts_->openRequests.back().filters.first(), "Modulos (*.mod)");
}

TEST_F(Loading, CancelledDialogChangesNothing) {
  const QString path = writeLibrary("conn.mod", modulesNamed({"A", "B"}));
  loadEdit(path);
  click("BitBtn8");
  prompts_->openAnswers.push_back(std::nullopt);
  click("SB_carregar");
  EXPECT_EQ(prompts_->openRequests.back().fileName, path);
  EXPECT_EQ(currentName(window_->editLibrary()), "B");
  EXPECT_EQ(text("Panel5"), path);
  EXPECT_EQ(text("Label1"), "2");
}

TEST_F(Loading, DiscardQuestionGuardsUnsavedChanges) {
  const QString first = writeLibrary("first.mod", modulesNamed({"A", "B"}));
  const QString second = writeLibrary("second.mod", modulesNamed({"X"}));
  loadEdit(first);
  click("RxSB_apagar");  // now modified
  ASSERT_TRUE(window_->isModified());

  // The dialog comes first: cancelling it asks nothing.
  prompts_->openAnswers.push_back(std::nullopt);
  click("SB_carregar");
  EXPECT_EQ(prompts_->discardQuestions, 0);
  EXPECT_EQ(prompts_->openRequests.size(), 2u);

  // Cancel at the question: nothing changes.
  prompts_->openAnswers.push_back(second);
  prompts_->discardAnswers.push_back(false);
  click("SB_carregar");
  EXPECT_EQ(prompts_->discardQuestions, 1);
  EXPECT_EQ(prompts_->discardLibraries, QStringList{first});
  EXPECT_EQ(prompts_->openRequests.size(), 3u);
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"B"}));
  EXPECT_TRUE(window_->isModified());
  EXPECT_EQ(text("Panel5"), first);

  // Yes: the dialog follows and the load clears the flag.
  prompts_->discardAnswers.push_back(true);
  loadEdit(second);
  EXPECT_EQ(prompts_->discardQuestions, 2);
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"X"}));
  EXPECT_FALSE(window_->isModified());
  EXPECT_EQ(text("Panel5"), second);

  // Not modified: no question.
  loadEdit(first);
  EXPECT_EQ(prompts_->discardQuestions, 2);
}

TEST_F(Loading, SearchLoaderNeverAsksAndKeepsTheFlag) {
  loadEdit(writeLibrary("e.mod", modulesNamed({"A", "B"})));
  click("RxSB_apagar");
  loadSearch(writeLibrary("s.mod", modulesNamed({"X"})));
  EXPECT_EQ(prompts_->discardQuestions, 0);
  EXPECT_TRUE(window_->isModified());
}

TEST_F(Loading, MissingFileIsReportedAndTheLibraryKept) {
  const QString path = writeLibrary("conn.mod", modulesNamed({"A", "B", "C"}));
  loadEdit(path);
  click("BitBtn8");
  click("RxSB_apagar");  // modified, B deleted, C current
  ASSERT_EQ(currentName(window_->editLibrary()), "C");

  prompts_->discardAnswers.push_back(true);
  loadEdit(dirPath("missing.mod"));
  EXPECT_EQ(prompts_->errors, QStringList{"File not found."});
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(currentName(window_->editLibrary()), "C");
  EXPECT_EQ(text("Panel5"), path);
  EXPECT_EQ(text("Label1"), "2");
  EXPECT_TRUE(window_->isModified());

  loadSearch(dirPath("missing.mod"));
  EXPECT_EQ(prompts_->errors.size(), 2);
  EXPECT_EQ(text("panel6"), "");
}

TEST_F(Loading, AFolderIsNotALibrary) {
  loadSearch(m_dir.path());
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_TRUE(prompts_->errors.first().endsWith('.'));
  EXPECT_TRUE(window_->searchLibrary().IsEmpty());
}

TEST_F(Loading, LibraryWithoutModulesStillShowsItsPath) {
  const QString path = writeLibrary("empty.mod", {});
  loadEdit(path);
  EXPECT_TRUE(window_->editLibrary().IsEmpty());
  EXPECT_EQ(text("Panel5"), path);
  EXPECT_EQ(text("Label1"), "0");
}

TEST_F(Loading, LoadingShowsTheFirstModuleInTheViews) {
  loadSearch(writeLibrary("s.mod", {segmentModule("Q1"), {"Q0", {"Li Q0", "line two"}}}));
  find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  EXPECT_EQ(find<QPlainTextEdit>("DBRE_comp2")->toPlainText(), "Li Q0\nline two");
  EXPECT_EQ(find<NameGrid>("DBGrid2")->model()->index(1, 0).data().toString(), "Q1");
}

TEST_F(Loading, NamesAreShownAsLatin1) {
  loadSearch(writeLibrary("s.mod", {{"R\xe9sistance", {"Li x"}}}));
  EXPECT_EQ(find<NameGrid>("DBGrid2")->model()->index(0, 0).data().toString(),
            QString::fromUtf8("Résistance"));
}

class LoadingWithModuleFolder : public WindowTest {
 protected:
  WindowOptions windowOptions() override {
    QDir(m_dir.path()).mkdir(QStringLiteral("modules"));
    WindowOptions options;
    options.moduleFolder = m_dir.filePath(QStringLiteral("modules"));
    return options;
  }
};

TEST_F(LoadingWithModuleFolder, DialogsStartThereOnlyWhileTheyShowNoName) {
  const QString folder = m_dir.filePath(QStringLiteral("modules"));
  const QString path = writeLibrary("conn.mod", modulesNamed({"A"}));
  loadEdit(path);
  EXPECT_EQ(prompts_->openRequests.back().initialFolder, folder);
  loadSearch(path);
  EXPECT_EQ(prompts_->openRequests.back().initialFolder, folder);
  prompts_->openAnswers.push_back(std::nullopt);
  click("SB_carregar");
  EXPECT_EQ(prompts_->openRequests.back().initialFolder, "");
  prompts_->openAnswers.push_back(std::nullopt);
  click("RxSB_carregar2");
  EXPECT_EQ(prompts_->openRequests.back().initialFolder, "");
}

TEST_F(Loading, MissingModuleFolderGivesNoInitialFolder) {
  prompts_->openAnswers.push_back(std::nullopt);
  click("SB_carregar");
  EXPECT_EQ(prompts_->openRequests.back().initialFolder, "");
}

TEST_F(Loading, DroppedFileLoadsIntoItsPaneAskingFirstWhenModified) {
  const QString edit = writeLibrary("e.mod", modulesNamed({"A", "B"}));
  const QString search = writeLibrary("s.mod", modulesNamed({"X"}));
  window_->openSearchLibrary(search);
  EXPECT_EQ(text("panel6"), search);
  window_->openEditLibrary(edit);
  EXPECT_EQ(text("Panel5"), edit);
  click("RxSB_apagar");
  prompts_->discardAnswers.push_back(false);
  window_->openEditLibrary(search);
  EXPECT_EQ(prompts_->discardQuestions, 1);
  EXPECT_EQ(text("Panel5"), edit);
}

TEST_F(Loading, FileDroppedOnAPaneGoesThroughItsLoader) {
  const QString search = writeLibrary("s.mod", modulesNamed({"X", "Y"}));
  const auto drop = [](QWidget* target, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    // A drop reaches the widget that accepted the drag on entering.
    QDragEnterEvent enter(QPoint(10, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(QPointF(10, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
  };
  EXPECT_FALSE(drop(find("Panel2"), dirPath("notes.txt")));
  EXPECT_EQ(text("panel6"), "");
  EXPECT_TRUE(drop(find("Panel2"), search));
  EXPECT_EQ(text("panel6"), search);
  EXPECT_EQ(text("Label2"), "2");
  EXPECT_TRUE(drop(find("Panel4"), search));
  EXPECT_EQ(text("Panel5"), search);
  EXPECT_TRUE(prompts_->openRequests.empty());
}

TEST_F(Loading, LongPathIsKeptWholeInTheCaption) {
  const QString path = writeLibrary(QString(120, QLatin1Char('x')) + ".mod", modulesNamed({"A"}));
  loadEdit(path);
  EXPECT_EQ(text("Panel5"), path);
  EXPECT_EQ(find("Panel5")->toolTip(), path);
  EXPECT_EQ(window_->centralWidget()->width(), 800);  // a long caption does not widen the window
}

TEST_F(Loading, RealLibraryFromTheCorpus) {
  const QString path =
      QStringLiteral(TREVAK_CORPUS_DIR) + QStringLiteral("/hairykiwi-misc/R_smd.mod");
  if (!QFile::exists(path)) GTEST_SKIP() << "corpus not present";
  loadSearch(path);
  EXPECT_TRUE(prompts_->errors.isEmpty());
  EXPECT_EQ(text("Label2"), "4");
  // A real module draws something: the picture is cropped to the drawing.
  EXPECT_LT(find("Image3")->width(), 2000);
  EXPECT_GT(find("Image3")->width(), 100);
}

}  // namespace
}  // namespace trevak::test
