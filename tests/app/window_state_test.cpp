// SPDX-License-Identifier: GPL-3.0-or-later
// What the window shows of its state: the edit library's file and unsaved changes in the
// title, the last command's result in the status bar through hints, and the step Undo and
// Redo will take.
#include <QCoreApplication>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QWindow>

#include "app/window_title.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

const QString kTitle = QStringLiteral("Trevak 0.15 (20070705i) - Criação/cópia de módulos p/KiCad");

class WindowState : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_edit = writeLibrary("conn.mod", modulesNamed({"A", "B", "C"}));
    m_search = writeLibrary("search.mod", modulesNamed({"R0805", "SOT23"}));
  }

  /// The title as the window system shows it: the placeholder gone, or a star while modified.
  QString shownTitle() const { return window_->windowHandle()->title(); }
  QString status() const { return window_->statusBar()->currentMessage(); }
  /// The pointer passes over a control with a hint, then leaves it.
  void hover(const char* name, bool leave) {
    QWidget* widget = find(name);
    QStatusTipEvent enter(widget->statusTip());
    QCoreApplication::sendEvent(widget, &enter);
    if (!leave) return;
    QStatusTipEvent gone{QString()};
    QCoreApplication::sendEvent(widget, &gone);
  }

  QString m_edit, m_search;
};

TEST(EditLibraryTitle, NamesTheFileAheadOfTheTitleWithThePlaceholder) {
  EXPECT_EQ(editLibraryTitle(QString(), "Trevak"), "Trevak");
  EXPECT_EQ(editLibraryTitle("/lib/conn.mod", "Trevak"), "conn.mod[*] - Trevak");
  // A bracketed star in the name is shown as it is, not taken for the placeholder.
  EXPECT_EQ(editLibraryTitle("/lib/a[*].mod", "Trevak"), "a[*][*].mod[*] - Trevak");
}

TEST_F(WindowState, TitleNamesTheFileAndCarriesTheStarExactlyWhileModified) {
  EXPECT_EQ(window_->windowTitle(), kTitle);
  loadEdit(m_edit);
  EXPECT_EQ(window_->windowTitle(), "conn.mod[*] - " + kTitle);
  EXPECT_EQ(shownTitle(), "conn.mod - " + kTitle);

  click("RxSB_apagar");
  EXPECT_TRUE(window_->isWindowModified());
  EXPECT_EQ(shownTitle(), "conn.mod* - " + kTitle);
  trigger("Desfazer1");
  EXPECT_EQ(shownTitle(), "conn.mod - " + kTitle);
  trigger("Refazer1");
  EXPECT_EQ(shownTitle(), "conn.mod* - " + kTitle);

  // Typing a name counts from the first key, before the rename is taken.
  trigger("Salvar1");
  EXPECT_EQ(shownTitle(), "conn.mod - " + kTitle);
  QLineEdit* editor = startRename("Q");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(shownTitle(), "conn.mod* - " + kTitle);
  QTest::keyClick(editor, Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_EQ(window_->isModified(), window_->isWindowModified());

  // Saved under another name, the title follows; a new library goes back to the plain title.
  const QString other = dirPath("other.mod");
  prompts_->saveAnswers.push_back(other);
  click("SB_salvar");
  EXPECT_EQ(shownTitle(), "other.mod - " + kTitle);
  click("RxSB_limpar");
  EXPECT_EQ(window_->windowTitle(), kTitle);
  EXPECT_FALSE(window_->isWindowModified());
  trigger("Desfazer1");
  EXPECT_EQ(shownTitle(), "other.mod - " + kTitle);
}

TEST_F(WindowState, StatusBarKeepsTheResultThroughHints) {
  loadEdit(m_edit);
  click("RxSB_apagar");
  const QString result = status();
  ASSERT_EQ(result, "1 módulo apagado");
  hover("BitBtn7", false);
  EXPECT_TRUE(status().startsWith("Primeiro:")) << status().toStdString();
  hover("BitBtn7", true);
  EXPECT_EQ(status(), result);
}

TEST_F(WindowState, SavedResultGoesWithTheNextChange) {
  loadEdit(m_edit);
  loadSearch(m_search);
  click("RxSB_apagar");
  trigger("Salvar1");
  ASSERT_TRUE(status().startsWith("Biblioteca salva")) << status().toStdString();
  hover("BitBtn7", true);
  EXPECT_TRUE(status().startsWith("Biblioteca salva"));

  // A rename gives no result of its own: the saved one must not stay.
  renameCurrent("Z");
  ASSERT_TRUE(window_->isModified());
  EXPECT_FALSE(status().startsWith("Biblioteca salva")) << status().toStdString();
  hover("BitBtn7", true);
  EXPECT_FALSE(status().startsWith("Biblioteca salva")) << status().toStdString();

  // A command's own result stays after its change.
  trigger("Salvar1");
  click("RxSB_copiar");
  EXPECT_EQ(status(), "1 módulo copiado");
}

TEST_F(WindowState, UndoAndRedoNameTheirStep) {
  loadEdit(m_edit);
  auto* undo = find<QAction>("Desfazer1");
  auto* redo = find<QAction>("Refazer1");
  EXPECT_EQ(undo->text(), "&Desfazer");
  EXPECT_EQ(redo->text(), "&Refazer");
  click("RxSB_apagar");
  EXPECT_EQ(undo->text(), "&Desfazer Apagar módulos");
  trigger("Desfazer1");
  EXPECT_EQ(undo->text(), "&Desfazer");
  EXPECT_EQ(redo->text(), "&Refazer Apagar módulos");
  renameCurrent("Z");
  EXPECT_EQ(undo->text(), "&Desfazer Renomear módulo");
  EXPECT_EQ(redo->text(), "&Refazer");
}

}  // namespace
}  // namespace trevak::test
