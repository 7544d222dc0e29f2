// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo of every change of the edit library: back to the loaded state exactly
// (records, order, current module) with the modified flag following the saved state.
#include <QStatusBar>
#include <functional>

#include "app/edit_history.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

/// What undo must give back: every record (name and body) in order, the current module and
/// the caption.
struct EditState {
  std::vector<std::pair<std::string, std::string>> records;
  std::string current;
  QString caption;
  bool operator==(const EditState&) const = default;
};

void PrintTo(const EditState& s, std::ostream* os) {
  for (const auto& [name, body] : s.records) *os << name << "{" << body << "} ";
  *os << "current " << s.current << " caption " << s.caption.toStdString();
}

class UndoTest : public WindowTest {
 public:
  void press(const char* name) { click(name); }
  void saveEditAs(const QString& file) {
    prompts_->saveAnswers.push_back(dirPath(file));
    click("SB_salvar");
  }
  void typeIntoBody(const char* typed) {
    find<QTabWidget>("TabControl1")->setCurrentIndex(1);
    auto* body = find<QPlainTextEdit>("textlistbox1");
    body->setFocus();
    body->moveCursor(QTextCursor::End);
    QTest::keyClicks(body, typed);
  }
  // For the table of commands below, which drives the window from outside.
  using WindowTest::renameCurrent;
  using WindowTest::selectRows;

 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // Sorted A, gama, lib-B, LIB-C; the strip-prefix command leaves them out of order.
    m_edit = writeLibrary("lib.mod", {{"lib-B", {"Li lib-B", "T0 >NAME"}},
                                      {"A", {"Li A", "T0 >NAME"}},
                                      {"LIB-C", {"Li LIB-C"}},
                                      {"gama", {"Li gama"}}});
    loadEdit(m_edit);
    loadSearch(writeLibrary("s.mod", {{"X", {"Li X"}}, {"Y", {"Li Y"}}, {"a", {"Li a"}}}));
    click("BitBtn8");  // the current module is not the first one
  }

  EditState state() {
    EditState s;
    const ModuleTable& t = window_->editLibrary();
    for (int i = 0; i < t.RecordCount(); ++i) {
      s.records.emplace_back(t.recordAt(i).nome_Componente.value_or("<null>"),
                             t.recordAt(i).Comandos.value_or("<null>"));
    }
    s.current = currentName(window_->editLibrary());
    s.caption = text("Panel5");
    return s;
  }

  QString m_edit;
};

struct UndoCase {
  const char* label;
  std::function<void(UndoTest&)> act;
};

void PrintTo(const UndoCase& c, std::ostream* os) { *os << c.label; }

class UndoEveryCommand : public UndoTest, public ::testing::WithParamInterface<UndoCase> {};

