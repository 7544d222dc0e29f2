// SPDX-License-Identifier: GPL-3.0-or-later
// A `.pretty` folder as the edit library: its load, delete, rename in the grid and copy in from
// the search pane with undo, and the save that writes only what changed.
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "app/exact_panes.h"
#include "app/preview_widget.h"
#include "library/library_writer.h"
#include "tests/common/mixed_pretty.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

namespace fs = std::filesystem;

std::string footprintText(const std::string& name, const char* version = "20211014") {
  return "(footprint \"" + name + "\" (version " + version +
         ") (generator pcbnew)\n"
         "  (layer \"F.Cu\")\n"
         "  (fp_text reference \"REF**\" (at 0 -2) (layer \"F.SilkS\")\n"
         "    (effects (font (size 1 1) (thickness 0.15))))\n"
         "  (fp_text value \"" +
         name +
         "\" (at 0 2) (layer \"F.Fab\")\n"
         "    (effects (font (size 1 1) (thickness 0.15))))\n"
         "  (fp_line (start -1 -1) (end 1 1) (layer \"F.SilkS\") (width 0.12))\n"
         "  (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\" \"F.Paste\" \"F.Mask\"))\n"
         ")\n";
}

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// The entries of a folder and their bytes.
std::map<std::string, std::string> folderContents(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    files[entry.path().filename().string()] = readAll(entry.path());
  }
  return files;
}

// A layer whose renames fail from the `failFrom`-th on (0: the first), so a save stops with
// some files in place; it writes through named temporary files and renames only.
class FailingRenames final : public PosixFileLayer {
 public:
  int failFrom = -1;
  int rename(const std::string& from, const std::string& to) override {
    if (failFrom >= 0 && m_renames++ >= failFrom) return EIO;
    return PosixFileLayer::rename(from, to);
  }
  int renameNoReplace(const std::string&, const std::string&) override { return ENOTSUP; }
  int createUnnamed(const std::string&, mode_t, int&) override { return ENOTSUP; }

 private:
  int m_renames = 0;
};

class PrettyEdit : public WindowTest {
 protected:
  WindowOptions windowOptions() override {
    WindowOptions options = WindowTest::windowOptions();
    options.saveFiles = &m_layer;
    return options;
  }

  void SetUp() override {
    WindowTest::SetUp();
    m_folder = dirPath("Parts.pretty");
    fs::create_directories(m_folder.toStdString());
    for (const char* name : {"A", "B", "C"}) {
      writeAll(path(std::string(name) + ".kicad_mod"), footprintText(name));
    }
    // Not a footprint: a save never touches it.
    writeAll(path("README.txt"), "notes\n");
    // Old times, so that any write shows.
    for (const auto& entry : fs::directory_iterator(m_folder.toStdString())) {
      fs::last_write_time(entry.path(), m_old);
    }
  }

  fs::path path(const std::string& file) const { return fs::path(m_folder.toStdString()) / file; }
  bool untouched(const std::string& file) const { return fs::last_write_time(path(file)) == m_old; }
  void selectEditRow(const std::string& name) {
    ModuleTable& table = window_->editLibrary();
    for (int row = 0; row < table.RecordCount(); ++row) {
      if (table.recordAt(row).nome_Componente == name) {
        table.moveTo(row);
        selectRows("DBGrid1", {row});
        return;
      }
    }
    ADD_FAILURE() << "no module " << name;
  }
  QString status() const { return window_->statusBar()->currentMessage(); }
  ExactPanes* panes() { return window_->findChild<ExactPanes*>(QStringLiteral("exactPanes")); }

  QString m_folder;
  FailingRenames m_layer;
  const fs::file_time_type m_old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
};

