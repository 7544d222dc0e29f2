// SPDX-License-Identifier: GPL-3.0-or-later
// `tables`, `table add` and the --kicad / --table sources, over a configuration folder of the
// test's own (KICAD_CONFIG_HOME) and footprint folders copied from KiCad's data.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdlib.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;
using trevak::test::runCli;

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

std::string footprint(const std::string& name) {
  return "(footprint \"" + name + "\" (version 20211014) (generator pcbnew)\n  (layer \"F.Cu\")\n"
         "  (descr \"part " + name + "\")\n  (fp_text reference \"REF**\" (at 0 0) (layer \"F.SilkS\"))\n"
         "  (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\"))\n)\n";
}

class TablesCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_root = m_dir.path().toStdString();
    const char* old = ::getenv("KICAD_CONFIG_HOME");
    if (old != nullptr) m_oldConfig = old;
    ::setenv("KICAD_CONFIG_HOME", (m_root + "/config").c_str(), 1);
    // A variable of KiCad's own settings, not of the environment.
    write(m_root + "/config/kicad_common.json",
          "{\"environment\": {\"vars\": {\"MY_LIBS\": \"" + m_root + "/libs\"}}}");
    write(m_root + "/libs/Res.pretty/R_0603.kicad_mod", footprint("R_0603"));
    write(m_root + "/libs/Res.pretty/R_0805.kicad_mod", footprint("R_0805"));
    write(m_root + "/libs/Cap.pretty/C_0603.kicad_mod", footprint("C_0603"));
    write(m_root + "/proj/lib/Mine.pretty/R_0603.kicad_mod", footprint("R_0603"));
    write(m_root + "/proj/board.kicad_pro", "{}");
  }
  void TearDown() override {
    if (m_oldConfig.empty()) {
      ::unsetenv("KICAD_CONFIG_HOME");
    } else {
      ::setenv("KICAD_CONFIG_HOME", m_oldConfig.c_str(), 1);
    }
  }
  void globalTable() const {
    write(m_root + "/config/fp-lib-table",
          "(fp_lib_table\n"
          "  (lib (name \"Res\")(type \"KiCad\")(uri \"${MY_LIBS}/Res.pretty\")(options \"\")(descr \"\"))\n"
          "  (lib (name \"Cap\")(type \"KiCad\")(uri \"${MY_LIBS}/Cap.pretty\")(options \"\")(descr \"\")(disabled))\n"
          "  (lib (name \"Gone\")(type \"KiCad\")(uri \"${MY_LIBS}/Gone.pretty\")(options \"\")(descr \"\"))\n"
          ")\n");
  }
  QTemporaryDir m_dir;
  std::string m_root;
  std::string m_oldConfig;
};

