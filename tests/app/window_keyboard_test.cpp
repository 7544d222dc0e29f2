// SPDX-License-Identifier: GPL-3.0-or-later
// The window by keyboard alone: the Tab order, the filter's way into its results, the keys of
// the module commands and the window's shortcuts whatever control has the focus.
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>

#include "app/body_view.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

class Keyboard : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_edit = writeLibrary("edit.mod", modulesNamed({"A", "B", "C"}));
    m_search = writeLibrary("search.mod", modulesNamed({"R0805", "SOT23", "TO92"}));
    loadEdit(m_edit);
    loadSearch(m_search);
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  QLineEdit* filter() { return find<QLineEdit>("EditFiltro"); }

  /// Presses a key at whatever control has the focus, as the user would.
  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
    QCoreApplication::processEvents();
  }

  /// Puts the focus in one of the controls the shortcuts must work from.
  void focusOn(const QString& where) {
    if (where == "textlistbox1") find<QTabWidget>("TabControl1")->setCurrentIndex(1);
    QWidget* widget = find(where.toLatin1().constData());
    widget->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(widget->hasFocus()) << where.toStdString();
  }

  QString focusName() const {
    QWidget* focus = QApplication::focusWidget();
    return focus == nullptr ? QString() : focus->objectName();
  }

  QString m_edit, m_search;
};

TEST_F(Keyboard, TabWalksTheDailyPathAndComesBackToTheFilter) {
  focusOn("EditFiltro");
  QStringList visited{focusName()};
  for (int i = 0; i < 60; ++i) {
    press(Qt::Key_Tab);
    if (focusName() == "EditFiltro") break;
    visited << focusName();
  }
  ASSERT_EQ(focusName(), "EditFiltro") << visited.join(" ").toStdString();
  const QStringList path{"EditFiltro", "DBGrid2", "RxSB_copiar", "BitBtn7", "BitBtn8",
                         "BitBtn9",    "BitBtn10", "DBGrid1",    "RxSB_apagar"};
  EXPECT_EQ(visited.mid(0, path.size()), path) << visited.join(" ").toStdString();
  // Every button of both panes is reached, each once.
  for (const char* name : {"SB_salvar", "SB_carregar", "RxSB_limpar", "RxSpeedButton2",
                           "RxSpeedButton4", "RxSwitch1", "SB_ajustar1", "Button1", "Button2",
                           "BitBtn1", "BitBtn2", "BitBtn3", "RxSB_carregar2", "SB_ajustar2",
                           "BitBtn4", "BitBtn5", "BitBtn6"}) {
    EXPECT_EQ(visited.count(name), 1) << name << ": " << visited.join(" ").toStdString();
  }
  // Shift+Tab goes back the same way.
  press(Qt::Key_Backtab);
  EXPECT_EQ(focusName(), visited.last());
  focusOn("DBGrid1");
  press(Qt::Key_Backtab);
  EXPECT_EQ(focusName(), "BitBtn10");
}

TEST_F(Keyboard, DownOrEnterInTheFilterMovesIntoTheResults) {
  focusOn("EditFiltro");
  QTest::keyClicks(filter(), "o");  // SOT23 and TO92
  ASSERT_EQ(window_->searchLibrary().RecordCount(), 2);
  press(Qt::Key_Down);
  EXPECT_EQ(focusName(), "DBGrid2");
  EXPECT_EQ(gridRow("DBGrid2"), 0);
  press(Qt::Key_Down);
  EXPECT_EQ(currentName(window_->searchLibrary()), "TO92");

  // Enter comes back to the row the grid had, selected for the copy.
  focusOn("EditFiltro");
  press(Qt::Key_Return);
  EXPECT_EQ(focusName(), "DBGrid2");
  EXPECT_EQ(currentName(window_->searchLibrary()), "TO92");
  EXPECT_EQ(find<NameGrid>("DBGrid2")->selectionModel()->selectedRows().size(), 1);

  // Nothing shown: the focus stays where the user is typing.
  focusOn("EditFiltro");
  QTest::keyClicks(filter(), "zzz");
  ASSERT_EQ(window_->searchLibrary().RecordCount(), 0);
  press(Qt::Key_Down);
  EXPECT_EQ(focusName(), "EditFiltro");
}

