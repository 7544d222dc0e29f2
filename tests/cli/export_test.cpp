// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "cli_runner.h"

namespace trevak::test {
namespace {

namespace fs = std::filesystem;

class CliExport : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "trevak-cli-export-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    std::ofstream(m_dir / "lib.mod", std::ios::binary)
        << "PCBNEW-LibModule-V1  01/01/2010-00:00:00\n$INDEX\nR1\nC1\n$EndINDEX\n"
           "$MODULE R1\nPo 0 0 0 15 0 0 ~~\nDS 0 0 100 0 50 21\nZz odd\n$EndMODULE R1\n"
           "$MODULE C1\nPo 0 0 0 15 0 0 ~~\nDC 0 0 100 0 50 21\n$EndMODULE C1\n$EndLIBRARY\n";
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string lib() const { return (m_dir / "lib.mod").string(); }
  std::string out() const { return (m_dir / "out.pretty").string(); }
  std::set<std::string> files() const {
    std::set<std::string> names;
    if (!fs::exists(out())) return names;
    for (const auto& e : fs::directory_iterator(out())) names.insert(e.path().filename().string());
    return names;
  }

  fs::path m_dir;
};

TEST_F(CliExport, WritesEveryModuleReportsOddLinesAndIsRepeatable) {
  const CliResult first = runCli({"export", lib(), "-o", out()});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out,
            "written C1.kicad_mod\nwritten R1.kicad_mod\n"
            "2 written, 0 unchanged, 0 replaced, 0 refused, 0 failed\n");
  EXPECT_NE(first.err.find("R1: line not exported (line 3): Zz odd"), std::string::npos);
  EXPECT_EQ(files(), (std::set<std::string>{"C1.kicad_mod", "R1.kicad_mod"}));
  const CliResult second = runCli({"export", lib(), "-o", out()});
  EXPECT_EQ(second.status, 0);
  EXPECT_NE(second.out.find("0 written, 2 unchanged"), std::string::npos);
}

// A line of the library reaches the terminal escaped and cut: no ESC or BEL from the file, no
// 100 KB echo.
TEST_F(CliExport, NotesShowControlBytesEscapedAndQuoteAtMost200Bytes) {
  std::ofstream(m_dir / "odd.mod", std::ios::binary)
      << "PCBNEW-LibModule-V1  01/01/2010-00:00:00\n$MODULE N\x1b[2J\n$EndMODULE N\n"
      << "$MODULE R\nPo 0 0 0 15 0 0 ~~\n"
      << "Zz \x1b]0;title\x07" << std::string(100000, 'x') << "\n$EndMODULE R\n";
  const CliResult r = runCli({"export", (m_dir / "odd.mod").string(), "-o", out()});
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(r.err.find('\x07'), std::string::npos);
  EXPECT_NE(r.err.find("Zz \\x1b]0;title\\x07xxx"), std::string::npos) << r.err.substr(0, 400);
  EXPECT_NE(r.err.find("module 'N\\x1b[2J'"), std::string::npos) << r.err.substr(0, 400);
  EXPECT_LT(r.err.size(), 1000u);
}

// What the program writes to standard error goes through a buffer that shows control bytes.
TEST(CliMessages, ControlBytesAreShownEscapedLineEndsAndTabsKept) {
  std::ostringstream sink;
  trevak::cli::ControlEscapingBuffer escaping(sink.rdbuf());
  std::ostream messages(&escaping);
  messages << "a\x1b[2Jb\n\tc\x07\x7f\xc3\xa9" << std::flush;
  EXPECT_EQ(sink.str(), "a\\x1b[2Jb\n\tc\\x07\\x7f\xc3\xa9");
}

TEST_F(CliExport, NamesLimitTheExportAndAnAbsentNameWritesNothing) {
  EXPECT_EQ(runCli({"export", lib(), "-o", out(), "r1"}).status, 0);
  EXPECT_EQ(files(), (std::set<std::string>{"R1.kicad_mod"}));
  fs::remove_all(out());
  const CliResult absent = runCli({"export", lib(), "-o", out(), "R1", "NOPE"});
  EXPECT_EQ(absent.status, 1);
  EXPECT_NE(absent.err.find("no module named 'NOPE'"), std::string::npos);
  EXPECT_FALSE(fs::exists(out()));
}

// After "--" a name may start with '-', for export and for render (sketch and exact).
TEST_F(CliExport, NamesAfterDoubleDashMayStartWithADash) {
  std::ofstream(m_dir / "dash.mod", std::ios::binary)
      << "PCBNEW-LibModule-V1  01/01/2010-00:00:00\n$MODULE -R\nPo 0 0 0 15 0 0 ~~\n"
         "DS 0 0 100 0 50 21\n$EndMODULE -R\n";
  const std::string dash = (m_dir / "dash.mod").string();
  const CliResult exported = runCli({"export", dash, "-o", out(), "--", "-R"});
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(files(), (std::set<std::string>{"-R.kicad_mod"}));
  EXPECT_EQ(runCli({"export", dash, "-o", out(), "-R"}).status, 2);  // an unknown option
  for (const char* exact : {"", "--exact"}) {
    SCOPED_TRACE(exact);
    const std::string png = (m_dir / "dash.png").string();
    std::vector<std::string> args{"render", dash, "-o", png};
    if (*exact != '\0') args.push_back(exact);
    args.push_back("--");
    args.push_back("-R");
    const CliResult drawn = runCli(args);
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_TRUE(fs::exists(png));
    fs::remove(png);
  }
}

