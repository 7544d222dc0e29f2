// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using trevak::LibraryTable;
using trevak::LibraryTableRow;
using trevak::TableVariables;
using State = LibraryTableRow::State;

class LibraryTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_vars.environment = [this](const std::string& name) -> std::optional<std::string> {
      auto it = m_env.find(name);
      if (it == m_env.end()) return std::nullopt;
      return it->second;
    };
    m_vars.stockFootprints = path("stock");
    fs::create_directories(path("stock/Resistor_SMD.pretty"));
    fs::create_directories(path("mine/lib.pretty"));
  }
  std::string path(const std::string& rel) const { return m_dir.path().toStdString() + "/" + rel; }
  void write(const std::string& rel, const std::string& bytes) const {
    fs::create_directories(fs::path(path(rel)).parent_path());
    std::ofstream(path(rel), std::ios::binary) << bytes;
  }
  static std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  QTemporaryDir m_dir;
  std::map<std::string, std::string> m_env;
  TableVariables m_vars;
};

// Every spelling KiCad has written reads to the same rows.
TEST_F(LibraryTableTest, ReadsEverySpelling) {
  struct Case {
    const char* what;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"KiCad 5, unquoted",
       "(fp_lib_table\n  (lib (name Resistor_SMD)(type KiCad)(uri ${KISYS3DMOD}/../x)(options \"\")(descr \"R\"))\n"
       "  (lib (name old)(type Legacy)(uri /x/old.mod)(options \"\")(descr \"\"))\n)\n"},
      {"KiCad 7, versioned",
       "(fp_lib_table\n  (version 7)\n  (lib (name \"Resistor_SMD\")(type \"KiCad\")(uri \"${KISYS3DMOD}/../x\")"
       "(options \"\")(descr \"R\"))\n  (lib (name \"old\")(type \"Legacy\")(uri \"/x/old.mod\")(options \"\")(descr \"\"))\n)\n"},
      {"KiCad 10, one line, fields reordered",
       "(fp_lib_table (version 7)(lib (uri \"${KISYS3DMOD}/../x\")(name \"Resistor_SMD\")(type \"Kicad\")"
       "(descr \"R\")(future \"x\"))(lib (name \"old\")(type \"Legacy\")(uri \"/x/old.mod\")(hidden)))"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const LibraryTable t = trevak::parseLibraryTable(c.text, "t", m_vars);
    EXPECT_TRUE(t.errors.empty()) << (t.errors.empty() ? "" : t.errors.front());
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0].nickname, "Resistor_SMD");
    EXPECT_EQ(t.rows[0].uri, "${KISYS3DMOD}/../x");
    EXPECT_EQ(t.rows[0].description, "R");
    EXPECT_EQ(t.rows[1].type, "Legacy");
    EXPECT_EQ(t.rows[1].uri, "/x/old.mod");
    EXPECT_EQ(t.rows[1].line, c.text.find('\n') == std::string::npos ? 1 : (t.rows[0].line + 1));
  }
}