TEST_F(Keyboard, InsertCopiesTheSelectedSearchModulesAndDeleteDeletesUndoably) {
  focusOn("DBGrid2");
  selectRows("DBGrid2", {0, 2});
  press(Qt::Key_Insert);
  EXPECT_EQ(names(window_->editLibrary()),
            (std::vector<std::string>{"A", "B", "C", "R0805", "TO92"}));

  // Delete in a text control deletes characters, not modules.
  focusOn("EditFiltro");
  QTest::keyClicks(filter(), "ab");
  filter()->setCursorPosition(0);
  press(Qt::Key_Delete);
  EXPECT_EQ(filter()->text(), "b");
  EXPECT_EQ(window_->editLibrary().RecordCount(), 5);

  focusOn("DBGrid1");
  selectRows("DBGrid1", {0, 1});
  press(Qt::Key_Delete);
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"C", "R0805", "TO92"}));
  press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(names(window_->editLibrary()),
            (std::vector<std::string>{"A", "B", "C", "R0805", "TO92"}));
}

TEST_F(Keyboard, EditMenuHoldsTheModuleCommandsWithTheirKeys) {
  auto* edit = find<QMenu>("Editar1");
  QStringList items;
  for (QAction* action : edit->actions()) {
    if (!action->isSeparator()) items << action->objectName();
  }
  EXPECT_EQ(items, (QStringList{"Desfazer1", "Refazer1", "Copiarparaedicao1", "Apagarmodulos1",
                                "Renomear1", "Localizar1"}));
  EXPECT_EQ(find<QAction>("Copiarparaedicao1")->shortcut(), QKeySequence(Qt::Key_Insert));
  EXPECT_EQ(find<QAction>("Apagarmodulos1")->shortcut(), QKeySequence(Qt::Key_Delete));
  EXPECT_EQ(find<QAction>("Renomear1")->shortcut(), QKeySequence(Qt::Key_F2));
  EXPECT_EQ(find<QAction>("Localizar1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
  QStringList titles;
  for (QAction* menu : window_->menuBar()->actions()) titles << menu->text();
  EXPECT_EQ(titles.mid(0, 3), (QStringList{"&Arquivo", "&Editar", "E&xibir"}));

  // The items act from the menu as well: "Renomear" opens the edit grid's name editor.
  trigger("Renomear1");
  auto* editor = find<NameGrid>("DBGrid1")->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->text(), "A");
}

TEST_F(Keyboard, CtrlTabGoesBetweenTheShownPagesAndShiftTabLeavesTheText) {
  auto* pages = find<QTabWidget>("TabControl1");
  focusOn("textlistbox1");
  ASSERT_EQ(pages->currentIndex(), 1);
  press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->currentIndex(), 0);  // past the hidden page, round to the first
  press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->currentIndex(), 1);
  // Tab is a character in the text; Shift+Tab takes the focus out.
  focusOn("textlistbox1");
  press(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_NE(focusName(), "textlistbox1");
}

/// The window's shortcuts from each control a user types in or walks.
class ShortcutsFrom : public Keyboard, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShortcutsFrom, ExactDrawingUndoSaveFindAndQuit) {
  const QString where = QString::fromLatin1(GetParam());
  auto* exact = find<QAction>("Desenhoexato1");

  focusOn(where);
  press(Qt::Key_E, Qt::ControlModifier);
  EXPECT_TRUE(exact->isChecked());
  press(Qt::Key_E, Qt::ControlModifier);
  EXPECT_FALSE(exact->isChecked());

  click("RxSB_apagar");  // deletes A
  ASSERT_EQ(window_->editLibrary().RecordCount(), 2);
  focusOn(where);
  press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(window_->editLibrary().RecordCount(), 3);
  press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window_->editLibrary().RecordCount(), 2);
  ASSERT_TRUE(window_->isModified());

  focusOn(where);
  press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(window_->isModified());
  EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
  QFile saved(m_edit);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_FALSE(saved.readAll().contains("$MODULE A\r\n"));

  focusOn(where);
  press(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(focusName(), "EditFiltro");

  focusOn(where);
  press(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window_->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Controls, ShortcutsFrom,
                         ::testing::Values("EditFiltro", "DBGrid2", "DBGrid1", "textlistbox1"));

}  // namespace
}  // namespace trevak::test
