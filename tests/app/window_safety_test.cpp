// SPDX-License-Identifier: GPL-3.0-or-later
// What keeps a library safe in the window: renames that would double a name, files that are
// no library, several modules at once, Save and Save as, the status bar, hints, load warnings,
// and the discard question with Cancel as its default.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QTranslator>

#include "app/load_warnings_panel.h"
#include "app/qt_translations.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

class Safety : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_editPath = writeLibrary("e.mod", {{"A", {"Li A", "Cd x"}}, {"B", {"Li B"}}, {"C", {"Li C"}}});
    loadEdit(m_editPath);
    m_searchPath =
        writeLibrary("s.mod", {{"b", {"Li b"}}, {"X", {"Li X"}}, {"c", {"Li c"}}, {"Y", {"Li Y"}}});
    loadSearch(m_searchPath);
  }

  QString status() { return window_->statusBar()->currentMessage(); }
  QString fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
  }

  QString m_editPath;
  QString m_searchPath;
};

// --- renames ----------------------------------------------------------------------------------

TEST_F(Safety, RenameToANamePresentInAnyCaseIsRefusedAndTheOldNameComesBack) {
  renameCurrent("b");
  EXPECT_EQ(prompts_->errors,
            QStringList{"Já existe um componente com este nome na biblioteca atual!"});
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(currentName(window_->editLibrary()), "A");
  EXPECT_FALSE(window_->isModified());
  EXPECT_FALSE(find<QAction>("Desfazer1")->isEnabled());
}

TEST_F(Safety, AcceptedRenameSortsKeepsTheModuleCurrentAndItsLiLineFollows) {
  renameCurrent("Z");
  EXPECT_TRUE(prompts_->errors.isEmpty());
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"B", "C", "Z"}));
  EXPECT_EQ(currentName(window_->editLibrary()), "Z");
  EXPECT_EQ(gridRow("DBGrid1"), 2);
  EXPECT_EQ(*window_->editLibrary().recordAt(2).Comandos, "Li Z\rCd x\r");
  EXPECT_TRUE(window_->isModified());
}

// --- files that are no library ----------------------------------------------------------------

TEST_F(Safety, FilesThatAreNoLibraryAreRefusedInBothPanesWithNothingLost) {
  const QString png = dirPath("logo.png");
  {
    QFile file(png);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  }
  const QString empty = dirPath("empty.mod");
  {
    QFile file(empty);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  click("RxSB_apagar");  // unsaved work in the edit library
  const auto editNames = names(window_->editLibrary());
  for (const QString& path : {png, empty, m_dir.path()}) {
    prompts_->errors.clear();
    prompts_->discardAnswers.push_back(true);
    loadEdit(path);
    loadSearch(path);
    ASSERT_EQ(prompts_->errors.size(), 2) << path.toStdString();
    if (path != m_dir.path()) {
      EXPECT_TRUE(prompts_->errors[0].contains(path)) << prompts_->errors[0].toStdString();
      EXPECT_TRUE(prompts_->errors[0].contains("não é uma biblioteca de módulos do KiCad"));
    }
    EXPECT_EQ(names(window_->editLibrary()), editNames);
    EXPECT_EQ(window_->searchLibrary().RecordCount(), 4);
    EXPECT_EQ(text("Panel5"), m_editPath);
    EXPECT_EQ(text("panel6"), m_searchPath);
    EXPECT_TRUE(window_->isModified());
    EXPECT_TRUE(find<QAction>("Desfazer1")->isEnabled());
  }
}

TEST_F(Safety, ModulesWithoutAHeaderLoadWithAWarning) {
  const QString path = dirPath("bare.mod");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("$MODULE R1\r\nPo 0 0\r\n$EndMODULE R1\r\n");
  }
  loadSearch(path);
  EXPECT_TRUE(prompts_->errors.isEmpty());
  EXPECT_EQ(window_->searchLibrary().RecordCount(), 1);
  auto* panel = find<LoadWarningsPanel>("LoadWarnings");
  EXPECT_FALSE(panel->isHidden());
  EXPECT_TRUE(panel->details().contains("PCBNEW-LibModule-V"));
  click("LoadWarningsClose");
  EXPECT_TRUE(panel->isHidden());
  loadSearch(m_searchPath);  // a clean library shows no panel
  EXPECT_TRUE(panel->isHidden());
}

