// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and the editing commands through the window's buttons.
#include <QStatusBar>
#include <cerrno>

#include "app/preview_widget.h"
#include "library/library_writer.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

using Commands = WindowTest;

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(Commands, NavigationMovesBothTablesByPosition) {
  loadEdit(writeLibrary("e.mod", modulesNamed({"E1", "E2", "E3"})));
  loadSearch(writeLibrary("s.mod", modulesNamed({"S1", "S2", "S3", "S4", "S5"})));
  for (int i = 0; i < 3; ++i) click("BitBtn8");
  EXPECT_EQ(currentName(window_->editLibrary()), "E3");
  EXPECT_EQ(currentName(window_->searchLibrary()), "S4");
  EXPECT_EQ(gridRow("DBGrid1"), 2);
  EXPECT_EQ(gridRow("DBGrid2"), 3);
  click("BitBtn10");
  click("BitBtn9");
  click("BitBtn9");
  EXPECT_EQ(currentName(window_->editLibrary()), "E1");
  EXPECT_EQ(currentName(window_->searchLibrary()), "S3");
  click("BitBtn7");
  EXPECT_EQ(currentName(window_->searchLibrary()), "S1");
  EXPECT_FALSE(window_->isModified());
}

TEST_F(Commands, NavigationWithOneEmptyTable) {
  loadSearch(writeLibrary("s.mod", modulesNamed({"S1", "S2"})));
  click("BitBtn8");
  EXPECT_EQ(currentName(window_->searchLibrary()), "S2");
  EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(Commands, CopyAddsInNameOrderAndMarksTheLibraryModified) {
  loadEdit(writeLibrary("e.mod", modulesNamed({"alfa", "gama"})));
  loadSearch(writeLibrary("s.mod", modulesNamed({"Beta"})));
  click("BitBtn10");  // edit: gama current
  ASSERT_EQ(currentName(window_->editLibrary()), "gama");
  click("RxSB_copiar");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"alfa", "Beta", "gama"}));
  EXPECT_EQ(currentName(window_->editLibrary()), "Beta");
  EXPECT_EQ(gridRow("DBGrid1"), 1);
  EXPECT_EQ(text("Label1"), "3");
  EXPECT_TRUE(window_->isModified());
  EXPECT_TRUE(prompts_->errors.isEmpty());
  EXPECT_EQ(window_->editLibrary().GetField("Comandos"),
            window_->searchLibrary().GetField("Comandos"));

  // The copy is unsaved work: starting a new library asks first.
  prompts_->discardAnswers.push_back(false);
  click("RxSB_limpar");
  EXPECT_EQ(prompts_->discardQuestions, 1);
  EXPECT_EQ(window_->editLibrary().RecordCount(), 3);
}

TEST_F(Commands, CopyOfAPresentNameIsRefusedAndShowsTheModule) {
  loadEdit(writeLibrary("e.mod", modulesNamed({"A0", "DIP8", "Z"})));
  loadSearch(writeLibrary("s.mod", modulesNamed({"dip8"})));
  click("BitBtn10");
  std::string shownWhileRefused;
  prompts_->whileErrorShown = [&] { shownWhileRefused = currentName(window_->editLibrary()); };
  click("RxSB_copiar");
  EXPECT_EQ(prompts_->errors,
            QStringList{QStringLiteral("Já existe um componente com este nome na biblioteca atual!")});
  EXPECT_EQ(shownWhileRefused, "DIP8");
  EXPECT_EQ(window_->editLibrary().RecordCount(), 3);
  EXPECT_EQ(gridRow("DBGrid1"), 1);
  EXPECT_FALSE(window_->isModified());
}