TEST_F(PrettyEdit, TheFolderLoadsWithItsFormatItsTextAndTheExactDrawing) {
  writeAll(path("D.kicad_mod"), footprintText("D", "20240108"));
  writeAll(path("Broken.kicad_mod"), "(footprint \"Broken\" (version 20211014)\n  (layer");
  loadEdit(m_folder);
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C", "D"}));
  EXPECT_EQ(text("Panel5"), m_folder);
  EXPECT_EQ(text("Label1"), "4");
  EXPECT_EQ(text("EditFormat"), ".pretty, KiCad 6 (20211014), KiCad 8 (20240108)");
  EXPECT_FALSE(window_->isModified());
  // The file that does not read is named, and stays as it is.
  ASSERT_EQ(prompts_->summaryDetails.size(), 1);
  EXPECT_TRUE(prompts_->summaryDetails.first().contains("Broken.kicad_mod"));
  // The body view shows the file's text, which is not typed into.
  auto* body = find<QPlainTextEdit>("textlistbox1");
  EXPECT_TRUE(body->isReadOnly());
  find<QTabWidget>("TabControl1")->setCurrentIndex(1);
  EXPECT_TRUE(body->toPlainText().startsWith("(footprint \"A\" (version 20211014)"));
  EXPECT_TRUE(panes()->showsExact(find<PreviewWidget>("Image2")));
  click("BitBtn8");
  EXPECT_TRUE(body->toPlainText().startsWith("(footprint \"B\""));
  EXPECT_TRUE(body->isReadOnly());
  // A legacy library afterwards is typed into again, with no format shown.
  loadEdit(writeLibrary("x.mod", modulesNamed({"X"})));
  EXPECT_FALSE(body->isReadOnly());
  EXPECT_EQ(text("EditFormat"), "");
}

TEST_F(PrettyEdit, KiCadsOwnFilesOfEveryDialectAreNamedByTheirRelease) {
  const QString mixed = dirPath("Mixed.pretty");
  ASSERT_EQ(buildMixedPretty(mixed.toStdString()), "");
  loadEdit(mixed);
  EXPECT_EQ(window_->editLibrary().RecordCount(), 6);
  EXPECT_EQ(text("EditFormat"),
            ".pretty, KiCad 5, KiCad 6 (20211014), KiCad 7 (20221018), KiCad 8 (20240108), "
            "KiCad 9 (20241229), KiCad 10 (20260206)");
  // Loaded and saved with no change, KiCad's own files are not written.
  const auto before = folderContents(mixed.toStdString());
  trigger("Salvar1");
  EXPECT_EQ(folderContents(mixed.toStdString()), before);
  EXPECT_TRUE(status().startsWith("Nada mudou")) << status().toStdString();
}

TEST_F(PrettyEdit, TheCommandLineAndTheRecentListTakeTheFolder) {
  // One footprint file is refused, the library left empty.
  window_->openEditLibrary(QString::fromStdString(path("A.kicad_mod").string()));
  EXPECT_EQ(prompts_->errors.size(), 1);
  EXPECT_TRUE(window_->editLibrary().IsEmpty());
  window_->openEditLibrary(m_folder);
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C"}));
  loadEdit(writeLibrary("x.mod", modulesNamed({"X"})));
  auto* recent = window_->findChild<QMenu*>(QStringLiteral("Bibliotecasrecentes1"));
  ASSERT_NE(recent, nullptr);
  QAction* item = nullptr;
  for (QAction* a : recent->actions()) {
    if (a->text().contains("Parts.pretty")) item = a;
  }
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(text("Panel5"), m_folder);
}

TEST_F(PrettyEdit, ASaveWithNoChangeWritesNothing) {
  const auto before = folderContents(m_folder.toStdString());
  loadEdit(m_folder);
  trigger("Salvar1");
  EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
  EXPECT_EQ(folderContents(m_folder.toStdString()), before);
  for (const char* file : {"A.kicad_mod", "B.kicad_mod", "C.kicad_mod", "README.txt"}) {
    EXPECT_TRUE(untouched(file)) << file;
  }
  EXPECT_TRUE(status().startsWith("Nada mudou")) << status().toStdString();
}

