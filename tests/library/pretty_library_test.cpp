// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/pretty_library.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "library/library_set.h"
#include "tests/common/mixed_pretty.h"

namespace trevak {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string footprint(const std::string& name, const std::string& extra = {}) {
  return "(footprint \"" + name + "\" (version 20211014) (generator pcbnew)\n  (layer \"F.Cu\")" +
         extra + ")\n";
}

class PrettyFolder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  fs::path path(const std::string& rel) const { return fs::path(m_dir.path().toStdString()) / rel; }
  void write(const std::string& rel, const std::string& bytes) const {
    fs::create_directories(path(rel).parent_path());
    std::ofstream(path(rel), std::ios::binary) << bytes;
  }
  // The failure listed for a file name, or "" when it is not listed.
  static std::string failureOf(const std::vector<LibraryFailure>& failures, const std::string& file) {
    for (const LibraryFailure& f : failures) {
      if (fs::path(f.path).filename() == file) return f.message;
    }
    return {};
  }
  QTemporaryDir m_dir;
};

TEST_F(PrettyFolder, EveryDialectLoadsAndTheBrokenAndFutureFilesAreReported) {
  const fs::path folder = path("Mixed.pretty");
  const std::string why = test::buildMixedPretty(folder);
  ASSERT_EQ(why, "");
  PrettyLibraryContents got;
  readPrettyLibrary(folder.string(), got);

  std::set<std::string> names;
  for (int i = 0; i < got.table.totalCount(); ++i) {
    const ModuleRecord& r = got.table.recordAt(i);
    names.insert(*r.nome_Componente);
    EXPECT_EQ(r.format, ModuleFormat::KicadMod);
  }
  std::set<std::string> wanted;
  for (const test::MixedFootprint& f : test::mixedFootprints()) {
    wanted.insert(f.name);
    // The record holds the file's bytes as they are.
    for (int i = 0; i < got.table.totalCount(); ++i) {
      const ModuleRecord& r = got.table.recordAt(i);
      if (*r.nome_Componente == f.name) {
        EXPECT_EQ(*r.Comandos, fileText(fs::path(TREVAK_CORPUS_PRETTY_DIR) / f.source)) << f.dialect;
      }
    }
  }
  EXPECT_EQ(names, wanted);
  ASSERT_EQ(got.failures.size(), 2u);
  const std::string broken = failureOf(got.failures, test::kBrokenFootprintFile);
  EXPECT_NE(broken.find("line "), std::string::npos) << broken;
  EXPECT_NE(broken.find(", column "), std::string::npos) << broken;
  EXPECT_EQ(failureOf(got.failures, test::kFutureFootprintFile),
            "feito por um KiCad mais novo (versão 20991231)");
  EXPECT_TRUE(got.nameMismatches.empty());
  EXPECT_EQ(got.files.size(), 8u);  // README.md is not looked at
}