TEST_P(UndoEveryCommand, UndoGivesBackTheLoadedStateAndRedoTheChange) {
  const EditState loaded = state();
  ASSERT_FALSE(window_->isModified());
  GetParam().act(*this);
  ASSERT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join('\n').toStdString();
  const EditState changed = state();
  ASSERT_NE(changed, loaded);
  ASSERT_TRUE(window_->isModified());

  trigger("Desfazer1");
  EXPECT_EQ(state(), loaded);
  EXPECT_FALSE(window_->isModified());
  EXPECT_EQ(text("Label1"), QString::number(loaded.records.size()));
  trigger("Refazer1");
  EXPECT_EQ(state(), changed);
  EXPECT_TRUE(window_->isModified());
  trigger("Desfazer1");
  EXPECT_EQ(state(), loaded);
  EXPECT_FALSE(find<QAction>("Desfazer1")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, UndoEveryCommand,
    ::testing::Values(UndoCase{"Copy", [](UndoTest& w) { w.press("RxSB_copiar"); }},
                      UndoCase{"Delete", [](UndoTest& w) { w.press("RxSB_apagar"); }},
                      UndoCase{"DeleteSeveral",
                               [](UndoTest& w) {
                                 w.selectRows("DBGrid1", {0, 2, 3});
                                 w.press("RxSB_apagar");
                               }},
                      UndoCase{"CopySeveral",
                               [](UndoTest& w) {
                                 w.selectRows("DBGrid2", {1, 2});  // X, Y (a is present)
                                 w.press("RxSB_copiar");
                               }},
                      UndoCase{"Rename", [](UndoTest& w) { w.renameCurrent("zz"); }},
                      UndoCase{"BodyEdit",
                               [](UndoTest& w) {
                                 w.typeIntoBody("!");
                                 w.press("BitBtn8");  // leaving the module stores the body
                                 w.press("BitBtn9");
                               }},
                      UndoCase{"StripPrefix", [](UndoTest& w) { w.press("RxSpeedButton2"); }},
                      UndoCase{"FillNames", [](UndoTest& w) { w.press("RxSpeedButton4"); }}),
    [](const auto& p) { return std::string(p.param.label); });

// A copy into a table out of name order sorts it; undo puts that order back.
TEST_F(UndoTest, CopyIntoATableOutOfOrderRestoresThatOrder) {
  click("RxSpeedButton2");  // lib-B and LIB-C lose their prefix; no sort
  const EditState stripped = state();
  click("RxSB_copiar");
  EXPECT_NE(state().records, stripped.records);
  trigger("Desfazer1");
  EXPECT_EQ(state(), stripped);
  trigger("Desfazer1");
  EXPECT_FALSE(window_->isModified());
}

TEST_F(UndoTest, NewLibraryUndoesBackToTheOldLibraryAndItsFile) {
  const EditState loaded = state();
  click("RxSB_limpar");
  EXPECT_TRUE(window_->editLibrary().IsEmpty());
  EXPECT_EQ(text("Panel5"), "nova");
  EXPECT_FALSE(window_->isModified());
  trigger("Desfazer1");
  EXPECT_EQ(state(), loaded);
  // The old library comes back as its file holds it: nothing to save, nothing to ask.
  EXPECT_FALSE(window_->isModified());
  trigger("Refazer1");
  EXPECT_FALSE(window_->isModified());
  trigger("Desfazer1");
  click("RxSB_apagar");  // a step after the old library's clean state keeps that state
  EXPECT_TRUE(window_->isModified());
  trigger("Desfazer1");
  EXPECT_FALSE(window_->isModified());
  trigger("Salvar1");  // back to the file it came from, without a dialog
  EXPECT_TRUE(prompts_->saveRequests.empty());
  EXPECT_FALSE(window_->isModified());
}

// The old library is clean again after undoing only where nothing since may have made its file
// differ from it: a change before the new start or a save after it leaves it modified.
struct NewStartCase {
  const char* name;
  std::function<void(UndoTest&)> before;  // on the loaded library
  std::function<void(UndoTest&)> after;   // on the new library
  int undos;
  bool modified;
};

void PrintTo(const NewStartCase& c, std::ostream* os) { *os << c.name; }

class NewStartUndo : public UndoTest, public ::testing::WithParamInterface<NewStartCase> {};

TEST_P(NewStartUndo, IsCleanOnlyWhenTheFileStillHoldsTheOldLibrary) {
  const NewStartCase& c = GetParam();
  const QString caption = text("Panel5");
  prompts_->discardAnswers.assign(4, true);
  c.before(*this);
  click("RxSB_limpar");
  c.after(*this);
  for (int i = 0; i < c.undos; ++i) trigger("Desfazer1");
  EXPECT_EQ(text("Panel5"), caption);
  EXPECT_EQ(window_->isModified(), c.modified);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NewStartUndo,
    ::testing::Values(NewStartCase{"ChangedBefore", [](UndoTest& w) { w.press("RxSB_apagar"); },
                                   [](UndoTest&) {}, 1, true},
                      NewStartCase{"SavedAfter", [](UndoTest&) {},
                                   [](UndoTest& w) {
                                     w.press("RxSB_copiar");
                                     w.saveEditAs("lib.mod");
                                   },
                                   2, true},
                      NewStartCase{"NewStartTwice", [](UndoTest&) {},
                                   [](UndoTest& w) { w.press("RxSB_limpar"); }, 2, false},
                      NewStartCase{"ChangedBetweenNewStarts", [](UndoTest&) {},
                                   [](UndoTest& w) {
                                     w.press("RxSB_copiar");
                                     w.press("RxSB_limpar");
                                   },
                                   3, false}),
    [](const ::testing::TestParamInfo<NewStartCase>& p) { return p.param.name; });

TEST_F(UndoTest, SaveMarksTheCleanState) {
  click("RxSB_apagar");
  prompts_->saveAnswers.push_back(dirPath("saved.mod"));
  click("SB_salvar");
  EXPECT_FALSE(window_->isModified());
  trigger("Desfazer1");
  EXPECT_TRUE(window_->isModified());
  trigger("Refazer1");
  EXPECT_FALSE(window_->isModified());
}

TEST_F(UndoTest, LoadingAnotherLibraryClearsTheHistory) {
  click("RxSB_apagar");
  ASSERT_TRUE(find<QAction>("Desfazer1")->isEnabled());
  prompts_->discardAnswers.push_back(true);
  loadEdit(m_edit);
  EXPECT_FALSE(find<QAction>("Desfazer1")->isEnabled());
  EXPECT_FALSE(window_->isModified());
}

TEST_F(UndoTest, ShortcutsAreTheUsualOnes) {
  EXPECT_EQ(find<QAction>("Desfazer1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
  EXPECT_EQ(find<QAction>("Refazer1")->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                 QKeySequence(Qt::CTRL | Qt::Key_Y)}));
}

TEST_F(UndoTest, ACommandThatChangesNothingIsNoStep) {
  click("RxSpeedButton4");  // fills >NAME
  click("RxSpeedButton4");  // nothing left to fill
  EXPECT_EQ(window_->history().stack().count(), 1);
  EXPECT_EQ(window_->statusBar()->currentMessage(), "Nenhum >NAME para preencher");
}

}  // namespace
}  // namespace trevak::test