TEST_F(PrettyEdit, DeleteRenameAndCopyFromALegacyLibraryAreUndoneAndSavedAsFiles) {
  const std::string original = readAll(path("A.kicad_mod"));
  loadEdit(m_folder);
  loadSearch(writeLibrary("s.mod", modulesNamed({"L1"})));

  selectEditRow("B");
  click("RxSB_apagar");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "C"}));

  selectEditRow("A");
  renameCurrent("A2");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A2", "C"}));
  const ModuleRecord& renamed = window_->editLibrary().recordAt(0);
  // The name inside and the value text follow; every other byte stays.
  std::string expected = original;
  expected.replace(expected.find("\"A\""), 3, "\"A2\"");
  expected.replace(expected.find("value \"A\""), 9, "value \"A2\"");
  EXPECT_EQ(renamed.Comandos, expected);

  click("RxSB_copiar");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A2", "C", "L1"}));
  const ModuleRecord& copied = window_->editLibrary().recordAt(2);
  EXPECT_EQ(copied.format, ModuleFormat::KicadMod);
  EXPECT_TRUE(copied.Comandos->starts_with("(footprint \"L1\" (version 20211014)"));
  EXPECT_TRUE(panes()->showsExact(find<PreviewWidget>("Image2")));

  // Undo walks back through all three, redo brings them again.
  trigger("Desfazer1");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A2", "C"}));
  trigger("Desfazer1");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(window_->editLibrary().recordAt(0).Comandos, original);
  trigger("Desfazer1");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_FALSE(window_->isModified());
  for (int i = 0; i < 3; ++i) trigger("Refazer1");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A2", "C", "L1"}));
  EXPECT_EQ(window_->editLibrary().recordAt(2).format, ModuleFormat::KicadMod);
  EXPECT_TRUE(window_->isModified());

  const std::string c = readAll(path("C.kicad_mod"));
  trigger("Salvar1");
  EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
  EXPECT_FALSE(window_->isModified());
  const auto files = folderContents(m_folder.toStdString());
  EXPECT_EQ(files.size(), 4u);  // A2, C, L1 and the notes
  EXPECT_EQ(files.count("A.kicad_mod"), 0u);
  EXPECT_EQ(files.count("B.kicad_mod"), 0u);
  EXPECT_EQ(files.at("A2.kicad_mod"), expected);
  EXPECT_EQ(files.at("L1.kicad_mod"), *window_->editLibrary().recordAt(2).Comandos);
  EXPECT_EQ(files.at("C.kicad_mod"), c);
  EXPECT_TRUE(untouched("C.kicad_mod"));
  EXPECT_TRUE(untouched("README.txt"));

  // Saved, the library is the files: another save writes nothing.
  const auto a2Time = fs::last_write_time(path("A2.kicad_mod"));
  trigger("Salvar1");
  EXPECT_EQ(fs::last_write_time(path("A2.kicad_mod")), a2Time);
  EXPECT_TRUE(status().startsWith("Nada mudou")) << status().toStdString();
}

TEST_F(PrettyEdit, AFootprintIsCopiedByteForByteAndATakenNameIsRefusedLetterCaseAside) {
  const QString source = dirPath("Other.pretty");
  fs::create_directories(source.toStdString());
  // Odd spacing and a comment-like atom: a copy keeps every byte.
  const std::string d = "(footprint   \"D\" (version 20240108)\n\t(layer \"F.Cu\")  )\n";
  writeAll(fs::path(source.toStdString()) / "D.kicad_mod", d);
  writeAll(fs::path(source.toStdString()) / "a.kicad_mod", footprintText("a"));
  loadEdit(m_folder);
  window_->openSearchLibrary(source);
  ASSERT_EQ(names(window_->searchLibrary()).size(), 2u);
  selectRows("DBGrid2", {0, 1});
  click("RxSB_copiar");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C", "D"}));
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_TRUE(prompts_->errors.first().contains("a: já existe"))
      << prompts_->errors.first().toStdString();
  EXPECT_EQ(text("EditFormat"), ".pretty, KiCad 6 (20211014), KiCad 8 (20240108)");
  trigger("Salvar1");
  EXPECT_EQ(readAll(path("D.kicad_mod")), d);
  EXPECT_TRUE(untouched("A.kicad_mod"));
}

TEST_F(PrettyEdit, ARenameToATakenOrUnwritableNameIsRefused) {
  loadEdit(m_folder);
  selectEditRow("A");
  renameCurrent("c");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C"}));
  ASSERT_EQ(prompts_->errors.size(), 1);
  renameCurrent("x/y");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C"}));
  ASSERT_EQ(prompts_->errors.size(), 2);
  EXPECT_TRUE(prompts_->errors.last().contains("x/y")) << prompts_->errors.last().toStdString();
  EXPECT_EQ(window_->editLibrary().recordAt(0).Comandos, footprintText("A"));
  EXPECT_FALSE(window_->isModified());
}

