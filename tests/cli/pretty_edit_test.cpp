// SPDX-License-Identifier: GPL-3.0-or-later
// The edit commands on `.pretty` libraries, and rename on both formats.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "library/file_lock.h"
#include "tests/cli/cli_runner.h"

namespace trevak::cli {
namespace {

namespace fs = std::filesystem;
using test::runCli;

std::string footprint(const std::string& name, const std::string& value = "") {
  return "(footprint \"" + name + "\" (version 20211014) (generator pcbnew)\n  (layer \"F.Cu\")\n" +
         "  (descr \"" + name +
         " part\")\n  (fp_text reference \"REF**\" (at 0 -1) (layer \"F.SilkS\")\n" +
         "    (effects (font (size 1 1) (thickness 0.15))))\n  (fp_text value \"" +
         (value.empty() ? name : value) +
         "\" (at 0 1) (layer \"F.Fab\")\n    (effects (font (size 1 1) (thickness 0.15))))\n" +
         "  (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\"))\n)\n";
}

std::string crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text.append(line);
    text.append("\r\n");
  }
  return text;
}

class PrettyEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "trevak-pedit-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
    ::setenv("SOURCE_DATE_EPOCH", "1269507845", 1);
    fs::create_directory(m_root / "lib.pretty");
    put("lib.pretty/R1.kicad_mod", footprint("R1"));
    put("lib.pretty/R2.kicad_mod", footprint("R2", "10k"));
    put("lib.pretty/C1.kicad_mod", footprint("C1"));
    put("lib.pretty/notes.txt", "keep me");
  }
  void TearDown() override {
    ::unsetenv("SOURCE_DATE_EPOCH");
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
  }

  std::string path(const std::string& name) const { return (m_root / name).string(); }
  void put(const std::string& name, const std::string& bytes) const {
    std::ofstream out(m_root / name, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string get(const std::string& name) const {
    std::ifstream in(m_root / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::set<std::string> entries(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(m_root / folder)) names.insert(e.path().filename());
    return names;
  }
  // Every entry of a folder with its modification time, to show what a command did not touch.
  std::map<std::string, long long> times(const std::string& folder) const {
    std::map<std::string, long long> result;
    for (const auto& e : fs::directory_iterator(m_root / folder)) {
      struct stat st {};
      ::stat(e.path().c_str(), &st);
      result[e.path().filename()] = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    }
    return result;
  }

  fs::path m_root;
};

TEST_F(PrettyEdits, RenameChangesNameFileAndValueOnly) {
  const auto before = times("lib.pretty");
  const test::CliResult r = runCli({"rename", path("lib.pretty"), "R1", "R1_0603"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(entries("lib.pretty"), (std::set<std::string>{"C1.kicad_mod", "R1_0603.kicad_mod",
                                                          "R2.kicad_mod", "notes.txt"}));
  // The description "R1 part" is not the value: it stays.
  std::string expected = footprint("R1_0603");
  expected.replace(expected.find("R1_0603 part"), 12, "R1 part");
  EXPECT_EQ(get("lib.pretty/R1_0603.kicad_mod"), expected);
  const auto after = times("lib.pretty");
  for (const char* kept : {"C1.kicad_mod", "R2.kicad_mod", "notes.txt"}) {
    EXPECT_EQ(after.at(kept), before.at(kept)) << kept;
  }
  // A value that is not the name stays as it is.
  EXPECT_EQ(runCli({"rename", path("lib.pretty"), "r2", "R2b"}).status, 0);
  std::string r2 = footprint("R2", "10k");
  r2.replace(r2.find("\"R2\""), 4, "\"R2b\"");
  EXPECT_EQ(get("lib.pretty/R2b.kicad_mod"), r2);
}

TEST_F(PrettyEdits, RenameRefusalsWriteNothing) {
  const auto before = times("lib.pretty");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"R1", "c1"}, 1, "already holds"},  // taken, letter case ignored
      {{"nothere", "X"}, 1, "no module"}, {{"R1", "../x"}, 1, "'/'"}, {{"R1", "a..b"}, 1, "'..'"},
      {{"R1", ""}, 1, "empty"},           {{"R1", "R1"}, 0, ""},  // no change, nothing written
      {{"R1"}, 2, "missing arguments"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"rename", path("lib.pretty")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const test::CliResult r = runCli(args);
    EXPECT_EQ(r.status, c.status) << c.args.front() << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(times("lib.pretty"), before);
  EXPECT_FALSE(fs::exists(m_root / "x.kicad_mod"));
}

TEST_F(PrettyEdits, RenameInALegacyLibrary) {
  const auto lib = [](const std::string& name) {
    return crlf({"PCBNEW-LibModule-V1   25/03/2010-09:04:05", "$INDEX", "A1", name, "$EndINDEX",
                 "$MODULE A1", "Po 0 0", "Li A1", "$EndMODULE A1", "$MODULE " + name, "Po 1 1",
                 "Li " + name, "T1 0 0 1 1 0 1 N V 21 N \"" + name + "\"", "$EndMODULE " + name,
                 "$EndLIBRARY"});
  };
  put("lib.mod", lib("OLD"));
  EXPECT_EQ(runCli({"rename", path("lib.mod"), "old", "NEW-1"}).status, 0);
  // Index, module lines and the Li line follow; the value text is the body's own.
  std::string expected = lib("NEW-1");
  expected.replace(expected.find("\"NEW-1\""), 7, "\"OLD\"");
  const std::string_view endLine = "$EndLIBRARY\r\n";  // the writer ends without it
  EXPECT_EQ(get("lib.mod"), expected.substr(0, expected.size() - endLine.size()));
  const test::CliResult taken = runCli({"rename", path("lib.mod"), "NEW-1", "a1"});
  EXPECT_EQ(taken.status, 1);
  EXPECT_NE(taken.err.find("already holds"), std::string::npos);
  EXPECT_EQ(runCli({"rename", path("lib.mod"), "NEW-1", "two words"}).status, 1);
  EXPECT_NE(get("lib.mod").find("$MODULE NEW-1\r\n"), std::string::npos);
}

TEST_F(PrettyEdits, DeleteRemovesOnlyItsFiles) {
  const auto before = times("lib.pretty");
  const test::CliResult r = runCli({"delete", path("lib.pretty"), "R1", "c1", "nothere"});
  EXPECT_EQ(r.status, 1);  // one name missing, the others deleted
  EXPECT_NE(r.err.find("nothere"), std::string::npos);
  EXPECT_EQ(entries("lib.pretty"), (std::set<std::string>{"R2.kicad_mod", "notes.txt"}));
  EXPECT_EQ(times("lib.pretty").at("R2.kicad_mod"), before.at("R2.kicad_mod"));
  EXPECT_EQ(get("lib.pretty/notes.txt"), "keep me");
}

TEST_F(PrettyEdits, DeleteIntoANewFolder) {
  EXPECT_EQ(runCli({"delete", path("lib.pretty"), "R2", "-o", path("out.pretty")}).status, 0);
  EXPECT_EQ(entries("out.pretty"), (std::set<std::string>{"C1.kicad_mod", "R1.kicad_mod"}));
  EXPECT_EQ(get("out.pretty/R1.kicad_mod"), footprint("R1"));
  EXPECT_EQ(entries("lib.pretty").size(), 4u);
  // A folder with something in it only with --force; -o keeps the library's format.
  const test::CliResult again =
      runCli({"delete", path("lib.pretty"), "C1", "-o", path("out.pretty")});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("--force"), std::string::npos);
  EXPECT_EQ(
      runCli({"delete", path("lib.pretty"), "C1", "-o", path("out.pretty"), "--force"}).status, 0);
  EXPECT_EQ(runCli({"delete", path("lib.pretty"), "C1", "-o", path("out.mod")}).status, 2);
  EXPECT_FALSE(fs::exists(m_root / "out.mod"));
}

TEST_F(PrettyEdits, CopyFromAPrettyIsByteForByte) {
  fs::create_directory(m_root / "dst.pretty");
  put("dst.pretty/D1.kicad_mod", footprint("D1"));
  // An odd but valid file: its bytes are kept, not rewritten.
  put("lib.pretty/R1.kicad_mod", "(footprint   \"R1\"\t(version 20211014)\r\n  (layer F.Cu))");
  const test::CliResult r = runCli({"copy", path("lib.pretty"), path("dst.pretty"), "R1", "c1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(get("dst.pretty/R1.kicad_mod"), get("lib.pretty/R1.kicad_mod"));
  EXPECT_EQ(get("dst.pretty/C1.kicad_mod"), footprint("C1"));
  const test::CliResult clash = runCli({"copy", path("lib.pretty"), path("dst.pretty"), "r1"});
  EXPECT_EQ(clash.status, 1);
  EXPECT_NE(clash.err.find("already holds"), std::string::npos);
}

TEST_F(PrettyEdits, CopyFromALegacyLibraryWritesWhatExportWrites) {
  put("src.mod",
      crlf({"PCBNEW-LibModule-V1  01/01/2008-00:00:00", "$INDEX", "SO8", "$EndINDEX", "$MODULE SO8",
            "Po 0 0 0 15 00000000 00000000 ~~", "Li SO8", "T0 0 -600 400 400 0 80 N V 21 N \"SO8\"",
            "$PAD", "Sh \"1\" R 600 800 0 0 0", "Dr 0 0 0", "At SMD N 00888000", "Po -500 0",
            "$EndPAD", "$EndMODULE SO8", "$EndLIBRARY"}));
  ASSERT_EQ(runCli({"export", path("src.mod"), "-o", path("exported.pretty")}).status, 0);
  const test::CliResult r = runCli({"copy", path("src.mod"), path("new.pretty"), "so8", "--new"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(entries("new.pretty"), std::set<std::string>{"SO8.kicad_mod"});
  EXPECT_EQ(get("new.pretty/SO8.kicad_mod"), get("exported.pretty/SO8.kicad_mod"));

  // --new over a folder with footprints: refused, then with --force those footprints go.
  const test::CliResult refused =
      runCli({"copy", path("src.mod"), path("lib.pretty"), "SO8", "--new"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(entries("lib.pretty").size(), 4u);
  // Nothing to copy: neither a new folder nor an emptied one.
  EXPECT_EQ(runCli({"copy", path("src.mod"), path("none.pretty"), "nothere", "--new"}).status, 1);
  EXPECT_FALSE(fs::exists(m_root / "none.pretty"));
  EXPECT_EQ(
      runCli({"copy", path("src.mod"), path("lib.pretty"), "nothere", "--new", "--force"}).status,
      1);
  EXPECT_EQ(entries("lib.pretty").size(), 4u);
  EXPECT_EQ(runCli({"copy", path("src.mod"), path("lib.pretty"), "SO8", "--new", "--force"}).status,
            0);
  EXPECT_EQ(entries("lib.pretty"), (std::set<std::string>{"SO8.kicad_mod", "notes.txt"}));
}

// Two programs changing one folder take turns: the second reads the folder only once the
// first has let go, and so keeps the first one's change.
TEST_F(PrettyEdits, AChangeWaitsForAnotherProgramsAndKeepsIt) {
  test::CliResult deleted{-1, "", ""};
  std::thread deleting;
  {
    const LibraryLock other(path("lib.pretty"), std::chrono::milliseconds(0));
    deleting = std::thread([&] { deleted = runCli({"delete", path("lib.pretty"), "R1"}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(fs::exists(m_root / "lib.pretty/R1.kicad_mod"));  // the delete still waits
    put("lib.pretty/D1.kicad_mod", footprint("D1"));
    put("lib.pretty/R2.kicad_mod", footprint("R2", "changed"));
  }
  deleting.join();
  EXPECT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_EQ(entries("lib.pretty"), (std::set<std::string>{"C1.kicad_mod", "D1.kicad_mod",
                                                          "R2.kicad_mod", "notes.txt"}));
  EXPECT_EQ(get("lib.pretty/R2.kicad_mod"), footprint("R2", "changed"));
}

TEST_F(PrettyEdits, CheckReportsTheTemporaryFileOfAnEndedSave) {
  EXPECT_EQ(runCli({"check", path("lib.pretty")}).status, 0);
  put("lib.pretty/.R1.kicad_mod.save-000000042", "(footprint");
  const test::CliResult r = runCli({"check", path("lib.pretty")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(".R1.kicad_mod.save-000000042: left by a save"), std::string::npos) << r.out;
}

TEST_F(PrettyEdits, UnreadableFootprintsAreLeftAlone) {
  put("lib.pretty/broken.kicad_mod", "(footprint \"broken\"");
  const test::CliResult r = runCli({"delete", path("lib.pretty"), "R1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("broken.kicad_mod"), std::string::npos);
  EXPECT_EQ(get("lib.pretty/broken.kicad_mod"), "(footprint \"broken\"");
  EXPECT_FALSE(fs::exists(m_root / "lib.pretty/R1.kicad_mod"));
}

TEST_F(PrettyEdits, NormalizeIsNotYetForPrettyAndChangesNothing) {
  const auto before = times("lib.pretty");
  const test::CliResult r = runCli({"normalize", path("lib.pretty")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(".pretty"), std::string::npos) << r.err;
  EXPECT_EQ(times("lib.pretty"), before);
}

TEST_F(PrettyEdits, StripPrefixRenamesFootprintsAndTheirFiles) {
  fs::create_directory(m_root / "conn.pretty");
  for (const char* name : {"conn-A", "CONN-B", "C", "conn-C"}) {
    put(std::string("conn.pretty/") + name + ".kicad_mod", footprint(name));
  }
  const auto before = times("conn.pretty");
  const test::CliResult r = runCli({"strip-prefix", path("conn.pretty")});
  EXPECT_EQ(r.status, 1);  // conn-C would become C, which is taken
  EXPECT_NE(r.err.find("conn-C"), std::string::npos) << r.err;
  EXPECT_EQ(entries("conn.pretty"), (std::set<std::string>{"A.kicad_mod", "B.kicad_mod",
                                                           "C.kicad_mod", "conn-C.kicad_mod"}));
  std::string a = footprint("A");
  a.replace(a.find("A part"), 6, "conn-A part");
  EXPECT_EQ(get("conn.pretty/A.kicad_mod"), a);
  const auto after = times("conn.pretty");
  EXPECT_EQ(after.at("C.kicad_mod"), before.at("C.kicad_mod"));
  EXPECT_EQ(after.at("conn-C.kicad_mod"), before.at("conn-C.kicad_mod"));
}

TEST_F(PrettyEdits, FillNamesWritesTheNameOverPlaceholders) {
  put("lib.pretty/R1.kicad_mod", footprint("R1", ">NAME"));
  const auto before = times("lib.pretty");
  EXPECT_EQ(runCli({"fill-names", path("lib.pretty")}).status, 0);
  EXPECT_EQ(get("lib.pretty/R1.kicad_mod"), footprint("R1"));
  const auto after = times("lib.pretty");
  EXPECT_EQ(after.at("R2.kicad_mod"), before.at("R2.kicad_mod"));
  EXPECT_EQ(after.at("C1.kicad_mod"), before.at("C1.kicad_mod"));
}

}  // namespace
}  // namespace trevak::cli
