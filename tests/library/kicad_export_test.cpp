// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "library/io_error.h"
#include "library/kicad_mod_writer.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "trevak-export-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  fs::path operator/(const std::string& name) const { return m_path / name; }

 private:
  fs::path m_path;
};

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::set<std::string> entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

const std::string kBody = "Po 0 0 0 15 0 0 ~~\rT0 0 0 600 600 0 120 N V 21 N \"R\"\rDS 0 0 100 0 50 21\r";

ExportReport exportAll(const std::vector<ExportModule>& modules, const fs::path& folder,
                       bool force = false, SaveFileLayer* files = nullptr) {
  ExportOptions options;
  options.force = force;
  options.files = files;
  return exportPretty(modules, LengthUnit::Decimil, folder.string(), options);
}

// --- names --------------------------------------------------------------------------------------

struct NameCase {
  std::vector<std::string> names;
  std::vector<std::string> expected;
};

class ExportNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ExportNames, AreEscapedUniqueIgnoringCaseAndRefusedWhenUnusable) {
  std::vector<ExportModule> modules;
  for (const std::string& n : GetParam().names) modules.push_back({n, kBody});
  EXPECT_EQ(exportFootprintNames(modules), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportNames,
    ::testing::Values(
        NameCase{{"name/with:odd\"chars<>|\\"}, {"name%2fwith%3aodd%22chars%3c%3e%7c%5c"}},
        NameCase{{"../up", "/etc/passwd", "a*b?c d"}, {"..%2fup", "%2fetc%2fpasswd", "a*b?c d"}},
        NameCase{{"R1", "R1", "R1"}, {"R1", "R1_v2", "R1_v3"}},
        // On a file system that ignores case these two would be one file.
        NameCase{{"SO8", "so8", "Ação", "AÇÃO"}, {"SO8", "so8_v2", "Ação", "AÇÃO_v2"}},
        NameCase{{"R1", "R1_v2", "R1"}, {"R1", "R1_v2", "R1_v3"}},
        NameCase{{"R1", "R1", "R1_v2", "r1", "R1_V3", "R1"},
                 {"R1", "R1_v2", "R1_v2_v2", "r1_v3", "R1_V3_v2", "R1_v4"}},
        NameCase{{"", "tab\there", "ok"}, {"", "", "ok"}},
        NameCase{{"\xB5" "F"}, {"\xC2\xB5" "F"}}));

// Names longer than 60 bytes, or with blanks, that differ only past the point where older tools
// cut them stay apart: no _v2 that no board references.
TEST(ExportNamesCorpus, NamesEqualOnlyOnceCutKeepTheirOwnNames) {
  const fs::path file = fs::path(TREVAK_CORPUS_DIR) /
                        "kicad-official-2015/Resistor_Universal-Experimental_RevA.mod";
  if (!fs::exists(file)) GTEST_SKIP() << "corpus not present";
  ModuleTable table;
  loadLibraryFile(file.string(), table);
  const std::vector<ExportModule> modules = exportModulesOf(table);
  const std::vector<std::string> names = exportFootprintNames(modules);
  ASSERT_EQ(names.size(), modules.size());
  int longer = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i], kicadFootprintName(modules[i].name));
    longer += modules[i].name.size() > 60 ? 1 : 0;
  }
  EXPECT_GE(longer, 10);
}

// --- writing ------------------------------------------------------------------------------------

TEST(KicadExport, WritesOneFilePerModuleInsideTheFolderOnly) {
  TempFolder tmp;
  const fs::path out = tmp / "deep/OUT.pretty";
  const ExportReport report =
      exportAll({{"../up", kBody}, {"/abs", kBody}, {"plain", kBody}}, out);
  EXPECT_TRUE(report.succeeded());
  EXPECT_EQ(report.count(ExportOutcome::Written), 3u);
  EXPECT_EQ(entries(out), (std::set<std::string>{"..%2fup.kicad_mod", "%2fabs.kicad_mod",
                                                 "plain.kicad_mod"}));
  EXPECT_EQ(entries(tmp / "deep"), (std::set<std::string>{"OUT.pretty"}));
  EXPECT_EQ(readBytes(out / "plain.kicad_mod").rfind("(footprint \"plain\" (version 20211014)", 0),
            0u);
}