TEST_F(PrettyEdit, ANameInsideAFileIsShownAndRenamedAsUtf8) {
  writeAll(path("Res.kicad_mod"), footprintText("R\xc3\xa9sistor"));
  loadEdit(m_folder);
  auto* grid = find<NameGrid>("DBGrid1");
  EXPECT_EQ(grid->model()->index(3, 0).data().toString(), QStringLiteral("Résistor"));
  selectEditRow("R\xc3\xa9sistor");
  // Typed keys are ASCII in the test library: the text is put in the editor whole.
  QLineEdit* editor = startRename("C");
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("Capacitör"));
  QTest::keyClick(editor, Qt::Key_Return);
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
  EXPECT_EQ(names(window_->editLibrary()).back(), "Capacit\xc3\xb6r");
  trigger("Salvar1");
  EXPECT_EQ(readAll(path("Capacit\xc3\xb6r.kicad_mod")), footprintText("Capacit\xc3\xb6r"));
  EXPECT_FALSE(fs::exists(path("Res.kicad_mod")));
}

TEST_F(PrettyEdit, ARenameInLetterCaseAloneMovesTheFile) {
  loadEdit(m_folder);
  selectEditRow("A");
  renameCurrent("a");
  EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
  trigger("Salvar1");
  const auto files = folderContents(m_folder.toStdString());
  EXPECT_EQ(files.count("A.kicad_mod"), 0u);
  ASSERT_EQ(files.count("a.kicad_mod"), 1u);
  EXPECT_TRUE(files.at("a.kicad_mod").starts_with("(footprint \"a\""));
  EXPECT_FALSE(window_->isModified());
}

TEST_F(PrettyEdit, AFileThatDidNotReadIsNeverWrittenOver) {
  const std::string broken = "(footprint \"Broken\" (version 20211014)\n  (layer";
  writeAll(path("Broken.kicad_mod"), broken);
  const QString source = dirPath("Other.pretty");
  fs::create_directories(source.toStdString());
  writeAll(fs::path(source.toStdString()) / "broken.kicad_mod", footprintText("broken"));
  loadEdit(m_folder);
  window_->openSearchLibrary(source);
  click("RxSB_copiar");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "broken", "C"}));
  prompts_->errors.clear();
  trigger("Salvar1");
  // Its name is the unread file's, letter case aside: the save refuses before writing anything.
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_TRUE(prompts_->errors.first().startsWith("Nada foi salvo"))
      << prompts_->errors.first().toStdString();
  EXPECT_EQ(readAll(path("Broken.kicad_mod")), broken);
  EXPECT_FALSE(fs::exists(path("broken.kicad_mod")));
  EXPECT_TRUE(window_->isModified());
}

TEST_F(PrettyEdit, AFileChangedOnDiskIsWrittenOverOnlyWhenTheUserAgrees) {
  loadEdit(m_folder);
  selectEditRow("C");
  click("RxSB_apagar");
  const std::string theirs = footprintText("C", "20240108");
  writeAll(path("C.kicad_mod"), theirs);
  prompts_->overwriteAnswers.push_back(false);
  trigger("Salvar1");
  ASSERT_EQ(prompts_->overwriteQuestions.size(), 1);
  EXPECT_TRUE(prompts_->overwriteQuestions.first().endsWith("Parts.pretty/C.kicad_mod"));
  EXPECT_EQ(readAll(path("C.kicad_mod")), theirs);
  EXPECT_TRUE(window_->isModified());

  prompts_->overwriteAnswers.push_back(true);
  trigger("Salvar1");
  EXPECT_FALSE(fs::exists(path("C.kicad_mod")));
  EXPECT_FALSE(window_->isModified());
  EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
}