TEST_F(LibraryTableTest, RowStatesAndWhatLoads) {
  write("other/fp-lib-table",
        "(fp_lib_table (lib (name \"inner\")(type \"KiCad\")(uri \"" + path("mine/lib.pretty") + "\")))");
  const std::string text =
      "(fp_lib_table (version 7)\n"
      "  (lib (name \"R\")(type \"KiCad\")(uri \"${KICAD9_FOOTPRINT_DIR}/Resistor_SMD.pretty\"))\n"
      "  (lib (name \"off\")(type \"KiCad\")(uri \"${KICAD9_FOOTPRINT_DIR}/Resistor_SMD.pretty\")(disabled))\n"
      "  (lib (name \"hid\")(type \"KiCad\")(uri \"${KICAD9_FOOTPRINT_DIR}/Resistor_SMD.pretty\")(hidden))\n"
      "  (lib (name \"gone\")(type \"KiCad\")(uri \"/nowhere/x.pretty\"))\n"
      "  (lib (name \"unset\")(type \"KiCad\")(uri \"${NOT_SET_ANYWHERE}/x.pretty\"))\n"
      "  (lib (name \"eagle\")(type \"Eagle\")(uri \"" + path("stock") + "\"))\n"
      "  (lib (name \"more\")(type \"Table\")(uri \"" + path("other/fp-lib-table") + "\"))\n"
      ")\n";
  write("fp-lib-table", text);
  const LibraryTable t = trevak::readLibraryTable(path("fp-lib-table"), m_vars);
  EXPECT_TRUE(t.errors.empty());
  std::vector<std::pair<std::string, State>> got;
  for (const LibraryTableRow& r : t.rows) got.emplace_back(r.nickname, r.state);
  const std::vector<std::pair<std::string, State>> want = {
      {"R", State::Ok},          {"off", State::Disabled}, {"hid", State::Ok},
      {"gone", State::Missing},  {"unset", State::Unset},  {"eagle", State::Unknown},
      {"more", State::Ok},       {"inner", State::Ok}};
  EXPECT_EQ(got, want);
  EXPECT_TRUE(t.rows[2].hidden);
  EXPECT_EQ(t.rows[0].resolved, path("stock") + "/Resistor_SMD.pretty");
  EXPECT_NE(t.rows[4].problem.find("NOT_SET_ANYWHERE"), std::string::npos);

  const std::vector<trevak::NamedLibrary> libs = trevak::tableLibraries(t);
  std::vector<std::string> names;
  for (const auto& l : libs) names.push_back(l.nickname);
  EXPECT_EQ(names, (std::vector<std::string>{"R", "hid", "inner"}));

  // A project's rows win on equal nicknames and come first.
  const LibraryTable project = trevak::parseLibraryTable(
      "(fp_lib_table (lib (name R)(type KiCad)(uri " + path("mine/lib.pretty") + ")))", "p", m_vars);
  const std::vector<trevak::NamedLibrary> both = trevak::tableLibraries(t, &project);
  ASSERT_EQ(both.size(), 3u);
  EXPECT_EQ(both[0].nickname, "R");
  EXPECT_EQ(both[0].path, path("mine/lib.pretty"));
}

TEST_F(LibraryTableTest, TableThatIncludesItselfLoadsTheRest) {
  write("a/fp-lib-table", "(fp_lib_table (lib (name b)(type Table)(uri " + path("b/fp-lib-table") +
                              "))(lib (name x)(type KiCad)(uri " + path("mine/lib.pretty") + ")))");
  write("b/fp-lib-table", "(fp_lib_table (lib (name a)(type Table)(uri " + path("a/fp-lib-table") +
                              "))(lib (name y)(type KiCad)(uri " + path("mine/lib.pretty") + ")))");
  const LibraryTable t = trevak::readLibraryTable(path("a/fp-lib-table"), m_vars);
  ASSERT_EQ(t.rows.size(), 4u);  // b, a (refused), y, x
  EXPECT_EQ(t.rows[1].nickname, "a");
  EXPECT_EQ(t.rows[1].state, State::Unknown);
  EXPECT_NE(t.rows[1].problem.find("includes itself"), std::string::npos);
  EXPECT_EQ(trevak::tableLibraries(t).size(), 2u);
}