TEST_F(TablesCli, TablesPrintsEveryRowResolved) {
  auto r = runCli({"tables"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no global footprint library table"), std::string::npos);
  globalTable();
  r = runCli({"tables", "--kicad"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, m_root + "/config/fp-lib-table\n"
                   "Res\tKiCad\t${MY_LIBS}/Res.pretty\t" + m_root + "/libs/Res.pretty\tok\n"
                   "Cap\tKiCad\t${MY_LIBS}/Cap.pretty\t" + m_root + "/libs/Cap.pretty\tdisabled\n"
                   "Gone\tKiCad\t${MY_LIBS}/Gone.pretty\t" + m_root + "/libs/Gone.pretty\tmissing\n");
  write(m_root + "/bad/fp-lib-table", "(fp_lib_table\n  (lib (name \"a\")(uri \"/a\"))\n  (lib (name");
  r = runCli({"tables", "--table", m_root + "/bad"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(m_root + "/bad/fp-lib-table:3:"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("a\t\t/a\t/a\tunreadable"), std::string::npos) << r.out;
  EXPECT_EQ(runCli({"tables", "extra"}).status, 2);
}

TEST_F(TablesCli, KicadAndTableStandForTheTablesLibraries) {
  globalTable();
  // Disabled and missing rows load nothing; the missing one is reported.
  auto r = runCli({"find", "--kicad", "0603"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Res\tR_0603\n");
  EXPECT_NE(r.err.find("Gone: no such file or folder"), std::string::npos);
  r = runCli({"show", "--kicad", "Res:R_0805"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, footprint("R_0805"));
  EXPECT_EQ(runCli({"list", "--kicad"}).out, "R_0603\nR_0805\n");
  r = runCli({"show", "--kicad", "Cap:C_0603"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no module named 'Cap:C_0603'"), std::string::npos);
  // A project's table: KIPRJMOD is its folder.
  write(m_root + "/proj/fp-lib-table",
        "(fp_lib_table (lib (name Mine)(type KiCad)(uri ${KIPRJMOD}/lib/Mine.pretty)(options \"\")(descr \"\")))");
  r = runCli({"find", "--table", m_root + "/proj", "R_"});
  EXPECT_EQ(r.out, "Mine\tR_0603\n");
  r = runCli({"export", "--table", m_root + "/proj", "-o", m_root + "/out.pretty"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(m_root + "/out.pretty/R_0603.kicad_mod"));
  EXPECT_EQ(runCli({"find", "--kicad", "x", "--", m_root + "/libs"}).status, 2);
}

TEST_F(TablesCli, InspectReadsTheTablesFootprintsUnderTheirNicknames) {
  globalTable();
  auto r = runCli({"inspect", "--kicad", "Res:R_0805"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("{\"name\":\"R_0805\",\"library\":\"Res\",\"format\":\"kicad_mod\"", 0), 0u)
      << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
  r = runCli({"inspect", "--kicad", "--all"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);  // the disabled row left out
  EXPECT_NE(r.out.find("\"name\":\"R_0603\",\"library\":\"Res\""), std::string::npos);
  r = runCli({"inspect", "--kicad", "Res:R_9999"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no module named 'Res:R_9999'"), std::string::npos) << r.err;
}

TEST_F(TablesCli, TableAddInsertsOneRowAndKeepsTheOldFile) {
  // No global table: said so, nothing made; --create makes one from the stock rows.
  auto r = runCli({"table", "add", "Mine", m_root + "/proj/lib/Mine.pretty"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--create"), std::string::npos);
  EXPECT_FALSE(fs::exists(m_root + "/config/fp-lib-table"));

  globalTable();
  const std::string before = read(m_root + "/config/fp-lib-table");
  r = runCli({"table", "add", "New", m_root + "/libs/Cap.pretty", "--kicad"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string after = read(m_root + "/config/fp-lib-table");
  const std::string row =
      "  (lib (name \"New\")(type \"KiCad\")(uri \"${MY_LIBS}/Cap.pretty\")(options \"\")(descr \"\"))\n";
  EXPECT_EQ(after, before.substr(0, before.size() - 2) + row + ")\n");
  EXPECT_EQ(read(m_root + "/config/fp-lib-table.bak"), before);
  r = runCli({"table", "add", "Res", m_root + "/libs/Cap.pretty", "--kicad"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("already has a library named 'Res'"), std::string::npos);
  EXPECT_EQ(read(m_root + "/config/fp-lib-table"), after);
  EXPECT_EQ(runCli({"find", "--kicad", "C_0603"}).out, "New\tC_0603\n");

  // A project table is made on request; its row is written under KIPRJMOD.
  EXPECT_EQ(runCli({"table", "add", "Mine", m_root + "/proj/lib/Mine.pretty", "--table", m_root + "/proj"}).status, 1);
  r = runCli({"table", "add", "Mine", m_root + "/proj/lib/Mine.pretty", "--table", m_root + "/proj", "--create"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(read(m_root + "/proj/fp-lib-table").find("(uri \"${KIPRJMOD}/lib/Mine.pretty\")"), std::string::npos);
  EXPECT_EQ(runCli({"table", "add", "X", m_root + "/nowhere.pretty"}).status, 2);
}

}  // namespace
