// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/pretty_save.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "library/io_error.h"
#include "library/pretty_edits.h"

namespace trevak {
namespace {

namespace fs = std::filesystem;

std::string footprint(const std::string& name, const std::string& value = "") {
  return "(footprint \"" + name + "\" (version 20211014) (generator pcbnew)\n  (layer \"F.Cu\")\n" +
         "  (fp_text value \"" + (value.empty() ? name : value) +
         "\" (at 0 1) (layer \"F.Fab\")\n    (effects (font (size 1 1) (thickness 0.15))))\n)\n";
}

class PrettySave : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "trevak-pretty-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
    m_folder = (m_root / "lib.pretty").string();
    fs::create_directory(m_folder);
  }
  void TearDown() override {
    ::chmod(m_folder.c_str(), 0755);
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
  }

  void put(const std::string& name, const std::string& bytes) const {
    std::ofstream out(fs::path(m_folder) / name, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string get(const std::string& name) const {
    std::ifstream in(fs::path(m_folder) / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(m_folder)) names.insert(e.path().filename());
    return names;
  }
  // A folder of R1, R2 and C1 and a file that is no footprint, loaded for editing.
  void loadThree() {
    put("R1.kicad_mod", footprint("R1"));
    put("R2.kicad_mod", footprint("R2"));
    put("C1.kicad_mod", footprint("C1"));
    put("README.txt", "notes");
    loadPrettyForEdit(m_folder, m_library);
    ASSERT_EQ(m_library.table.RecordCount(), 3);
  }
  int rowOf(const std::string& name) const {
    for (int row = 0; row < m_library.table.RecordCount(); ++row) {
      if (m_library.table.recordAt(row).nome_Componente == name) return row;
    }
    return -1;
  }
  void rename(const std::string& from, const std::string& to) {
    const int row = rowOf(from);
    ASSERT_GE(row, 0);
    const auto text = renameKicadModText(*m_library.table.recordAt(row).Comandos, to);
    ASSERT_TRUE(text);
    m_library.table.setRecordAt(row, to, *text);
  }
  PrettySaveReport save(SaveFileLayer* files = nullptr, bool force = false) {
    PrettySaveOptions options;
    options.files = files;
    options.force = force;
    return savePrettyFolder(m_folder, m_library.loaded, wantedFilesOf(m_library), options);
  }

  fs::path m_root;
  std::string m_folder;
  PrettyEditLibrary m_library;
};

struct timespec modified(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mtim;
}

bool operator==(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Counts what is written, and fails a chosen write or removal.
class CountingFiles : public PosixFileLayer {
 public:
  int failWrite = 0;   // the n-th write fails with `error` (0: none)
  int failRemove = 0;  // every removal fails with this
  int failRename = 0;  // the n-th rename fails with `error`
  int error = ENOSPC;
  int writes = 0, renames = 0, removes = 0;

  int create(const std::string& path, mode_t mode, bool exact, int& handle) override {
    return PosixFileLayer::create(path, mode, exact, handle);
  }
  int write(int handle, std::string_view data) override {
    if (++writes == failWrite) {
      PosixFileLayer::write(handle, data.substr(0, data.size() / 2));
      return error;
    }
    return PosixFileLayer::write(handle, data);
  }
  int rename(const std::string& from, const std::string& to) override {
    if (++renames == failRename) return error;
    return PosixFileLayer::rename(from, to);
  }
  int remove(const std::string& path) override {
    // Temporary files are always let go; only footprint removals are refused.
    if (failRemove != 0 && path.find(".save-") == std::string::npos) return failRemove;
    ++removes;
    return PosixFileLayer::remove(path);
  }
};

TEST_F(PrettySave, LoadAndSaveWithoutChangeWritesNothing) {
  loadThree();
  const auto before = modified(m_folder + "/R1.kicad_mod");
  const auto folderBefore = modified(m_folder);
  CountingFiles files;
  const PrettySaveReport report = save(&files);
  EXPECT_TRUE(report.complete());
  EXPECT_TRUE(report.written.empty());
  EXPECT_TRUE(report.removed.empty());
  EXPECT_EQ(files.writes + files.renames + files.removes, 0);
  EXPECT_TRUE(modified(m_folder + "/R1.kicad_mod") == before);
  EXPECT_TRUE(modified(m_folder) == folderBefore);
}

TEST_F(PrettySave, RenameDeleteAndAddTouchOnlyTheirFiles) {
  loadThree();
  const auto untouched = modified(m_folder + "/C1.kicad_mod");
  rename("R1", "R1_new");
  m_library.table.takeRecordAt(rowOf("R2"));
  ModuleRecord added;
  added.nome_Componente = "D1";
  added.Comandos = footprint("D1");
  added.format = ModuleFormat::KicadMod;
  m_library.table.insertRecordAt(m_library.table.RecordCount(), added);

  const PrettySaveReport report = save();
  EXPECT_TRUE(report.complete()) << report.error;
  EXPECT_EQ(report.written, (std::vector<std::string>{"R1_new.kicad_mod", "D1.kicad_mod"}));
  EXPECT_EQ(std::set<std::string>(report.removed.begin(), report.removed.end()),
            (std::set<std::string>{"R1.kicad_mod", "R2.kicad_mod"}));
  EXPECT_EQ(entries(), (std::set<std::string>{"C1.kicad_mod", "D1.kicad_mod", "R1_new.kicad_mod",
                                              "README.txt"}));
  EXPECT_EQ(get("R1_new.kicad_mod"), footprint("R1_new"));
  EXPECT_EQ(get("C1.kicad_mod"), footprint("C1"));
  EXPECT_TRUE(modified(m_folder + "/C1.kicad_mod") == untouched);
  EXPECT_EQ(get("README.txt"), "notes");

  // The loaded state follows: saving again does nothing.
  CountingFiles files;
  m_library.origins.clear();  // as a fresh load would have them
  loadPrettyForEdit(m_folder, m_library);
  EXPECT_TRUE(save(&files).written.empty());
  EXPECT_EQ(files.writes, 0);
}

TEST_F(PrettySave, SwappedNamesKeepBothFootprints) {
  loadThree();
  rename("R1", "tmp");
  rename("R2", "R1");
  rename("tmp", "R2");
  EXPECT_TRUE(save().complete());
  EXPECT_EQ(get("R1.kicad_mod"), footprint("R1"));  // the old R2, value following its name
  EXPECT_EQ(get("R2.kicad_mod"), footprint("R2"));
  EXPECT_EQ(entries().size(), 4u);
}

TEST_F(PrettySave, FailedWriteLeavesEveryFootprintReadable) {
  loadThree();
  rename("R1", "R1_new");
  rename("R2", "R2_new");
  m_library.table.takeRecordAt(rowOf("C1"));
  for (const int error : {ENOSPC, EROFS}) {
    SCOPED_TRACE(error);
    CountingFiles files;
    files.failWrite = 2;
    files.error = error;
    const PrettySaveReport report = save(&files);
    EXPECT_FALSE(report.complete());
    EXPECT_NE(report.error.find("R2_new.kicad_mod"), std::string::npos) << report.error;
    EXPECT_NE(report.error.find(ioErrorFromErrno(error).what()), std::string::npos);
    // Nothing takes its place before every file is written: the folder is as it was.
    EXPECT_TRUE(report.written.empty());
    EXPECT_EQ(report.notWritten,
              (std::vector<std::string>{"R1_new.kicad_mod", "R2_new.kicad_mod"}));
    EXPECT_EQ(report.notRemoved.size(), 3u);  // no removal after a failure
    EXPECT_TRUE(report.removed.empty());
    EXPECT_EQ(entries(), (std::set<std::string>{"C1.kicad_mod", "R1.kicad_mod", "R2.kicad_mod",
                                                "README.txt"}));
    EXPECT_EQ(get("R2.kicad_mod"), footprint("R2"));
  }
  {
    // A rename that fails: what was renamed stays, the rest is reported, no temporary file.
    CountingFiles files;
    files.failRename = 2;
    files.error = EIO;
    const PrettySaveReport report = save(&files);
    EXPECT_EQ(report.written, std::vector<std::string>{"R1_new.kicad_mod"});
    EXPECT_EQ(report.notWritten, std::vector<std::string>{"R2_new.kicad_mod"});
    EXPECT_TRUE(report.removed.empty());
    EXPECT_EQ(entries(), (std::set<std::string>{"C1.kicad_mod", "R1.kicad_mod", "R1_new.kicad_mod",
                                                "R2.kicad_mod", "README.txt"}));
  }
  // The next save finishes the job.
  const PrettySaveReport report = save();
  EXPECT_TRUE(report.complete()) << report.error;
  EXPECT_EQ(entries(),
            (std::set<std::string>{"R1_new.kicad_mod", "R2_new.kicad_mod", "README.txt"}));
}

TEST_F(PrettySave, SwapThatFailsLosesNeitherFootprint) {
  loadThree();
  put("R1.kicad_mod", footprint("R1", "one"));
  put("R2.kicad_mod", footprint("R2", "two"));
  loadPrettyForEdit(m_folder, m_library);
  rename("R1", "tmp");
  rename("R2", "R1");
  rename("tmp", "R2");
  CountingFiles files;
  files.failWrite = 2;
  EXPECT_FALSE(save(&files).complete());
  EXPECT_EQ(get("R1.kicad_mod"), footprint("R1", "one"));
  EXPECT_EQ(get("R2.kicad_mod"), footprint("R2", "two"));
  EXPECT_TRUE(save().complete());
  EXPECT_EQ(get("R1.kicad_mod"), footprint("R1", "two"));
  EXPECT_EQ(get("R2.kicad_mod"), footprint("R2", "one"));
  EXPECT_EQ(entries().size(), 4u);
}

TEST_F(PrettySave, FailedRemovalIsReportedAndLosesNothing) {
  loadThree();
  m_library.table.takeRecordAt(rowOf("C1"));
  CountingFiles files;
  files.failRemove = EACCES;
  const PrettySaveReport report = save(&files);
  EXPECT_FALSE(report.complete());
  EXPECT_EQ(report.notRemoved, std::vector<std::string>{"C1.kicad_mod"});
  EXPECT_TRUE(fs::exists(m_folder + "/C1.kicad_mod"));
}

TEST_F(PrettySave, ReadOnlyFolderFailsWithoutLoss) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  loadThree();
  rename("R1", "R9");
  ::chmod(m_folder.c_str(), 0555);
  const PrettySaveReport report = save();
  EXPECT_FALSE(report.complete());
  EXPECT_NE(report.error.find("File access denied"), std::string::npos) << report.error;
  EXPECT_EQ(get("R1.kicad_mod"), footprint("R1"));
}

TEST_F(PrettySave, HostileNamesAreRefusedBeforeAnyWrite) {
  for (const std::string& name :
       std::vector<std::string>{"", "a/b", "..", "x..y", "back\\slash", std::string("nul\0x", 5),
                                "tab\there", std::string(250, 'n')}) {
    SCOPED_TRACE(name);
    std::string why;
    EXPECT_FALSE(writableFootprintFileName(footprintFileName(name), &why));
    EXPECT_FALSE(why.empty());
  }
  EXPECT_TRUE(writableFootprintFileName("R_0603 (1608 Metric).kicad_mod"));
  EXPECT_TRUE(writableFootprintFileName("Résistance.kicad_mod"));

  loadThree();
  const std::string text = footprint("x");
  LoadedFolder loaded = m_library.loaded;
  try {
    savePrettyFolder(m_folder, loaded, {{"../escape.kicad_mod", text, false}}, {});
    ADD_FAILURE() << "a name with '/' was saved";
  } catch (const PrettySaveRefused& e) {
    EXPECT_EQ(e.reason(), PrettySaveRefused::Reason::BadName);
  }
  EXPECT_FALSE(fs::exists(m_root / "escape.kicad_mod"));
  EXPECT_EQ(entries().size(), 4u);  // nothing removed either
}

TEST_F(PrettySave, NamesEqualIgnoringCaseAreRefused) {
  loadThree();
  rename("R2", "r1");
  try {
    save();
    ADD_FAILURE() << "two names equal ignoring case were saved";
  } catch (const PrettySaveRefused& e) {
    EXPECT_EQ(e.reason(), PrettySaveRefused::Reason::NameClash);
  }
  // Against a file of the folder that did not load, too.
  loadThree();
  put("x1.kicad_mod", "(not a footprint");
  loadPrettyForEdit(m_folder, m_library);
  rename("R2", "X1");
  EXPECT_THROW(save(), PrettySaveRefused);
  EXPECT_EQ(get("x1.kicad_mod"), "(not a footprint");
  EXPECT_EQ(get("R2.kicad_mod"), footprint("R2"));
}

TEST_F(PrettySave, LetterCaseOnlyRenameKeepsTheFootprint) {
  loadThree();
  rename("R1", "r1");
  EXPECT_TRUE(save().complete());
  EXPECT_EQ(get("r1.kicad_mod"), footprint("r1"));
  EXPECT_FALSE(fs::exists(m_folder + "/R1.kicad_mod"));
}

TEST_F(PrettySave, ChangedOnDiskStopsTheSaveUnlessForced) {
  loadThree();
  rename("R1", "R1_new");
  put("R1.kicad_mod", footprint("R1", "edited elsewhere"));  // about to be removed
  try {
    save();
    ADD_FAILURE() << "a file changed on disk was removed";
  } catch (const PrettySaveRefused& e) {
    EXPECT_EQ(e.reason(), PrettySaveRefused::Reason::ChangedOnDisk);
    EXPECT_EQ(e.files(), std::vector<std::string>{"R1.kicad_mod"});
    EXPECT_NE(std::string(e.what()).find("R1.kicad_mod"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(m_folder + "/R1_new.kicad_mod"));
  EXPECT_TRUE(save(nullptr, true).complete());
  EXPECT_FALSE(fs::exists(m_folder + "/R1.kicad_mod"));
}

TEST_F(PrettySave, SameBytesWrittenBackIsNoChange) {
  loadThree();
  rename("R1", "R1_new");
  put("R1.kicad_mod", footprint("R1"));  // rewritten, same bytes: a new identity only
  EXPECT_TRUE(save().complete());
}

TEST_F(PrettySave, FileMadeOrDeletedBehindOurBack) {
  loadThree();
  // A new footprint whose name another program took since the load.
  ModuleRecord added;
  added.nome_Componente = "D1";
  added.Comandos = footprint("D1");
  added.format = ModuleFormat::KicadMod;
  m_library.table.insertRecordAt(0, added);
  put("D1.kicad_mod", "theirs");
  EXPECT_THROW(save(), PrettySaveRefused);
  EXPECT_EQ(get("D1.kicad_mod"), "theirs");
  fs::remove(m_folder + "/D1.kicad_mod");
  // A kept footprint whose file was deleted: reported, and written back when forced.
  fs::remove(m_folder + "/C1.kicad_mod");
  EXPECT_THROW(save(), PrettySaveRefused);
  const PrettySaveReport report = save(nullptr, true);
  EXPECT_TRUE(report.complete());
  EXPECT_EQ(get("C1.kicad_mod"), footprint("C1"));
}

TEST_F(PrettySave, ReplacedFileKeepsItsPermissions) {
  loadThree();
  ::chmod((m_folder + "/C1.kicad_mod").c_str(), 0640);
  const int row = rowOf("C1");
  m_library.table.setRecordAt(row, std::string("C1"), footprint("C1", "changed"));
  const PrettySaveReport report = save();
  EXPECT_EQ(report.written, std::vector<std::string>{"C1.kicad_mod"});
  struct stat st {};
  ::stat((m_folder + "/C1.kicad_mod").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(get("C1.kicad_mod"), footprint("C1", "changed"));
}

TEST(KicadModRename, NameAndValueFollowEverythingElseStays) {
  const std::string text =
      "(footprint \"R1\" (version 20211014)\n  (descr \"R1 resistor\")\n"
      "  (fp_text reference \"REF**\" (at 0 0))\n  (fp_text value \"R1\" (at 0 1))\n"
      "  (fp_text user \"R1\" (at 0 2))\n)\n";
  const auto renamed = renameKicadModText(text, "R \"big\"");
  ASSERT_TRUE(renamed);
  EXPECT_EQ(
      *renamed,
      "(footprint \"R \\\"big\\\"\" (version 20211014)\n  (descr \"R1 resistor\")\n"
      "  (fp_text reference \"REF**\" (at 0 0))\n  (fp_text value \"R \\\"big\\\"\" (at 0 1))\n"
      "  (fp_text user \"R1\" (at 0 2))\n)\n");
  // A value that is not the name stays; KiCad 5's atoms stay atoms where they can.
  EXPECT_EQ(renameKicadModText("(module R1 (layer F.Cu)\n (fp_text value 10k (at 0 0)))", "R2"),
            "(module R2 (layer F.Cu)\n (fp_text value 10k (at 0 0)))");
  EXPECT_EQ(renameKicadModText("(module R1 (fp_text value R1))", "R 2"),
            "(module \"R 2\" (fp_text value \"R 2\"))");
  // KiCad 8's property.
  EXPECT_EQ(
      renameKicadModText("(footprint \"A\"\n\t(property \"Value\" \"A\"\n\t\t(at 0 0)))", "B"),
      "(footprint \"B\"\n\t(property \"Value\" \"B\"\n\t\t(at 0 0)))");
  std::string why;
  EXPECT_FALSE(renameKicadModText("(footprint \"A\"", "B", &why));
  EXPECT_NE(why.find("line 1"), std::string::npos);
  EXPECT_FALSE(renameKicadModText("(kicad_sch)", "B", &why));
}

TEST(KicadModPlaceholders, EveryNameTokenIsFilledAndNothingElse) {
  EXPECT_EQ(fillKicadModPlaceholders(
                "(footprint \"Q 1\" (fp_text value >NAME)\n (fp_text user \"x>NAMEy\")\n"
                " (descr \"no placeholder here: >name\"))",
                "Q 1"),
            "(footprint \"Q 1\" (fp_text value \"Q 1\")\n (fp_text user \"xQ 1y\")\n"
            " (descr \"no placeholder here: >name\"))");
  // Without a placeholder, or not readable: the text as it was.
  EXPECT_EQ(fillKicadModPlaceholders("(footprint \"A\")", "A"), "(footprint \"A\")");
  EXPECT_EQ(fillKicadModPlaceholders("(footprint >NAME", "A"), "(footprint >NAME");
}

}  // namespace
}  // namespace trevak
