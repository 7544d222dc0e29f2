// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "library/io_error.h"

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
        NameCase{{"", "tab\there", "ok"}, {"", "", "ok"}},
        NameCase{{"\xB5" "F"}, {"\xC2\xB5" "F"}}));

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

INSTANTIATE_TEST_SUITE_P(Steps, KicadExportFault,
                         ::testing::Values(Step::Write, Step::Flush, Step::Rename));

}  // namespace
}  // namespace trevak
