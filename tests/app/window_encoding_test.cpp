// SPDX-License-Identifier: GPL-3.0-or-later
// Text crossing between the file's bytes and the window's strings: names and other bytes of a
// library are Latin-1, the window's own words are UTF-8 source, and a text or pad number the
// exact drawing shows is read as KiCad reads it.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "app/exact_panes.h"
#include "app/load_warnings_panel.h"
#include "app/name_grid.h"
#include "drawing/exact_renderer.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

// "Résistor" as a legacy library holds it (Latin-1), and as the window shows it.
const std::string kLatin1Name = "R\xe9sistor";
const QString kShownName = QStringLiteral("Résistor");

class Encoding : public WindowTest {};

struct FindingCase {
  LoadFinding finding;
  std::string line;  // UTF-8
};

// Each kind of finding, about a module with an accented name: the window's words and the
// file's bytes each read in their own encoding.
TEST(LoadWarningsText, EveryFindingReadsRight) {
  const std::vector<FindingCase> cases = {
      {{LoadFinding::Kind::CutNameCollides, kLatin1Name, "3"},
       "Résistor: ferramentas antigas dão a este e a outro módulo o mesmo nome 3"},
      {{LoadFinding::Kind::DuplicateName, kLatin1Name, "2"},
       "Résistor: nome repetido 2 vezes no arquivo"},
      {{LoadFinding::Kind::NameCutAtBlank, kLatin1Name, kLatin1Name + " 1/4W"},
       "Résistor: nome com espaço; ferramentas antigas o cortam no espaço (Résistor 1/4W)"},
      {{LoadFinding::Kind::NameCutAtQuote, kLatin1Name, "\"" + kLatin1Name + "\""},
       "Résistor: nome com aspas; ferramentas antigas o cortam ou tiram as aspas (\"Résistor\")"},
      {{LoadFinding::Kind::NameTooLong, kLatin1Name, kLatin1Name + std::string(60, '\xe7')},
       "Résistor: nome com mais de 60 bytes; ferramentas antigas o cortam em 60 (Résistor" + std::string(120, ' ') + ")"},
      {{LoadFinding::Kind::EndLineMissing, kLatin1Name, ""},
       "Résistor: módulo sem linha $EndMODULE"},
      {{LoadFinding::Kind::HeaderMissing, "", ""},
       "(cabeçalho): a primeira linha não começa com PCBNEW-LibModule-V"},
  };
  for (const FindingCase& c : cases) {
    LoadWarningsPanel panel;
    panel.showFindings(QStringLiteral("/tmp/bibliotéca.mod"), {c.finding});
    QString expected = QString::fromStdString(c.line);
    // The long name: 60 "ç" after the name, built here rather than typed out.
    expected.replace(QString(120, QLatin1Char(' ')), QString(60, QChar(0xe7)));
    EXPECT_EQ(panel.details(), expected);
    EXPECT_FALSE(panel.details().contains(QStringLiteral("Ã"))) << c.line;
  }
}

TEST_F(Encoding, WarningsOpenAsAListOfFindingsWithTheirModules) {
  const QString path = writeLibrary("dupla.mod", {{kLatin1Name, {"Li X"}}, {kLatin1Name, {"Li X"}},
                                                  {"C1", {"Li X"}}, {"C1", {"Li X"}}});
  loadSearch(path);
  auto* panel = find<LoadWarningsPanel>("LoadWarnings");
  ASSERT_FALSE(panel->isHidden());
  auto* label = find<QLabel>("LoadWarningsText");
  EXPECT_EQ(label->text(), QStringLiteral("2 avisos em dupla.mod"));
  EXPECT_EQ(panel->list(), nullptr);
  QTest::mouseClick(label, Qt::LeftButton);
  ASSERT_NE(panel->list(), nullptr);
  EXPECT_TRUE(panel->list()->isVisible());
  auto* tree = panel->list()->findChild<QTreeWidget*>(QStringLiteral("LoadWarningsFindings"));
  ASSERT_NE(tree, nullptr);
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  QStringList modules;
  for (int i = 0; i < 2; ++i) {
    modules << tree->topLevelItem(i)->text(0);
    EXPECT_EQ(tree->topLevelItem(i)->text(1), QStringLiteral("nome repetido 2 vezes no arquivo"));
  }
  modules.sort();
  EXPECT_EQ(modules, (QStringList{QStringLiteral("C1"), kShownName}));
  // The next load's findings replace the list's.
  loadSearch(writeLibrary("limpa.mod", {{"A", {"Li X"}}}));
  EXPECT_TRUE(panel->isHidden());
  EXPECT_EQ(tree->topLevelItemCount(), 0);
}

// The grid shows a name's bytes as Latin-1, the filter compares the same bytes, and a rename
// typed with an accent stores the byte the file had.
TEST_F(Encoding, NamesCrossTheGridAndTheFilterAsLatin1) {
  loadSearch(writeLibrary("s.mod", {{kLatin1Name, {"Li X"}}, {"C1", {"Li X"}}}));
  auto* grid = find<NameGrid>("DBGrid2");
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("C1"));
  EXPECT_EQ(grid->model()->index(1, 0).data().toString(), kShownName);
  find<QLineEdit>("EditFiltro")->setText(QStringLiteral("résis"));
  ASSERT_EQ(window_->searchLibrary().RecordCount(), 1);
  EXPECT_EQ(currentName(window_->searchLibrary()), kLatin1Name);
  loadEdit(writeLibrary("e.mod", {{"A", {"Li X"}}}));
  QLineEdit* editor = startRename("R");  // QTest types ASCII only
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("Réa"));
  // A character with no Latin-1 byte is refused where it is typed, not stored as '?'.
  editor->end(false);
  editor->insert(QStringLiteral("Ω"));
  EXPECT_EQ(editor->text(), QStringLiteral("Réa"));
  QTest::keyClick(editor, Qt::Key_Return);
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(currentName(window_->editLibrary()), "R\xe9" "a");
}

// Texts and pad numbers of the exact drawing and its pad hints: UTF-8 where the bytes are
// UTF-8 (as KiCad and the export read them), else Latin-1, never replacement characters.
TEST(ExactText, BytesReadAsKiCadReadsThem) {
  struct Case {
    std::string bytes;
    QString text;
  };
  for (const Case& c : {Case{"R\xe9sistor", kShownName}, Case{"R\xc3\xa9sistor", kShownName},
                        Case{"\xb5" "F", QStringLiteral("µF")}, Case{"plain", QStringLiteral("plain")},
                        Case{"\xc3", QStringLiteral("Ã")}}) {
    EXPECT_EQ(exact::kicadText(c.bytes), c.text) << c.bytes;
  }
  exact::Pad pad;
  pad.number = "\xe9" "1";
  pad.shape = 'C';
  pad.size = {1000, 1000};
  EXPECT_TRUE(padDescription(pad, LengthUnit::Decimil).startsWith(QStringLiteral("Ilha é1\n")))
      << padDescription(pad, LengthUnit::Decimil).toStdString();
}

}  // namespace
}  // namespace trevak::test
