// SPDX-License-Identifier: GPL-3.0-or-later
// The search pane with a set of libraries: loading several files or a folder, the nickname
// column, the filter and what acts on the shown modules.
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <optional>

#include "app/search_pane.h"
#include "library/library_reader.h"
#include "library/module_items.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

class SearchSet : public WindowTest {
 protected:
  // lib/discret.mod: SOT23, TO92; lib/sub/smd.mod: SOT-23-5, R0805.
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("lib/sub")));
    m_discret = writeLibrary("lib/discret.mod", modulesNamed({"SOT23", "TO92"}));
    m_smd = writeLibrary("lib/sub/smd.mod", modulesNamed({"SOT-23-5", "R0805"}));
    m_folder = dirPath("lib");
  }
  QLineEdit* filter() { return find<QLineEdit>("EditFiltro"); }
  QString gridText(int row, int column) {
    return find<NameGrid>("DBGrid2")->model()->index(row, column).data().toString();
  }
  QString m_discret, m_smd, m_folder;
};

TEST_F(SearchSet, FolderMenuLoadsEveryLibraryWithNicknames) {
  prompts_->folderAnswers.push_back(m_folder);
  trigger("Carregarpastadeorigem1");
  EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
  EXPECT_EQ(names(window_->searchLibrary()),
            (std::vector<std::string>{"R0805", "SOT-23-5", "SOT23", "TO92"}));
  EXPECT_EQ(text("panel6"), QDir::cleanPath(m_folder) + " (2 bibliotecas)");
  EXPECT_EQ(text("Label2"), "4");
  auto* model = find<NameGrid>("DBGrid2")->model();
  ASSERT_EQ(model->columnCount(), 2);
  EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "biblioteca");
  EXPECT_EQ(gridText(0, 1), "smd");
  EXPECT_EQ(gridText(2, 1), "discret");
  // The nickname's tooltip is the library's path; names and nicknames share the grid's width,
  // the library column in sight at any width.
  EXPECT_EQ(model->index(0, 1).data(Qt::ToolTipRole).toString(), m_smd);
  auto* grid = find<NameGrid>("DBGrid2");
  for (const int width : {180, 400, 900}) {
    grid->resize(width, grid->height());
    const int names = grid->horizontalHeader()->sectionSize(0);
    const int libraries = grid->horizontalHeader()->sectionSize(1);
    EXPECT_GE(libraries, 40) << width;
    EXPECT_LE(names + libraries, std::max(grid->viewport()->width(), 80)) << width;
    EXPECT_GT(names, libraries) << width;
  }
  // A filter resets the rows, not the columns: the shares stay.
  const int names = grid->horizontalHeader()->sectionSize(0);
  filter()->setText(QStringLiteral("sot"));
  EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), names);
}

TEST_F(SearchSet, SeveralFilesFromTheOpenDialogMakeOneSet) {
  prompts_->openManyAnswers.push_back(QStringList{m_discret, m_smd});
  click("RxSB_carregar2");
  EXPECT_EQ(window_->searchLibrary().totalCount(), 4);
  EXPECT_EQ(text("panel6"), QDir::cleanPath(m_folder) + ": discret.mod, smd.mod (2 bibliotecas)");
  // One file afterwards loads as before: one column, its path as the caption.
  loadSearch(m_discret);
  EXPECT_EQ(find<NameGrid>("DBGrid2")->model()->columnCount(), 1);
  EXPECT_EQ(text("panel6"), m_discret);
}

TEST_F(SearchSet, FilterShowsMatchesCountsAndNavigationWalksThem) {
  window_->openSearchLibrary(m_folder);
  loadEdit(writeLibrary("edit.mod", modulesNamed({"A"})));
  filter()->setText(QStringLiteral("sot 23"));
  EXPECT_EQ(names(window_->searchLibrary()), (std::vector<std::string>{"SOT-23-5", "SOT23"}));
  EXPECT_EQ(text("Label2"), "2 /\n4");
  EXPECT_EQ(gridText(0, 1), "smd");
  click("BitBtn8");  // "Proximo"
  EXPECT_EQ(currentName(window_->searchLibrary()), "SOT23");
  click("BitBtn8");
  EXPECT_EQ(currentName(window_->searchLibrary()), "SOT23");
  click("RxSB_copiar");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "SOT23"}));
  filter()->setText(QStringLiteral("nothing"));
  EXPECT_EQ(text("Label2"), "0 /\n4");
  click("RxSB_copiar");  // nothing shown: nothing to copy
  EXPECT_EQ(window_->editLibrary().RecordCount(), 2);
  QTest::keyClick(filter(), Qt::Key_Escape);
  EXPECT_EQ(filter()->text(), "");
  EXPECT_EQ(text("Label2"), "4");
}