// A folder is a source too: NICKNAME:NAME picks one library's module, a bare name held by two
// libraries is refused, and each module is read in its own library's unit.
TEST_F(CliExport, FromAFolderEachModuleInItsOwnUnit) {
  fs::create_directories(m_dir / "set");
  std::ofstream(m_dir / "set" / "inch.mod", std::ios::binary)
      << "PCBNEW-LibModule-V1\n$MODULE P\nPo 0 0 0 15 0 0 ~~\nDS 0 0 1000 0 50 21\n"
         "$EndMODULE P\n$EndLIBRARY\n";
  std::ofstream(m_dir / "set" / "metric.mod", std::ios::binary)
      << "PCBNEW-LibModule-V1\nUnits mm\n$MODULE P\nPo 0 0 0 15 0 0 ~~\n"
         "DS 0 0 2.54 0 0.127 21\n$EndMODULE P\n$EndLIBRARY\n";
  const std::string set = (m_dir / "set").string();
  const CliResult ambiguous = runCli({"export", set, "-o", out(), "P"});
  EXPECT_EQ(ambiguous.status, 1);
  EXPECT_NE(ambiguous.err.find("inch:P"), std::string::npos) << ambiguous.err;
  EXPECT_TRUE(files().empty());
  for (const char* qualified : {"inch:P", "metric:P"}) {
    fs::remove_all(out());
    const CliResult r = runCli({"export", set, "-o", out(), qualified});
    ASSERT_EQ(r.status, 0) << qualified << r.err;
    std::ifstream in(fs::path(out()) / "P.kicad_mod");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // 1000 decimils and 2.54 mm are the same line end.
    EXPECT_NE(text.find("(end 2.54 0)"), std::string::npos) << qualified << "\n" << text;
  }
}

TEST_F(CliExport, ADifferentFileNeedsForce) {
  fs::create_directory(out());
  std::ofstream(fs::path(out()) / "R1.kicad_mod") << "mine";
  const CliResult refused = runCli({"export", lib(), "-o", out()});
  EXPECT_EQ(refused.status, 1);
  std::ifstream kept(fs::path(out()) / "R1.kicad_mod");
  std::string content((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "mine");
  EXPECT_EQ(runCli({"export", lib(), "-o", out(), "--force"}).status, 0);
}

struct UsageCase {
  std::vector<std::string> args;
  int status;
};

class CliExportUsage : public CliExport, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliExportUsage, ExitStatus) {
  std::vector<std::string> args{"export"};
  for (const std::string& a : GetParam().args) {
    args.push_back(a == "LIB" ? lib() : a == "OUT" ? out() : a == "FILE" ? lib() : a);
  }
  EXPECT_EQ(runCli(args).status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliExportUsage,
    ::testing::Values(UsageCase{{}, 2}, UsageCase{{"LIB"}, 2}, UsageCase{{"LIB", "-o"}, 2},
                      UsageCase{{"LIB", "-o", "OUT", "--bogus"}, 2},
                      UsageCase{{"/no/such.mod", "-o", "OUT"}, 2},
                      UsageCase{{"LIB", "-o", "FILE"}, 2},
                      UsageCase{{"LIB", "-o", "OUT", "--jobs"}, 2},
                      UsageCase{{"LIB", "-o", "OUT", "--jobs", "0"}, 2},
                      UsageCase{{"LIB", "-o", "OUT", "--jobs", "2x"}, 2},
                      UsageCase{{"LIB", "-o", "OUT", "--jobs", "65"}, 2},
                      UsageCase{{"LIB", "--output", "OUT", "--jobs", "64"}, 0}));

// Any number of threads writes the same files and prints the same lines.
TEST_F(CliExport, JobsChangeNothingButTheThreads) {
  const CliResult one = runCli({"export", lib(), "-o", out() + "/one.pretty", "--jobs", "1"});
  const CliResult three =
      runCli({"export", lib(), "--output", out() + "/three.pretty", "--jobs", "3"});
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(three.status, 0) << three.err;
  const auto strip = [](std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
      text.erase(at, folder.size());
    return text;
  };
  EXPECT_EQ(strip(one.out, "one.pretty"), strip(three.out, "three.pretty"));
  EXPECT_FALSE(one.out.empty());
  std::size_t compared = 0;
  for (const auto& e : fs::directory_iterator(out() + "/one.pretty")) {
    std::ifstream a(e.path(), std::ios::binary);
    std::ifstream b(out() + "/three.pretty/" + e.path().filename().string(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
              std::string(std::istreambuf_iterator<char>(b), {}));
    ++compared;
  }
  EXPECT_GT(compared, 0u);
}

}  // namespace
}  // namespace trevak::test