TEST_F(PrettyFolder, BadEntriesAreReportedWithoutBlockingTheRest) {
  const fs::path folder = path("Bad.pretty");
  write("Bad.pretty/Good.kicad_mod", footprint("Good"));
  write("Bad.pretty/Empty.kicad_mod", "");
  write("Bad.pretty/Nul.kicad_mod", std::string("(footprint \"N\0\" ", 16));
  write("Bad.pretty/Open.kicad_mod", "(footprint \"Open (layer F.Cu))\n");
  write("Bad.pretty/Unbalanced.kicad_mod", footprint("U") + ")");
  fs::create_directories(folder / "Folder.kicad_mod");
  write("Bad.pretty/Folder.kicad_mod/Inner.kicad_mod", footprint("Inner"));
  ASSERT_EQ(::mkfifo((folder / "Fifo.kicad_mod").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", folder / "Device.kicad_mod");
  fs::create_symlink(folder / "LoopB.kicad_mod", folder / "LoopA.kicad_mod");
  fs::create_symlink(folder / "LoopA.kicad_mod", folder / "LoopB.kicad_mod");
  fs::create_symlink(folder / "Gone", folder / "Dangling.kicad_mod");

  PrettyLibraryContents got;
  readPrettyLibrary(folder.string(), got);
  ASSERT_EQ(got.table.totalCount(), 1);
  EXPECT_EQ(*got.table.recordAt(0).nome_Componente, "Good");

  const struct {
    const char* file;
    const char* says;
  } expected[] = {
      {"Folder.kicad_mod", "is a folder"},  {"Fifo.kicad_mod", "is a FIFO"},
      {"Device.kicad_mod", "is a device"},  {"LoopA.kicad_mod", "symbolic link loop"},
      {"LoopB.kicad_mod", "symbolic link loop"},
      {"Dangling.kicad_mod", "no such file"}, {"Empty.kicad_mod", "line "},
      {"Nul.kicad_mod", "line "},           {"Open.kicad_mod", "line "},
      {"Unbalanced.kicad_mod", "line "},
  };
  for (const auto& e : expected) {
    EXPECT_NE(failureOf(got.failures, e.file).find(e.says), std::string::npos)
        << e.file << ": '" << failureOf(got.failures, e.file) << "'";
  }
  EXPECT_EQ(got.failures.size(), std::size(expected));
}

TEST_F(PrettyFolder, AFileNamedForAnotherFootprintIsNotedAndLoadedUnderItsOwnName) {
  write("N.pretty/FileName.kicad_mod", footprint("InsideName"));
  write("N.pretty/Same.kicad_mod", footprint("Same"));
  PrettyLibraryContents got;
  readPrettyLibrary(path("N.pretty").string(), got);
  ASSERT_EQ(got.table.totalCount(), 2);
  ASSERT_EQ(got.nameMismatches.size(), 1u);
  EXPECT_EQ(fs::path(got.nameMismatches[0].path).filename(), "FileName.kicad_mod");
  EXPECT_EQ(got.nameMismatches[0].message, "name inside is 'InsideName'");
}

TEST_F(PrettyFolder, NamesAreKeptWholeAndTheFilterReadsDescriptionAndTags) {
  const std::string longName(200, 'L');  // over the 60 bytes a legacy name had
  write("F.pretty/" + longName + ".kicad_mod", footprint(longName));
  write("F.pretty/Q.kicad_mod",
        footprint("QFN-16", " (descr \"quad flat no-lead\") (tags \"qfn roundrect\")"));
  LibrarySetContents set = readLibrarySet({path("F.pretty").string()});
  ModuleTable& t = *set.table;
  ASSERT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(*t.recordAt(0).nome_Componente, longName);
  t.setFilter("roundrect", kFilterKeywords);
  ASSERT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(*t.recordAt(0).nome_Componente, "QFN-16");
  t.setFilter("no-lead", kFilterDescription);
  EXPECT_EQ(t.RecordCount(), 1);
  t.setFilter("roundrect", kFilterDescription);
  EXPECT_EQ(t.RecordCount(), 0);
  t.setFilter("F qfn", kFilterLibrary | kFilterName);
  EXPECT_EQ(t.RecordCount(), 1);
}

TEST(PrettyNicknames, KicadsNicknamesForFoldersAndFiles) {
  const struct {
    const char* path;
    const char* nick;
  } cases[] = {
      {"/a/Connector.pretty", "Connector"},
      {"/a/Connector.pretty/", "Connector"},
      {"/a/Mixed.PRETTY", "Mixed"},
      {"/a/Connector.pretty/Pin.kicad_mod", "Connector"},
      {"/a/loose/Pin.kicad_mod", "Pin"},
  };
  for (const auto& c : cases) EXPECT_EQ(prettyNickname(c.path), c.nick) << c.path;
  EXPECT_EQ(libraryNicknames({"/a/Conn.pretty", "/b/Conn.pretty", "/a/dip.mod"}),
            (std::vector<std::string>{"a/Conn", "b/Conn", "dip"}));
  EXPECT_EQ(libraryNicknames({"/a/Conn.pretty/X.kicad_mod", "/a/Loose.kicad_mod"}),
            (std::vector<std::string>{"Conn", "Loose"}));
}

TEST_F(PrettyFolder, ASetFindsPrettyFoldersAndNeverDescendsIntoThem) {
  write("set/legacy.mod",
        "PCBNEW-LibModule-V1  01/01/2000 00:00:00\r\n$MODULE Old\r\nPo 0 0 0 15 0 0 ~~\r\n"
        "$EndMODULE Old\r\n$EndLIBRARY\r\n");
  write("set/deep/Conn.pretty/Pin.kicad_mod", footprint("Pin"));
  // Inside a .pretty nothing but its footprint files is a library.
  write("set/deep/Conn.pretty/hidden.mod",
        "PCBNEW-LibModule-V1  01/01/2000 00:00:00\r\n$MODULE Hidden\r\n$EndMODULE Hidden\r\n"
        "$EndLIBRARY\r\n");
  write("set/deep/Conn.pretty/sub.pretty/Deeper.kicad_mod", footprint("Deeper"));
  std::vector<LibraryFailure> failures;
  const std::vector<std::string> found = libraryFilesUnder(path("set").string(), failures);
  EXPECT_EQ(found, (std::vector<std::string>{path("set/deep/Conn.pretty").string(),
                                             path("set/legacy.mod").string()}));
  LibrarySetContents set = readLibrarySet({path("set").string()});
  EXPECT_EQ(set.libraryCount, 2u);
  ModuleTable& t = *set.table;
  ASSERT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(*t.recordAt(0).nome_Componente, "Old");
  EXPECT_EQ(t.libraryOf(t.recordAt(0))->format, ModuleFormat::Legacy);
  EXPECT_EQ(*t.recordAt(1).nome_Componente, "Pin");
  EXPECT_EQ(t.libraryOf(t.recordAt(1))->nickname, "Conn");
  EXPECT_EQ(t.libraryOf(t.recordAt(1))->format, ModuleFormat::KicadMod);
  EXPECT_TRUE(set.failures.empty());
}

TEST_F(PrettyFolder, NamedLibrariesKeepTheNicknamesTheyAreGiven) {
  write("A.pretty/X.kicad_mod", footprint("X"));
  write("B.pretty/X.kicad_mod", footprint("X"));
  LibrarySetContents set = readNamedLibraries(
      {{"First", path("A.pretty").string()}, {"", path("B.pretty").string()}});
  ModuleTable& t = *set.table;
  ASSERT_EQ(t.RecordCount(), 2);
  std::set<std::string> nicks;
  for (int i = 0; i < 2; ++i) nicks.insert(t.libraryOf(t.recordAt(i))->nickname);
  EXPECT_EQ(nicks, (std::set<std::string>{"First", "B"}));
}

TEST_F(PrettyFolder, AHundredThousandFilesAreAllRead) {
  const fs::path folder = path("Big.pretty");
  fs::create_directories(folder);
  constexpr int kFiles = 100000;
  for (int i = 0; i < kFiles; ++i) {
    std::ofstream(folder / ("F" + std::to_string(i) + ".kicad_mod"), std::ios::binary)
        << "(module F" << i << " (layer F.Cu))\n";
  }
  LibrarySetContents set = readLibrarySet({folder.string()});
  EXPECT_EQ(set.table->RecordCount(), kFiles);
  EXPECT_TRUE(set.failures.empty());
  EXPECT_TRUE(set.nameMismatches.empty());
}

}  // namespace
}  // namespace trevak