// A set holding both units, copied in one multi-selection: each module is converted from its
// own library's unit, through undo and redo, and the saved library reads back with the same
// pad lengths. A new edit library takes the unit of its first module's library.
TEST_F(SearchSet, CopyFromAMixedSetConvertsEachModuleFromItsOwnUnit) {
  const auto pad = [](const std::string& x, const std::string& y) {
    return std::vector<std::string>{"Po 0 0 0 15 00000000 00000000 ~~", "$PAD",
                                    "Sh \"1\" R " + x + " " + y + " 0 0 0", "Dr 0 0 0",
                                    "At SMD N 00888000", "Po 0 0", "$EndPAD"};
  };
  ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("mixed")));
  writeLibrary("mixed/dec.mod", {{"DEC_PART", pad("600", "400")}});
  // A millimetre library: its unit line stands before the index.
  {
    const QString path = dirPath("mixed/mm.mod");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    std::string text = "PCBNEW-LibModule-V1  01/01/2010-00:00:00\r\nUnits mm\r\n$INDEX\r\nMM_PART\r\n"
                       "$EndINDEX\r\n$MODULE MM_PART\r\n";
    for (const std::string& line : pad("1.5", "0.8")) text += line + "\r\n";
    text += "$EndMODULE MM_PART\r\n$EndLIBRARY\r\n";
    file.write(text.data(), static_cast<qint64>(text.size()));
  }
  const trevak::NmPoint expected[] = {{600 * 2540, 400 * 2540}, {1500000, 800000}};
  const auto padSize = [](const ModuleRecord& r, LengthUnit unit) {
    const ModuleItems items = parseModuleItems(r.Comandos.value_or(std::string()), unit);
    return items.pads.empty() ? NmPoint{} : items.pads.front().size;
  };
  const auto checkLengths = [&](const ModuleTable& t, const char* when) {
    SCOPED_TRACE(when);
    ASSERT_EQ(names(t), (std::vector<std::string>{"DEC_PART", "MM_PART"}));
    const Nanometres tolerance = t.unit() == LengthUnit::Decimil ? 1270 : 500;
    for (int row = 0; row < 2; ++row) {
      const NmPoint size = padSize(t.recordAt(row), t.unit());
      EXPECT_NEAR(static_cast<double>(size.x), static_cast<double>(expected[row].x), tolerance);
      EXPECT_NEAR(static_cast<double>(size.y), static_cast<double>(expected[row].y), tolerance);
    }
  };
  struct EditCase {
    const char* label;
    std::optional<std::string> unitLine;  // nullopt: a new library
    LengthUnit unit;
  };
  for (const EditCase& c : {EditCase{"decimil", "", LengthUnit::Decimil},
                            EditCase{"millimetre", "Units mm", LengthUnit::Millimetre},
                            EditCase{"new", std::nullopt, LengthUnit::Decimil}}) {
    SCOPED_TRACE(c.label);
    window_->openSearchLibrary(dirPath("mixed"));
    ASSERT_EQ(window_->searchLibrary().totalCount(), 2);
    if (c.unitLine) {
      const QString path = dirPath(QStringLiteral("edit-%1.mod").arg(c.label));
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      const std::string text = "PCBNEW-LibModule-V1  01/01/2010-00:00:00\r\n" + *c.unitLine +
                               "\r\n$INDEX\r\n$EndINDEX\r\n$EndLIBRARY\r\n";
      file.write(text.data(), static_cast<qint64>(text.size()));
      file.close();
      loadEdit(path);
    } else {
      click("RxSB_limpar");
    }
    selectRows("DBGrid2", {0, 1});
    click("RxSB_copiar");
    EXPECT_EQ(window_->editLibrary().unit(), c.unit);
    checkLengths(window_->editLibrary(), "copied");
    trigger("Desfazer1");
    EXPECT_EQ(window_->editLibrary().RecordCount(), 0);
    trigger("Refazer1");
    EXPECT_EQ(window_->editLibrary().unit(), c.unit);
    checkLengths(window_->editLibrary(), "redone");
    const QString saved = dirPath(QStringLiteral("saved-%1.mod").arg(c.label));
    prompts_->saveAnswers.push_back(saved);
    trigger("Salvarbibliotecaemedio1");
    ModuleTable back;
    loadLibraryFile(saved.toStdString(), back);
    EXPECT_EQ(back.unit(), c.unit);
    checkLengths(back, "read back");
  }
}

TEST_F(SearchSet, CtrlFFocusesTheFilterOnTheContentsPage) {
  find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  window_->activateWindow();
  QTest::keyClick(window_.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 0);
  EXPECT_TRUE(filter()->hasFocus());
}