TEST_F(Commands, CopyFromAnEmptySearchLibraryDoesNothing) {
  loadEdit(writeLibrary("e.mod", modulesNamed({"A"})));
  click("RxSB_copiar");
  EXPECT_EQ(window_->editLibrary().RecordCount(), 1);
  EXPECT_FALSE(window_->isModified());
  EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(Commands, DeleteSetsTheFlagAndMovesOn) {
  click("RxSB_apagar");  // empty: nothing, no flag
  EXPECT_FALSE(window_->isModified());
  loadEdit(writeLibrary("e.mod", modulesNamed({"A", "B", "C"})));
  click("BitBtn10");
  click("RxSB_apagar");
  EXPECT_TRUE(window_->isModified());
  EXPECT_EQ(currentName(window_->editLibrary()), "B");
  EXPECT_EQ(text("Label1"), "2");
}

TEST_F(Commands, NewLibraryEmptiesClearsAndNamesItNova) {
  loadEdit(writeLibrary("e.mod", modulesNamed({"A", "B"})));
  click("RxSB_apagar");
  prompts_->discardAnswers.push_back(true);
  trigger("Criarnovabibliotecaparaedio1");
  EXPECT_TRUE(window_->editLibrary().IsEmpty());
  EXPECT_FALSE(window_->isModified());
  EXPECT_EQ(text("Panel5"), "nova");
  EXPECT_EQ(text("Label1"), "0");
  click("RxSB_limpar");  // not modified: no question
  EXPECT_EQ(prompts_->discardQuestions, 1);
}

TEST_F(Commands, StripPrefixUsesTheLibraryBaseName) {
  loadEdit(writeLibrary("conn.mod", modulesNamed({"conn-DIP8", "CONN-SO8", "Conn-X", "SMD-conn-0805",
                                                  "conn-conn-Y"})));
  ASSERT_EQ(names(window_->editLibrary()),
            (std::vector<std::string>{"conn-conn-Y", "conn-DIP8", "CONN-SO8", "Conn-X",
                                      "SMD-conn-0805"}));
  click("RxSpeedButton2");
  // Not sorted again: the names keep their places.
  EXPECT_EQ(names(window_->editLibrary()),
            (std::vector<std::string>{"Y", "DIP8", "SO8", "Conn-X", "SMD-0805"}));
  EXPECT_TRUE(window_->isModified());
  EXPECT_EQ(gridRow("DBGrid1"), 0);  // the user stays on the module they were on
  EXPECT_EQ(find<NameGrid>("DBGrid1")->model()->index(1, 0).data().toString(), "DIP8");
}

// Names the strip would make empty or equal keep their prefix, the status bar names them, and
// one undo takes the rest back.
TEST_F(Commands, StripPrefixKeepsNamesThatWouldClashAndSaysWhich) {
  loadEdit(writeLibrary("R.mod", modulesNamed({"AR4", "ARR-4", "R-", "R-5"})));
  click("RxSpeedButton2");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"AR4", "ARR-4", "R-", "5"}));
  EXPECT_TRUE(window_->statusBar()->currentMessage().contains(QStringLiteral("ARR-4, R-")))
      << window_->statusBar()->currentMessage().toStdString();
  trigger("Desfazer1");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"AR4", "ARR-4", "R-", "R-5"}));
}

TEST_F(Commands, StripPrefixAfterNewLibraryRemovesNova) {
  loadSearch(writeLibrary("s.mod", modulesNamed({"nova-A", "NOVA-B"})));
  click("RxSB_limpar");
  click("RxSB_copiar");
  click("BitBtn8");
  click("RxSB_copiar");
  click("RxSpeedButton2");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B"}));
}

TEST_F(Commands, WholeLibraryCommandsOnAnEmptyLibraryChangeNothing) {
  click("RxSpeedButton2");
  click("RxSpeedButton4");
  EXPECT_FALSE(window_->isModified());
  EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(Commands, CopyNameFillsPlaceholdersAndSetsTheFlag) {
  loadEdit(writeLibrary("e.mod", {{"DIP8", {"T0 >NAME", "T1 >name >VALUE"}}, {"X", {"Li X"}}}));
  click("RxSpeedButton4");
  EXPECT_EQ(window_->editLibrary().recordAt(0).Comandos.value_or(""),
            "T0 DIP8\rT1 >name >VALUE\r");
  EXPECT_TRUE(window_->isModified());
  EXPECT_EQ(currentName(window_->editLibrary()), "DIP8");
}

TEST_F(Commands, SaveOfAnEmptyLibraryIsRefusedWithoutADialog) {
  click("SB_salvar");
  EXPECT_EQ(prompts_->errors, QStringList{"Biblioteca vazia!"});
  EXPECT_TRUE(prompts_->saveRequests.empty());
  EXPECT_FALSE(window_->redrawSuppressed());
}

TEST_F(Commands, SaveWritesTheLibraryAndResetsTheState) {
  const QString source = writeLibrary("conn.mod", modulesNamed({"R1", "C1"}));
  loadEdit(source);
  click("BitBtn8");
  const QSize pictureBefore = find<PreviewWidget>("Image2")->size();
  click("RxSB_apagar");  // deletes R1; C1 current
  ASSERT_TRUE(window_->isModified());
  loadSearch(writeLibrary("s.mod", modulesNamed({"A1", "B1", "X1"})));
  click("BitBtn10");  // edit stays on C1, search goes to X1 (and draws last)
  const QSize editPicture = find<PreviewWidget>("Image2")->size();
  ASSERT_NE(editPicture, pictureBefore);

  const QString target = dirPath("saved.mod");
  prompts_->saveAnswers.push_back(target);
  trigger("Salvarbibliotecaemedio1");
  ASSERT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join('\n').toStdString();
  ASSERT_EQ(prompts_->saveRequests.size(), 1u);
  const FileDialogRequest& request = prompts_->saveRequests.front();
  EXPECT_EQ(request.title, "Salvar Biblioteca");
  EXPECT_EQ(request.defaultSuffix, "mod");
  EXPECT_TRUE(request.filters.isEmpty());
  EXPECT_EQ(request.initialFolder, ".");
  EXPECT_EQ(request.fileName, source);
  EXPECT_TRUE(request.confirmOverwrite);

  const QByteArray saved = readAll(target);
  EXPECT_TRUE(saved.startsWith("PCBNEW-LibModule-V1   "));
  EXPECT_TRUE(saved.contains("\r\n$INDEX\r\nC1\r\n$EndINDEX\r\n$MODULE C1\r\n"));
  EXPECT_TRUE(saved.endsWith("$EndMODULE C1\r\n"));
  EXPECT_FALSE(window_->isModified());
  EXPECT_FALSE(window_->redrawSuppressed());
  EXPECT_EQ(text("Panel5"), target);
  EXPECT_EQ(gridRow("DBGrid1"), 0);
  EXPECT_EQ(find<PreviewWidget>("Image2")->size(), editPicture);

  // The next save offers the saved path; loading asks nothing now.
  prompts_->saveAnswers.push_back(std::nullopt);
  click("SB_salvar");
  EXPECT_EQ(prompts_->saveRequests.back().fileName, target);
  loadEdit(target);
  EXPECT_EQ(prompts_->discardQuestions, 0);
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"C1"}));
}