TEST_F(Safety, CorpusLibraryWithLongNamesShowsItsWarningsOnce) {
  const QString path = QStringLiteral(TREVAK_CORPUS_DIR) +
                       "/kicad-official-2015/Choke_Toroid_ThroughHole_RevB_06Aug2010.mod";
  if (!QFile::exists(path)) GTEST_SKIP() << "corpus not present";
  loadSearch(path);
  EXPECT_TRUE(prompts_->errors.isEmpty());
  EXPECT_TRUE(prompts_->infos.isEmpty());
  auto* panel = find<LoadWarningsPanel>("LoadWarnings");
  EXPECT_FALSE(panel->isHidden());
  const QStringList lines = panel->details().split('\n');
  EXPECT_GE(lines.size(), 10);
  EXPECT_TRUE(lines.first().contains("cortam em 60")) << lines.first().toStdString();
  EXPECT_TRUE(lines.first().contains(
      "Autotransformer_Toroid_Horizontal_1Tap_Diameter14mm_Amidon-T50_RevA_05Aug2010"));
}

// --- several modules at once ------------------------------------------------------------------

TEST_F(Safety, CopyOfSeveralLeavesOutPresentNamesInOneMessage) {
  find<NameGrid>("DBGrid2")->selectAll();
  click("RxSB_copiar");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C", "X", "Y"}));
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_TRUE(prompts_->errors[0].endsWith("b\nc")) << prompts_->errors[0].toStdString();
  EXPECT_EQ(status(), "2 módulos copiados, 2 já existem");
  EXPECT_EQ(currentName(window_->editLibrary()), "X");
  trigger("Desfazer1");  // one step
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(Safety, CopyOfOneBehavesAsEver) {
  selectRows("DBGrid2", {0});  // b
  window_->searchLibrary().moveTo(0);
  click("RxSB_copiar");
  EXPECT_EQ(prompts_->errors,
            QStringList{"Já existe um componente com este nome na biblioteca atual!"});
  EXPECT_EQ(currentName(window_->editLibrary()), "B");
  EXPECT_EQ(status(), "1 já existe");
  window_->searchLibrary().moveTo(2);  // X (b, c, X, Y)
  click("RxSB_copiar");
  EXPECT_EQ(status(), "1 módulo copiado");
  EXPECT_EQ(currentName(window_->editLibrary()), "X");
}

TEST_F(Safety, DeleteOfSeveralIsOneStep) {
  selectRows("DBGrid1", {0, 2});
  click("RxSB_apagar");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"B"}));
  EXPECT_EQ(status(), "2 módulos apagados");
  trigger("Desfazer1");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_FALSE(window_->isModified());
}

TEST_F(Safety, BothGridsTakeExtendedSelections) {
  for (const char* grid : {"DBGrid1", "DBGrid2"}) {
    EXPECT_EQ(find<NameGrid>(grid)->selectionMode(), QAbstractItemView::ExtendedSelection);
  }
  auto* grid = find<NameGrid>("DBGrid1");
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 2);
  EXPECT_EQ(currentName(window_->editLibrary()), "B");
}

// --- Save and Save as -------------------------------------------------------------------------