TEST_F(SearchSet, FailedFilesAreListedOnceAndTheOthersLoad) {
  const QString missing = dirPath("lib/none.mod");
  window_->openSearchSources({m_discret, missing, m_smd});
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_EQ(prompts_->errors.first(),
            "Não foi possível carregar 1 arquivo:\n" + missing + ": File not found");
  EXPECT_EQ(window_->searchLibrary().totalCount(), 4);
}

TEST_F(SearchSet, CancelledOrEmptyLoadKeepsThePreviousLibraries) {
  loadSearch(m_discret);
  int reports = 0;
  QObject::connect(&window_->searchPane(), &SearchPane::loadProgress, [&](int, int) {
    ++reports;
    window_->searchPane().cancelLoad();
  });
  window_->openSearchSources({m_folder, dirPath("lib/sub")});
  EXPECT_EQ(names(window_->searchLibrary()), (std::vector<std::string>{"SOT23", "TO92"}));
  EXPECT_EQ(text("panel6"), m_discret);
  EXPECT_TRUE(prompts_->errors.isEmpty());
  EXPECT_GE(reports, 1);
  EXPECT_FALSE(window_->searchPane().loading());
  ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("empty")));
  window_->openSearchLibrary(dirPath("empty"));
  EXPECT_EQ(prompts_->errors.size(), 1);
  EXPECT_EQ(names(window_->searchLibrary()), (std::vector<std::string>{"SOT23", "TO92"}));
}

TEST(SearchCaption, FolderAndNumberOfLibraries) {
  // What was loaded is named, with the folder that holds it.
  EXPECT_EQ(librarySetCaption({"/a/b/x.mod", "/a/c/y.mod"}, 2), "/a: x.mod, y.mod (2 bibliotecas)");
  EXPECT_EQ(librarySetCaption({"/a/b/x.mod"}, 1), "/a/b/x.mod (1 biblioteca)");
  EXPECT_EQ(librarySetCaption({"/ab/x.mod", "/a/y.pretty"}, 2), "/: x.mod, y.pretty (2 bibliotecas)");
  EXPECT_EQ(librarySetCaption({"/a/corpus"}, 5), "/a/corpus (5 bibliotecas)");
}



// "Carregar bibliotecas do KiCad": the global table's enabled rows, under their nicknames.
class KicadTablesMenu : public SearchSet {
 protected:
  void SetUp() override {
    SearchSet::SetUp();
    const QByteArray old = qgetenv("KICAD_CONFIG_HOME");
    m_hadConfig = !old.isNull();
    m_oldConfig = old;
    qputenv("KICAD_CONFIG_HOME", QFile::encodeName(dirPath("config")));
  }
  void TearDown() override {
    if (m_hadConfig) {
      qputenv("KICAD_CONFIG_HOME", m_oldConfig);
    } else {
      qunsetenv("KICAD_CONFIG_HOME");
    }
    SearchSet::TearDown();
  }
  bool m_hadConfig = false;
  QByteArray m_oldConfig;
};

TEST_F(KicadTablesMenu, LoadsTheEnabledRowsWithTheTablesNicknames) {
  trigger("CarregarbibliotecasdoKicad1");
  ASSERT_EQ(prompts_->errors.size(), 1);  // no global table yet: said so, nothing changes
  EXPECT_TRUE(prompts_->errors.front().contains("nunca foi iniciado"));
  EXPECT_EQ(window_->searchLibrary().RecordCount(), 0);

  ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("config")));
  QFile table(dirPath("config") + QStringLiteral("/fp-lib-table"));
  ASSERT_TRUE(table.open(QIODevice::WriteOnly));
  table.write(("(fp_lib_table (version 7)\n"
               "  (lib (name \"Discretos\")(type \"Legacy\")(uri \"" + m_discret.toStdString() + "\"))\n"
               "  (lib (name \"Smd\")(type \"Legacy\")(uri \"" + m_smd.toStdString() + "\")(disabled))\n"
               "  (lib (name \"Gone\")(type \"KiCad\")(uri \"${NOT_SET_HERE}/x.pretty\"))\n)\n").c_str());
  table.close();
  trigger("CarregarbibliotecasdoKicad1");
  EXPECT_EQ(names(window_->searchLibrary()), (std::vector<std::string>{"SOT23", "TO92"}));
  EXPECT_EQ(gridText(0, 1), "Discretos");
  EXPECT_EQ(text("panel6"), "Bibliotecas do KiCad (1 bibliotecas)");
  ASSERT_EQ(prompts_->summaries.size(), 1);  // the row with an unset variable
  filter()->setText(QStringLiteral("sot"));
  EXPECT_EQ(window_->searchLibrary().RecordCount(), 1);
}

}  // namespace
}  // namespace trevak::test