TEST_F(PrettyEdit, ASaveStoppedPartWaySaysWhatWasWrittenAndTheNextOneFinishes) {
  loadEdit(m_folder);
  selectEditRow("A");
  renameCurrent("A2");
  selectEditRow("B");
  renameCurrent("B2");
  m_layer.failFrom = 1;
  trigger("Salvar1");
  ASSERT_EQ(prompts_->errors.size(), 1);
  const QString report = prompts_->errors.first();
  EXPECT_TRUE(report.contains("Escritos:\nA2.kicad_mod")) << report.toStdString();
  EXPECT_TRUE(report.contains("Não escritos:\nB2.kicad_mod")) << report.toStdString();
  EXPECT_TRUE(window_->isModified());
  // Every footprint is still readable from some file.
  EXPECT_TRUE(fs::exists(path("A.kicad_mod")) || fs::exists(path("A2.kicad_mod")));
  EXPECT_TRUE(fs::exists(path("B.kicad_mod")));

  m_layer.failFrom = -1;
  trigger("Salvar1");
  EXPECT_FALSE(window_->isModified());
  const auto files = folderContents(m_folder.toStdString());
  EXPECT_EQ(files.size(), 4u);
  EXPECT_EQ(files.at("A2.kicad_mod"), window_->editLibrary().recordAt(0).Comandos);
  EXPECT_EQ(files.at("B2.kicad_mod"), window_->editLibrary().recordAt(1).Comandos);
  EXPECT_TRUE(untouched("C.kicad_mod"));
}

TEST_F(PrettyEdit, StripPrefixAndFillNamesChangeNameAndTextTogetherAndUndo) {
  std::string placeholder = footprintText("Parts-R1");
  placeholder.replace(placeholder.find("\"REF**\""), 7, "\">NAME\"");
  writeAll(path("Parts-R1.kicad_mod"), placeholder);
  loadEdit(m_folder);
  click("RxSpeedButton2");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C", "R1"}));
  const std::string stripped = *window_->editLibrary().recordAt(3).Comandos;
  EXPECT_TRUE(stripped.starts_with("(footprint \"R1\"")) << stripped;
  EXPECT_NE(stripped.find("value \"R1\""), std::string::npos) << stripped;
  click("RxSpeedButton4");
  const std::string filled = *window_->editLibrary().recordAt(3).Comandos;
  EXPECT_NE(filled.find("reference \"R1\""), std::string::npos) << filled;
  EXPECT_EQ(filled.find(">NAME"), std::string::npos) << filled;
  trigger("Desfazer1");
  EXPECT_EQ(window_->editLibrary().recordAt(3).Comandos, stripped);
  trigger("Desfazer1");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "B", "C", "Parts-R1"}));
  EXPECT_EQ(window_->editLibrary().recordAt(3).Comandos, placeholder);
  EXPECT_FALSE(window_->isModified());
  trigger("Refazer1");
  trigger("Salvar1");
  EXPECT_FALSE(fs::exists(path("Parts-R1.kicad_mod")));
  EXPECT_EQ(readAll(path("R1.kicad_mod")), stripped);
  EXPECT_TRUE(untouched("A.kicad_mod"));
}

TEST_F(PrettyEdit, AnUndoneNewLibraryBringsTheFolderBackAndItsSaveWritesThere) {
  loadEdit(m_folder);
  selectEditRow("B");
  click("RxSB_apagar");
  prompts_->discardAnswers.push_back(true);
  click("RxSB_limpar");
  EXPECT_EQ(text("EditFormat"), "");
  trigger("Desfazer1");
  EXPECT_EQ(text("Panel5"), m_folder);
  EXPECT_EQ(text("EditFormat"), ".pretty, KiCad 6 (20211014)");
  EXPECT_EQ(names(window_->editLibrary()), (std::vector<std::string>{"A", "C"}));
  trigger("Salvar1");
  EXPECT_TRUE(prompts_->saveRequests.empty());
  EXPECT_FALSE(fs::exists(path("B.kicad_mod")));
  EXPECT_TRUE(untouched("A.kicad_mod"));
}