TEST(KicadExport, ExportingTwiceChangesNothing) {
  TempFolder tmp;
  const fs::path out = tmp / "a.pretty";
  const std::vector<ExportModule> modules{{"A", kBody}, {"B", kBody}};
  exportAll(modules, out);
  struct stat before {};
  ASSERT_EQ(::stat((out / "A.kicad_mod").c_str(), &before), 0);
  const ExportReport again = exportAll(modules, out);
  EXPECT_EQ(again.count(ExportOutcome::Unchanged), 2u);
  EXPECT_TRUE(again.succeeded());
  struct stat after {};
  ASSERT_EQ(::stat((out / "A.kicad_mod").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);  // not even rewritten
  EXPECT_EQ(entries(out), (std::set<std::string>{"A.kicad_mod", "B.kicad_mod"}));
}

TEST(KicadExport, ADifferentFileIsRefusedUnlessForced) {
  TempFolder tmp;
  const fs::path out = tmp / "a.pretty";
  fs::create_directory(out);
  { std::ofstream(out / "A.kicad_mod") << "mine"; }
  const ExportReport refused = exportAll({{"A", kBody}, {"B", kBody}}, out);
  EXPECT_FALSE(refused.succeeded());
  EXPECT_EQ(refused.footprints[0].outcome, ExportOutcome::RefusedDifferent);
  EXPECT_EQ(refused.footprints[1].outcome, ExportOutcome::Written);
  EXPECT_EQ(readBytes(out / "A.kicad_mod"), "mine");

  const ExportReport forced = exportAll({{"A", kBody}}, out, true);
  EXPECT_EQ(forced.footprints[0].outcome, ExportOutcome::Replaced);
  EXPECT_NE(readBytes(out / "A.kicad_mod"), "mine");
}

TEST(KicadExport, LinksPlantedInTheFolderAreNeverWrittenThrough) {
  TempFolder tmp;
  const fs::path out = tmp / "a.pretty";
  fs::create_directory(out);
  { std::ofstream(tmp / "outside.txt") << "precious"; }
  fs::create_symlink(tmp / "outside.txt", out / "A.kicad_mod");
  fs::create_directory_symlink(tmp / "", out / "B.kicad_mod");
  for (const bool force : {false, true}) {
    const ExportReport report = exportAll({{"A", kBody}, {"B", kBody}}, out, force);
    EXPECT_EQ(report.footprints[0].outcome, ExportOutcome::RefusedNotAFile);
    EXPECT_EQ(report.footprints[1].outcome, ExportOutcome::RefusedNotAFile);
    EXPECT_EQ(readBytes(tmp / "outside.txt"), "precious");
    EXPECT_TRUE(fs::is_symlink(out / "A.kicad_mod"));
  }
}

TEST(KicadExport, RefusedNamesWriteNothing) {
  TempFolder tmp;
  const fs::path out = tmp / "a.pretty";
  const ExportReport report = exportAll({{"", kBody}, {"bad\nname", kBody}}, out);
  EXPECT_EQ(report.count(ExportOutcome::RefusedName), 2u);
  EXPECT_TRUE(entries(out).empty());
}

TEST(KicadExport, AFolderPathThatIsAFileIsAnError) {
  TempFolder tmp;
  { std::ofstream(tmp / "file") << "x"; }
  EXPECT_THROW(exportAll({{"A", kBody}}, tmp / "file"), IoError);
  EXPECT_EQ(readBytes(tmp / "file"), "x");
}

TEST(KicadExport, ProgressCanStopTheExport) {
  TempFolder tmp;
  ExportOptions options;
  std::vector<std::size_t> calls;
  options.progress = [&](std::size_t done, std::size_t total) {
    calls.push_back(done * 10 + total);
    return done < 2;
  };
  const ExportReport report = exportPretty({{"A", kBody}, {"B", kBody}, {"C", kBody}},
                                           LengthUnit::Decimil, (tmp / "o").string(), options);
  EXPECT_EQ(calls, (std::vector<std::size_t>{13, 23}));
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(entries(tmp / "o"), (std::set<std::string>{"A.kicad_mod", "B.kicad_mod"}));
}

// --- threads and the ways a file is put in place -----------------------------------------------

// Modules with bodies that differ, so that a file written under the wrong name shows.
std::vector<ExportModule> numberedModules(int count, std::vector<std::string>& storage) {
  storage.clear();
  storage.reserve(static_cast<std::size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    storage.push_back("M" + std::to_string(i));
    storage.push_back("Po 0 0 0 15 0 0 ~~\rDS 0 0 " + std::to_string(100 + i) + " 0 50 21\r");
  }
  std::vector<ExportModule> modules;
  for (int i = 0; i < count; ++i) {
    modules.push_back({storage[static_cast<std::size_t>(i) * 2],
                       storage[static_cast<std::size_t>(i) * 2 + 1]});
  }
  return modules;
}

std::map<std::string, std::string> folderContent(const fs::path& folder) {
  std::map<std::string, std::string> content;
  for (const auto& e : fs::directory_iterator(folder)) {
    content[e.path().filename().string()] = readBytes(e.path());
  }
  return content;
}

TEST(KicadExportThreads, GiveTheSameFilesAndReportAsOneThread) {
  TempFolder tmp;
  std::vector<std::string> storage;
  const std::vector<ExportModule> modules = numberedModules(300, storage);
  std::vector<ExportReport> reports;
  for (const unsigned threads : {1u, 4u}) {
    ExportOptions options;
    options.threads = threads;
    reports.push_back(exportPretty(modules, LengthUnit::Decimil,
                                   (tmp / std::to_string(threads)).string(), options));
  }
  EXPECT_EQ(folderContent(tmp / "1"), folderContent(tmp / "4"));
  EXPECT_EQ(folderContent(tmp / "4").size(), 300u);
  ASSERT_EQ(reports[1].footprints.size(), 300u);
  for (std::size_t i = 0; i < 300; ++i) {
    EXPECT_EQ(reports[1].footprints[i].moduleName, "M" + std::to_string(i));
    EXPECT_EQ(reports[1].footprints[i].outcome, ExportOutcome::Written);
  }
}

// Files are named relative to the open folder: every way of writing the folder's path must
// name the same folder, and none may put a file beside it.
TEST(KicadExport, TheFolderMayBeNamedInAnyWay) {
  TempFolder tmp;
  std::vector<std::string> storage;
  const std::vector<ExportModule> modules = numberedModules(70, storage);
  const fs::path previous = fs::current_path();
  fs::current_path(tmp / "");
  struct Restore {
    fs::path path;
    ~Restore() { fs::current_path(path); }
  } restore{previous};
  const std::map<std::string, std::string> expected = [&] {
    exportAll(modules, tmp / "plain.pretty");
    return folderContent(tmp / "plain.pretty");
  }();
  for (const std::string folder :
       {"relative.pretty", "slash.pretty/", "./dot.pretty", "deep/../twice.pretty//"}) {
    if (folder.rfind("deep", 0) == 0) fs::create_directory(tmp / "deep");
    ExportOptions options;
    options.threads = 2;
    const ExportReport report = exportPretty(modules, LengthUnit::Decimil, folder, options);
    EXPECT_EQ(report.count(ExportOutcome::Written), 70u) << folder;
    const fs::path written = tmp / fs::path(folder).lexically_normal().string();
    EXPECT_EQ(folderContent(written), expected) << folder;
  }
  EXPECT_EQ(entries(tmp / ""),
            (std::set<std::string>{"deep", "dot.pretty", "plain.pretty", "relative.pretty",
                                   "slash.pretty", "twice.pretty"}));
}

TEST(KicadExportThreads, AStoppedExportHasWrittenExactlyTheModulesItReports) {
  TempFolder tmp;
  std::vector<std::string> storage;
  const std::vector<ExportModule> modules = numberedModules(400, storage);
  ExportOptions options;
  options.threads = 4;
  options.progress = [](std::size_t done, std::size_t) { return done < 100; };
  const auto openFiles = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  const auto openBefore = openFiles();
  const ExportReport report =
      exportPretty(modules, LengthUnit::Decimil, (tmp / "o").string(), options);
  // Files the workers had filled ahead of the stop are closed, and with that gone.
  EXPECT_EQ(openFiles(), openBefore);
  EXPECT_TRUE(report.stopped);
  ASSERT_GE(report.footprints.size(), 100u);
  ASSERT_LT(report.footprints.size(), 400u);
  // The first modules, each whole, and nothing else: no temporary file either.
  std::set<std::string> expected;
  for (std::size_t i = 0; i < report.footprints.size(); ++i) {
    EXPECT_EQ(report.footprints[i].moduleName, "M" + std::to_string(i));
    expected.insert(report.footprints[i].fileName);
  }
  EXPECT_EQ(entries(tmp / "o"), expected);
}

// A layer that can do fewer of the system's ways of putting a file in place.
class PlainFiles : public PosixFileLayer {
 public:
  PlainFiles(bool unnamed, bool noReplace) : m_unnamed(unnamed), m_noReplace(noReplace) {}
  int createUnnamed(const std::string& folder, mode_t mode, int& handle) override {
    return m_unnamed ? PosixFileLayer::createUnnamed(folder, mode, handle) : ENOTSUP;
  }
  int renameNoReplace(const std::string& from, const std::string& to) override {
    return m_noReplace ? PosixFileLayer::renameNoReplace(from, to) : ENOTSUP;
  }

 private:
  bool m_unnamed;
  bool m_noReplace;
};

TEST(KicadExportLayers, EveryWayOfPuttingFilesInPlaceGivesTheSameFolder) {
  TempFolder tmp;
  std::vector<std::string> storage;
  const std::vector<ExportModule> modules = numberedModules(40, storage);
  std::vector<std::map<std::string, std::string>> folders;
  for (const auto& [unnamed, noReplace] : {std::pair{true, true}, std::pair{false, true},
                                           std::pair{false, false}}) {
    PlainFiles files(unnamed, noReplace);
    const fs::path out = tmp / (std::to_string(unnamed) + std::to_string(noReplace));
    fs::create_directory(out);
    { std::ofstream(out / "M3.kicad_mod") << "mine"; }
    const ExportReport report = exportAll(modules, out, false, &files);
    EXPECT_EQ(report.count(ExportOutcome::Written), 39u);
    EXPECT_EQ(report.footprints[3].outcome, ExportOutcome::RefusedDifferent);
    folders.push_back(folderContent(out));
  }
  EXPECT_EQ(folders[0], folders[1]);
  EXPECT_EQ(folders[0], folders[2]);
  EXPECT_EQ(folders[0].at("M3.kicad_mod"), "mine");
}

// Someone else's file appears under the name after the export looked at the folder.
class Intruder : public PosixFileLayer {
 public:
  explicit Intruder(bool unnamed) : m_unnamed(unnamed) {}
  int createUnnamed(const std::string& folder, mode_t mode, int& handle) override {
    return m_unnamed ? PosixFileLayer::createUnnamed(folder, mode, handle) : ENOTSUP;
  }
  int linkUnnamed(int handle, const std::string& path) override {
    intrude(path);
    return PosixFileLayer::linkUnnamed(handle, path);
  }
  int renameNoReplace(const std::string& from, const std::string& to) override {
    intrude(to);
    return PosixFileLayer::renameNoReplace(from, to);
  }

 private:
  static void intrude(const std::string& path) { std::ofstream(path) << "theirs"; }
  bool m_unnamed;
};

TEST(KicadExportLayers, AFileThatAppearsMeanwhileIsNeverReplaced) {
  for (const bool unnamed : {true, false}) {
    TempFolder tmp;
    Intruder files(unnamed);
    const ExportReport report = exportAll({{"A", kBody}}, tmp / "o", false, &files);
    EXPECT_EQ(report.footprints[0].outcome, ExportOutcome::RefusedDifferent) << unnamed;
    EXPECT_EQ(readBytes(tmp / "o" / "A.kicad_mod"), "theirs");
    EXPECT_EQ(entries(tmp / "o"), (std::set<std::string>{"A.kicad_mod"}));
  }
}

// --- failures through the save seam --------------------------------------------------------------

enum class Step { Write, Flush, Rename };

class FailingFiles : public PosixFileLayer {
 public:
  explicit FailingFiles(Step step) : m_step(step) {}
  int write(int handle, std::string_view data) override {
    if (m_step != Step::Write) return PosixFileLayer::write(handle, data);
    PosixFileLayer::write(handle, data.substr(0, data.size() / 2));
    return ENOSPC;
  }
  int flush(int handle) override {
    return m_step == Step::Flush ? EIO : PosixFileLayer::flush(handle);
  }
  int rename(const std::string& from, const std::string& to) override {
    return m_step == Step::Rename ? EACCES : PosixFileLayer::rename(from, to);
  }
  int renameNoReplace(const std::string& from, const std::string& to) override {
    return m_step == Step::Rename ? EACCES : PosixFileLayer::renameNoReplace(from, to);
  }
  int linkUnnamed(int handle, const std::string& path) override {
    return m_step == Step::Rename ? EACCES : PosixFileLayer::linkUnnamed(handle, path);
  }

 private:
  Step m_step;
};

class KicadExportFault : public ::testing::TestWithParam<Step> {};

TEST_P(KicadExportFault, LeavesNoHalfFileAndTheOldFileWhole) {
  TempFolder tmp;
  const fs::path out = tmp / "a.pretty";
  fs::create_directory(out);
  { std::ofstream(out / "A.kicad_mod") << "old"; }
  { std::ofstream(out / "B.kicad_mod") << "old"; }
  FailingFiles files(GetParam());
  const ExportReport report = exportAll({{"A", kBody}, {"B", kBody}}, out, true, &files);
  EXPECT_FALSE(report.succeeded());
  EXPECT_EQ(report.count(ExportOutcome::Failed), 2u);
  EXPECT_FALSE(report.footprints[0].error.empty());
  EXPECT_EQ(entries(out), (std::set<std::string>{"A.kicad_mod", "B.kicad_mod"}));
  EXPECT_EQ(readBytes(out / "A.kicad_mod"), "old");
  EXPECT_EQ(readBytes(out / "B.kicad_mod"), "old");
}

TEST_P(KicadExportFault, LeavesNothingInANewFolder) {
  TempFolder tmp;
  FailingFiles files(GetParam());
  const ExportReport report = exportAll({{"A", kBody}, {"B", kBody}}, tmp / "o", false, &files);
  // New files are not forced to disk one by one, so a failing flush does not touch them.
  if (GetParam() == Step::Flush) {
    EXPECT_TRUE(report.succeeded());
    EXPECT_EQ(entries(tmp / "o"), (std::set<std::string>{"A.kicad_mod", "B.kicad_mod"}));
    return;
  }
  EXPECT_EQ(report.count(ExportOutcome::Failed), 2u);
  EXPECT_TRUE(entries(tmp / "o").empty());
}

INSTANTIATE_TEST_SUITE_P(Steps, KicadExportFault,
                         ::testing::Values(Step::Write, Step::Flush, Step::Rename));

}  // namespace
}  // namespace trevak