// A bad table names the line and what was expected; the rows before it still load.
TEST_F(LibraryTableTest, BadTablesSayWhereAndKeepReadableRows) {
  struct Case {
    const char* what;
    std::string text;
    std::string message;
    std::size_t rows;
  };
  const std::vector<Case> cases = {
      {"unclosed", "(fp_lib_table\n(lib (name a)(type KiCad)(uri /a))\n(lib (name b)(type KiCad)\n", "t:4:1: expected ')'", 1},
      {"not a table", "(kicad_pcb)", "t:1:2: expected '(fp_lib_table'", 0},
      {"empty file", "", "t:1:1:", 0},
      {"row without uri", "(fp_lib_table\n(lib (name a)(type KiCad))\n(lib (name b)(type KiCad)(uri /b)))",
       "t:2:1: expected a row with a name and a uri", 1},
      {"name without value", "(fp_lib_table\n(lib (name)(type KiCad)(uri /a))\n(lib (name b)(uri /b)))",
       "t:2:6: expected a value after 'name'", 1},
      {"cut in a row", "(fp_lib_table (lib (name a)(uri /a)) (lib (name \"b", "t:1:", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const LibraryTable t = trevak::parseLibraryTable(c.text, "t", m_vars);
    ASSERT_FALSE(t.errors.empty());
    EXPECT_EQ(t.errors.front().rfind(c.message, 0), 0u) << t.errors.front();
    EXPECT_EQ(t.rows.size(), c.rows);
  }
}

TEST_F(LibraryTableTest, VariablesFromEachPlace) {
  write("cfg/kicad_common.json",
        R"({"environment": {"vars": {"MYLIBS": "/from/json", "BOTH": "/json"}}, "other": 1})");
  m_vars.common = trevak::readKicadCommonVars(path("cfg/kicad_common.json"));
  m_env["BOTH"] = "/env";
  m_env["KICAD8_FOOTPRINT_DIR"] = "/env8";
  m_vars.projectFolder = "/proj";
  struct Case {
    const char* uri;
    const char* resolved;
  };
  for (const Case& c : std::vector<Case>{{"${MYLIBS}/a", "/from/json/a"},
                                         {"$(BOTH)/a", "/env/a"},
                                         {"${KIPRJMOD}/lib", "/proj/lib"},
                                         {"${KICAD8_FOOTPRINT_DIR}/R", "/env8/R"},
                                         {"${KICAD6_FOOTPRINT_DIR}/R", nullptr},
                                         {"${KICAD10_FOOTPRINT_DIR}/R", nullptr},
                                         {"${NOPE}/x$", "${NOPE}/x$"}}) {
    SCOPED_TRACE(c.uri);
    const std::string want = c.resolved != nullptr ? c.resolved : path("stock") + "/R";
    EXPECT_EQ(trevak::expandTableVariables(c.uri, m_vars), want);
  }
  // KIPRJMOD is a project table's only; a JSON that is not JSON says so.
  TableVariables global = m_vars;
  global.projectFolder.clear();
  std::vector<std::string> unset;
  trevak::expandTableVariables("${KIPRJMOD}/x", global, &unset);
  EXPECT_EQ(unset, std::vector<std::string>{"KIPRJMOD"});
  write("bad.json", "{not json");
  std::string error;
  EXPECT_TRUE(trevak::readKicadCommonVars(path("bad.json"), &error).empty());
  EXPECT_NE(error.find("not JSON"), std::string::npos);
  // A written path takes the variable that fits: the project's, else the longest folder.
  EXPECT_EQ(trevak::tableUriFor("/proj/lib/x.pretty", m_vars), "${KIPRJMOD}/lib/x.pretty");
  EXPECT_EQ(trevak::tableUriFor("/from/json/x.pretty", m_vars), "${MYLIBS}/x.pretty");
  EXPECT_EQ(trevak::tableUriFor("/elsewhere/x.pretty", m_vars), "/elsewhere/x.pretty");
}

TEST_F(LibraryTableTest, GlobalTableLocation) {
  m_env["HOME"] = path("home");
  std::vector<std::string> c = trevak::globalTableCandidates(m_vars.environment);
  ASSERT_EQ(c.size(), 6u);
  EXPECT_EQ(c.front(), path("home") + "/.config/kicad/10.0/fp-lib-table");
  EXPECT_EQ(c.back(), path("home") + "/.config/kicad/fp-lib-table");
  EXPECT_EQ(trevak::findGlobalTable(m_vars.environment), "");
  write("home/.config/kicad/fp-lib-table", "(fp_lib_table)");
  EXPECT_EQ(trevak::findGlobalTable(m_vars.environment), c.back());
  write("home/.config/kicad/7.0/fp-lib-table", "(fp_lib_table)");
  write("home/.config/kicad/6.0/fp-lib-table", "(fp_lib_table)");
  EXPECT_EQ(trevak::findGlobalTable(m_vars.environment), path("home") + "/.config/kicad/7.0/fp-lib-table");
  m_env["XDG_CONFIG_HOME"] = path("xdg");
  EXPECT_EQ(trevak::globalTableCandidates(m_vars.environment)[4], path("xdg") + "/kicad/6.0/fp-lib-table");
  m_env["KICAD_CONFIG_HOME"] = path("kc");
  EXPECT_EQ(trevak::globalTableCandidates(m_vars.environment),
            std::vector<std::string>{path("kc") + "/fp-lib-table"});
}

// One row goes in; every other byte stays, in each layout a table comes in.
TEST_F(LibraryTableTest, InsertsOneRowByteForByte) {
  struct Case {
    const char* what;
    std::string before;
    std::string after;
  };
  const std::string row = "(lib (name \"new\")(type \"KiCad\")(uri \"${KIPRJMOD}/n.pretty\")(options \"\")(descr \"\"))";
  const std::vector<Case> cases = {
      {"KiCad's layout", "(fp_lib_table\n  (version 7)\n  (lib (name a)(type KiCad)(uri /a))  \n)\n",
       "(fp_lib_table\n  (version 7)\n  (lib (name a)(type KiCad)(uri /a))  \n  " + row + "\n)\n"},
      {"CRLF, tab indent, comment-like bytes kept",
       "(fp_lib_table\r\n\t(lib (name a)(type KiCad)(uri \"/a)\"))\r\n)",
       "(fp_lib_table\r\n\t(lib (name a)(type KiCad)(uri \"/a)\"))\r\n\t" + row + "\r\n)"},
      {"one line", "(fp_lib_table (lib (name a)(uri /a)))", "(fp_lib_table (lib (name a)(uri /a))\n  " + row + "\n)"},
      {"empty", "(fp_lib_table\n)\n", "(fp_lib_table\n  " + row + "\n)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = c.before;
    std::string error;
    ASSERT_TRUE(trevak::insertTableRow(text, "new", "KiCad", "${KIPRJMOD}/n.pretty", error)) << error;
    EXPECT_EQ(text, c.after);
    const LibraryTable t = trevak::parseLibraryTable(text, "t", m_vars);
    EXPECT_TRUE(t.errors.empty());
    EXPECT_EQ(t.rows.back().nickname, "new");
  }
  std::string text = "(fp_lib_table (lib (name a)(uri /a)))";
  std::string error;
  EXPECT_FALSE(trevak::insertTableRow(text, "a", "KiCad", "/b", error));
  EXPECT_NE(error.find("already has"), std::string::npos);
  text = "(fp_lib_table (lib (name a)(uri /a))";
  EXPECT_FALSE(trevak::insertTableRow(text, "b", "KiCad", "/b", error));
  EXPECT_EQ(text, "(fp_lib_table (lib (name a)(uri /a))");
}

TEST_F(LibraryTableTest, AddRowKeepsBackupAndRefusesUnwritable) {
  const std::string before = "(fp_lib_table\n  (lib (name a)(type KiCad)(uri /a))\n)\n";
  write("p/fp-lib-table", before);
  std::string error;
  ASSERT_TRUE(trevak::addTableRow(path("p/fp-lib-table"), "b", "/b", error)) << error;
  EXPECT_EQ(read(path("p/fp-lib-table.bak")), before);
  EXPECT_NE(read(path("p/fp-lib-table")).find("(name \"b\")"), std::string::npos);
  EXPECT_FALSE(trevak::addTableRow(path("p/fp-lib-table"), "b", "/c", error));
  EXPECT_NE(error.find("already has"), std::string::npos);

  // No table and nothing to make it from: refused; with the stock text: made.
  EXPECT_FALSE(trevak::addTableRow(path("q/fp-lib-table"), "b", "/b", error));
  EXPECT_FALSE(fs::exists(path("q/fp-lib-table")));
  const std::string stock = "(fp_lib_table\n  (lib (name s)(type KiCad)(uri /s))\n)\n";
  ASSERT_TRUE(trevak::addTableRow(path("q/fp-lib-table"), "b", "/b", error, &stock)) << error;
  EXPECT_EQ(trevak::parseLibraryTable(read(path("q/fp-lib-table")), "q", m_vars).rows.size(), 2u);

  if (::geteuid() != 0) {
    const std::string kept = read(path("p/fp-lib-table"));
    ASSERT_EQ(::chmod(path("p").c_str(), 0555), 0);
    EXPECT_FALSE(trevak::addTableRow(path("p/fp-lib-table"), "z", "/z", error));
    EXPECT_NE(error.find("not changed"), std::string::npos);
    ::chmod(path("p").c_str(), 0755);
    EXPECT_EQ(read(path("p/fp-lib-table")), kept);
  }
}

}  // namespace