TEST_F(Commands, CancelledSaveOnlyMovesToTheFirstModule) {
  const QString source = writeLibrary("conn.mod", modulesNamed({"A", "B", "C"}));
  loadEdit(source);
  click("BitBtn10");
  click("RxSB_apagar");  // C deleted, B current, modified
  const QSize picture = find<PreviewWidget>("Image2")->size();
  bool suppressedDuringDialog = false;
  prompts_->whileSaveDialogShown = [&] { suppressedDuringDialog = window_->redrawSuppressed(); };
  prompts_->saveAnswers.push_back(std::nullopt);
  click("SB_salvar");
  EXPECT_TRUE(suppressedDuringDialog);
  EXPECT_FALSE(window_->redrawSuppressed());
  EXPECT_TRUE(window_->isModified());
  EXPECT_EQ(text("Panel5"), source);
  EXPECT_EQ(currentName(window_->editLibrary()), "A");
  EXPECT_EQ(find<PreviewWidget>("Image2")->size(), picture);  // not redrawn
  EXPECT_EQ(readAll(source).count("$MODULE"), 3);
}

/// The system's files, except that writing fails once the file was created.
class DiskFullLayer final : public SaveFileLayer {
 public:
  explicit DiskFullLayer(const TfTrevak* const* window) : m_window(window) {}
  int create(const std::string& path, mode_t mode, bool exactMode, int& handle) override {
    suppressedDuringWrite = (*m_window)->redrawSuppressed();
    return m_files.create(path, mode, exactMode, handle);
  }
  int write(int, std::string_view) override { return ENOSPC; }
  int flush(int handle) override { return m_files.flush(handle); }
  int close(int handle) override { return m_files.close(handle); }
  int rename(const std::string& from, const std::string& to) override {
    return m_files.rename(from, to);
  }
  int remove(const std::string& path) override { return m_files.remove(path); }

  bool suppressedDuringWrite = false;

 private:
  const TfTrevak* const* m_window;
  PosixFileLayer m_files;
};

class FailingSave : public WindowTest {
 protected:
  WindowOptions windowOptions() override {
    WindowOptions options = WindowTest::windowOptions();
    options.saveFiles = &m_layer;
    return options;
  }
  const TfTrevak* m_windowPointer = nullptr;
  DiskFullLayer m_layer{&m_windowPointer};
};

TEST_F(FailingSave, LeavesTheOldFileTheFlagAndTheCaption) {
  m_windowPointer = window_.get();
  const QString source = writeLibrary("conn.mod", modulesNamed({"A", "B"}));
  const QByteArray before = readAll(source);
  loadEdit(source);
  click("RxSB_apagar");
  prompts_->saveAnswers.push_back(source);
  click("SB_salvar");
  EXPECT_EQ(prompts_->errors, QStringList{"Disk full."});
  EXPECT_TRUE(m_layer.suppressedDuringWrite);
  EXPECT_FALSE(window_->redrawSuppressed());
  EXPECT_TRUE(window_->isModified());
  EXPECT_EQ(text("Panel5"), source);
  EXPECT_EQ(readAll(source), before);
  EXPECT_EQ(window_->editLibrary().suspendCount(), 0);
  EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"conn.mod"});
  // The edit pane redraws again after the failure.
  click("BitBtn8");
  EXPECT_EQ(text("Label1"), "1");
}

TEST_F(Commands, SaveIntoAMissingFolderFails) {
  loadEdit(writeLibrary("conn.mod", modulesNamed({"A"})));
  const QString target = dirPath("no-such-folder/out.mod");
  prompts_->saveAnswers.push_back(target);
  click("SB_salvar");
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_EQ(prompts_->errors.first(), "File not found.");
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_FALSE(window_->redrawSuppressed());
}

}  // namespace
}  // namespace trevak::test