TEST_F(Safety, SaveWritesBackWithoutADialog) {
  click("RxSB_apagar");
  trigger("Salvar1");
  EXPECT_TRUE(prompts_->saveRequests.empty());
  EXPECT_FALSE(window_->isModified());
  EXPECT_TRUE(fileBytes(m_editPath).contains("$INDEX\r\nB\r\nC\r\n$EndINDEX"));
  EXPECT_EQ(status(), "Biblioteca salva em " + m_editPath);
  EXPECT_EQ(find<QAction>("Salvar1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(find<QAction>("Salvarbibliotecaemedio1")->shortcut(),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
}

// Another program changed the file after it was loaded: Save asks before writing over that
// change; Cancel keeps the other program's file and the window's changes both; yes writes. A
// second save of the window's own file asks nothing.
TEST_F(Safety, SaveAsksBeforeWritingOverAnotherProgramsChange) {
  click("RxSB_apagar");
  const QString other = writeLibrary("other.mod", {{"A", {"Li A"}}, {"NEW", {"Li NEW"}}});
  ASSERT_TRUE(QFile::remove(m_editPath));
  ASSERT_TRUE(QFile::rename(other, m_editPath));
  const QString theirs = fileBytes(m_editPath);
  prompts_->overwriteAnswers = {false, true};
  trigger("Salvar1");
  EXPECT_EQ(prompts_->overwriteQuestions, QStringList{m_editPath});
  EXPECT_EQ(fileBytes(m_editPath), theirs);
  EXPECT_TRUE(window_->isModified());
  trigger("Salvar1");
  EXPECT_FALSE(window_->isModified());
  EXPECT_TRUE(fileBytes(m_editPath).contains("$INDEX\r\nB\r\nC\r\n$EndINDEX"));
  click("RxSB_apagar");
  trigger("Salvar1");
  EXPECT_EQ(prompts_->overwriteQuestions.size(), 2);
}

TEST_F(Safety, SaveWithoutAFileAsksLikeSaveAs) {
  click("RxSB_limpar");
  click("RxSB_copiar");
  const QString path = dirPath("sub/../new.mod");
  QDir().mkpath(dirPath("sub"));
  prompts_->saveAnswers.push_back(path);
  trigger("Salvar1");
  ASSERT_EQ(prompts_->saveRequests.size(), 1U);
  EXPECT_EQ(prompts_->saveRequests[0].title, "Salvar Biblioteca");
  EXPECT_EQ(text("Panel5"), QDir::cleanPath(dirPath("new.mod")));
  // From now on the library has its file.
  click("RxSB_apagar");
  trigger("Salvar1");
  EXPECT_EQ(prompts_->saveRequests.size(), 1U);
}

// --- hints and the status bar -----------------------------------------------------------------

TEST_F(Safety, EveryButtonAndMenuItemSaysWhatItDoesAndWhere) {
  for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
    if (button->objectName().isEmpty() || button->objectName().startsWith("qt_")) continue;
    if (button->objectName() == "LoadWarningsClose") continue;
    if (qobject_cast<QTabBar*>(button->parentWidget()) != nullptr) continue;  // Qt's own
    EXPECT_FALSE(button->statusTip().isEmpty()) << button->objectName().toStdString();
    EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
  }
  for (QAction* action : window_->findChildren<QAction*>()) {
    if (action->isSeparator() || action->objectName().isEmpty()) continue;
    if (action->objectName().startsWith("_q_")) continue;  // Qt's own, in a line edit
    if (action->menu() != nullptr) continue;
    // Leaving, "Sobre" and the languages touch no pane; they still say what they do.
    const bool noPane = action->objectName() == "Sair1" || action->objectName() == "Sobre1" ||
                        action->objectName().startsWith("Idioma_");
    EXPECT_TRUE(action->statusTip().contains("painel") || noPane)
        << action->objectName().toStdString();
    EXPECT_FALSE(action->statusTip().isEmpty()) << action->objectName().toStdString();
  }
  EXPECT_EQ(find("SB_carregar")->toolTip(), "Carregar biblioteca");  // its own hint stays
  EXPECT_TRUE(find("BitBtn7")->statusTip().contains("dois painéis"));
}

TEST_F(Safety, StripPrefixThatFindsNothingSaysSo) {
  click("RxSpeedButton2");
  EXPECT_EQ(status(), "Nenhum nome com o prefixo e-");
  EXPECT_FALSE(window_->isModified());
}

// --- Qt's own dialogs -------------------------------------------------------------------------

TEST(DiscardQuestion, CancelIsTheDefaultAndTheButtonsArePortuguese) {
  QWidget parent;
  QtUserPrompts prompts(&parent, QStringLiteral("Trevak"));
  QString save;
  QString discard;
  QString cancel;
  bool cancelDefault = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    save = box->button(QMessageBox::Save)->text();
    discard = box->button(QMessageBox::Discard)->text();
    cancel = box->button(QMessageBox::Cancel)->text();
    cancelDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
    QTest::keyClick(box, Qt::Key_Return);  // Enter answers with the default
  });
  EXPECT_EQ(prompts.confirmDiscard(QStringLiteral("conn.mod")), DiscardAnswer::Cancel);
  // Alt and the underlined letter answer too.
  EXPECT_EQ(save, "&Salvar");
  EXPECT_EQ(discard, "&Descartar");
  EXPECT_EQ(cancel, "&Cancelar");
  EXPECT_TRUE(cancelDefault);
}

TEST(QtTranslations, ALanguageQtLacksFallsBackToPortuguese) {
  QTranslator* translator =
      installQtTranslations(*QCoreApplication::instance(), QLocale(QLocale::Swahili));
  ASSERT_NE(translator, nullptr) << "qt6-translations-l10n missing";
  EXPECT_EQ(translator->language(), "pt_BR");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancelar");
  QCoreApplication::removeTranslator(translator);
  delete translator;
}

}  // namespace
}  // namespace trevak::test