TEST_F(PrettyEdit, SaveAsWritesEveryFootprintIntoANewFolderWhichBecomesTheLibrary) {
  loadEdit(m_folder);
  selectEditRow("B");
  click("RxSB_apagar");
  // A folder that holds anything is refused, and nothing is written into it.
  const QString busy = dirPath("Busy.pretty");
  fs::create_directories(busy.toStdString());
  writeAll(fs::path(busy.toStdString()) / "keep.txt", "x");
  prompts_->saveAnswers.push_back(busy);
  trigger("Salvarbibliotecaemedio1");
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_EQ(folderContents(busy.toStdString()).size(), 1u);
  EXPECT_TRUE(window_->isModified());
  // A .mod name is refused too: the footprints are not legacy modules.
  prompts_->saveAnswers.push_back(dirPath("flat.mod"));
  trigger("Salvarbibliotecaemedio1");
  ASSERT_EQ(prompts_->errors.size(), 2);
  EXPECT_FALSE(fs::exists(dirPath("flat.mod").toStdString()));

  const QString target = dirPath("Copy.pretty");
  prompts_->saveAnswers.push_back(target);
  trigger("Salvarbibliotecaemedio1");
  EXPECT_EQ(prompts_->errors.size(), 2) << prompts_->errors.last().toStdString();
  EXPECT_EQ(text("Panel5"), target);
  EXPECT_FALSE(window_->isModified());
  const auto files = folderContents(target.toStdString());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files.at("A.kicad_mod"), readAll(path("A.kicad_mod")));
  // The old folder is left as it was, B included.
  EXPECT_TRUE(untouched("B.kicad_mod"));
  // The new folder is the library now: a plain save there writes nothing more.
  const auto aTime = fs::last_write_time(fs::path(target.toStdString()) / "A.kicad_mod");
  trigger("Salvar1");
  EXPECT_EQ(fs::last_write_time(fs::path(target.toStdString()) / "A.kicad_mod"), aTime);
  EXPECT_TRUE(status().startsWith("Nada mudou")) << status().toStdString();
}

TEST_F(PrettyEdit, FootprintsBroughtBackByUndoUnderAnOldFolderNameAreNeverWrittenAsAModFile) {
  loadEdit(m_folder);
  prompts_->discardAnswers.push_back(true);
  click("RxSB_limpar");
  trigger("Desfazer1");
  prompts_->saveAnswers.push_back(dirPath("Copy.pretty"));
  trigger("Salvarbibliotecaemedio1");
  ASSERT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
  // Redo empties the pane, undo names the first folder again: the library held is the copy's.
  trigger("Refazer1");
  trigger("Desfazer1");
  ASSERT_EQ(text("Panel5"), m_folder);
  const auto before = folderContents(m_folder.toStdString());
  trigger("Salvar1");
  EXPECT_EQ(prompts_->errors.size(), 1);
  EXPECT_EQ(folderContents(m_folder.toStdString()), before);
  prompts_->saveAnswers.push_back(dirPath("flat.mod"));
  trigger("Salvarbibliotecaemedio1");
  EXPECT_EQ(prompts_->errors.size(), 2);
  EXPECT_FALSE(fs::exists(dirPath("flat.mod").toStdString()));
}

TEST_F(PrettyEdit, ALegacyLibrarySavedUnderAPrettyNameIsConvertedIntoANewFolder) {
  loadEdit(writeLibrary("x.mod", modulesNamed({"X1", "X2"})));
  const QString target = dirPath("New.pretty");
  prompts_->saveAnswers.push_back(target);
  trigger("Salvarbibliotecaemedio1");
  EXPECT_TRUE(prompts_->errors.isEmpty()) << prompts_->errors.join("\n").toStdString();
  EXPECT_EQ(text("Panel5"), target);
  EXPECT_EQ(text("EditFormat"), ".pretty, KiCad 6 (20211014)");
  EXPECT_FALSE(window_->isModified());
  const auto files = folderContents(target.toStdString());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(files.at("X1.kicad_mod").starts_with("(footprint \"X1\" (version 20211014)"));
  EXPECT_EQ(window_->editLibrary().recordAt(1).Comandos, files.at("X2.kicad_mod"));
  EXPECT_EQ(window_->editLibrary().recordAt(1).format, ModuleFormat::KicadMod);

  // Two modules whose names differ in letter case alone would be one file: nothing is written.
  loadEdit(writeLibrary("y.mod", modulesNamed({"Y", "y"})));
  prompts_->saveAnswers.push_back(dirPath("Y.pretty"));
  trigger("Salvarbibliotecaemedio1");
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_FALSE(fs::exists(dirPath("Y.pretty").toStdString()));
}

}  // namespace
}  // namespace trevak::test
