// SPDX-License-Identifier: GPL-3.0-or-later
// Typing in the edit pane: opening the record, storing on leaving it, the modified flag,
// renames in the grid, and the question on closing.
#include <QLineEdit>

#include "window_fixture.h"

namespace trevak::test {
namespace {

class Editing : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    loadEdit(writeLibrary("e.mod", {{"A", {"Li A", "Cd x"}}, {"B", {"Li B"}}}));
    loadSearch(writeLibrary("s.mod", {{"S", {"Li S"}}}));
  }
  QPlainTextEdit* editBody() {
    find<QTabWidget>("TabControl1")->setCurrentIndex(1);
    return find<QPlainTextEdit>("textlistbox1");
  }
};

TEST_F(Editing, TypingInTheBodyOpensTheRecordAndSetsTheFlag) {
  auto* body = editBody();
  EXPECT_EQ(body->toPlainText(), "Li A\nCd x");
  body->setFocus();
  body->moveCursor(QTextCursor::End);
  QTest::keyClicks(body, "y");
  EXPECT_TRUE(window_->isModified());
  EXPECT_EQ(window_->editLibrary().mode(), TableMode::Edit);
  // Not stored yet; leaving the record stores it, each line followed by one CR.
  EXPECT_EQ(window_->editLibrary().recordAt(0).Comandos.value_or(""), "Li A\rCd x\r");
  click("BitBtn8");
  EXPECT_EQ(window_->editLibrary().recordAt(0).Comandos.value_or(""), "Li A\rCd xy\r");
  EXPECT_EQ(body->toPlainText(), "Li B");
  click("BitBtn7");
  EXPECT_EQ(body->toPlainText(), "Li A\nCd xy");
}

TEST_F(Editing, EnterDoesNotBreakALine) {
  auto* body = editBody();
  body->setFocus();
  body->moveCursor(QTextCursor::End);
  QTest::keyClick(body, Qt::Key_Return);
  QTest::keyClick(body, Qt::Key_Enter);
  EXPECT_EQ(body->toPlainText(), "Li A\nCd x");
  EXPECT_FALSE(window_->isModified());
}

TEST_F(Editing, TypingInTheSearchBodyNeverSetsTheFlag) {
  find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  auto* body = find<QPlainTextEdit>("DBRE_comp2");
  body->setFocus();
  QTest::keyClicks(body, "z");
  EXPECT_FALSE(window_->isModified());
  EXPECT_EQ(window_->searchLibrary().mode(), TableMode::Edit);
}

TEST_F(Editing, SavingWalkStoresTheTypedBody) {
  auto* body = editBody();
  body->setFocus();
  body->moveCursor(QTextCursor::End);
  QTest::keyClicks(body, "!");
  const QString path = dirPath("out.mod");
  prompts_->saveAnswers.push_back(path);
  click("SB_salvar");
  ASSERT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join('\n').toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("$MODULE A\r\nLi A\r\nCd x!\r\n$EndMODULE A\r\n"));
}

TEST_F(Editing, GridRenameIsStoredWhenTheRowIsLeft) {
  QLineEdit* editor = startRename("Z9");
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(window_->isModified());
  EXPECT_EQ(window_->editLibrary().mode(), TableMode::Edit);
  EXPECT_EQ(editor->text(), "Z9");  // opening the record did not undo the typing
  click("BitBtn8");
  // The stored rename re-sorts the library before the move; the renamed module is the last.
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"B", "Z9"}));
  EXPECT_EQ(currentName(window_->editLibrary()), "Z9");
}

TEST_F(Editing, SaveTakesARenameStillBeingTyped) {
  QLineEdit* editor = startRename("NEW");
  ASSERT_NE(editor, nullptr);
  const QString path = dirPath("out.mod");
  prompts_->saveAnswers.push_back(path);
  click("SB_salvar");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("$INDEX\r\nB\r\nNEW\r\n$EndINDEX"));
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"B", "NEW"}));
}

TEST_F(Editing, EscapeDropsARenameInProgress) {
  QLineEdit* editor = startRename("Q");
  ASSERT_NE(editor, nullptr);
  QTest::keyClick(editor, Qt::Key_Escape);
  click("BitBtn8");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B"}));
}

TEST_F(Editing, NameEditorTakesAWholeNameOverSixtyCharacters) {
  auto* grid = find<NameGrid>("DBGrid1");
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_F2);
  auto* editor = grid->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_GT(editor->maxLength(), 60);  // names are kept whole
}

TEST_F(Editing, SearchGridIsReadOnly) {
  auto* grid = find<NameGrid>("DBGrid2");
  grid->setFocus();
  QTest::keyClicks(grid, "x");
  QTest::keyClick(grid, Qt::Key_F2);
  EXPECT_EQ(grid->findChild<QLineEdit*>(), nullptr);
  EXPECT_EQ(window_->searchLibrary().mode(), TableMode::Browse);
}

TEST_F(Editing, ClickingAGridRowMovesTheTable) {
  auto* grid = find<NameGrid>("DBGrid1");
  const QRect row1 = grid->visualRect(grid->model()->index(1, 0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row1.center());
  EXPECT_EQ(currentName(window_->editLibrary()), "B");
  EXPECT_EQ(window_->searchLibrary().currentIndex(), 0);
  EXPECT_FALSE(window_->isModified());
}

TEST_F(Editing, BodyViewOfAnEmptyLibraryTakesNoTyping) {
  click("RxSB_apagar");
  click("RxSB_apagar");
  ASSERT_TRUE(window_->editLibrary().IsEmpty());
  auto* body = editBody();
  EXPECT_TRUE(body->isReadOnly());
  EXPECT_EQ(body->toPlainText(), "");
}

TEST_F(Editing, ClosingWithUnsavedChangesAsks) {
  click("RxSB_apagar");
  prompts_->discardAnswers.push_back(false);
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(prompts_->discardQuestions, 1);
  prompts_->discardAnswers.push_back(true);
  trigger("Sair1");
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(prompts_->discardQuestions, 2);
}

TEST_F(Editing, ClosingWithoutChangesAsksNothing) {
  trigger("Sair1");
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(prompts_->discardQuestions, 0);
}

}  // namespace
}  // namespace trevak::test
