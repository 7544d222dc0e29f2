// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli.h"
#include "library/file_lock.h"

namespace trevak::cli {
namespace {

namespace fs = std::filesystem;

const std::string kHeader = "PCBNEW-LibModule-V1   25/03/2010-09:04:05";

std::string crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text.append(line);
    text.append("\r\n");
  }
  return text;
}

// A library as the writer gives it, for modules given as name and body lines in table order.
struct Mod {
  std::string name;
  std::vector<std::string> lines;
};

std::string library(const std::vector<Mod>& modules) {
  std::string text = crlf({kHeader, "$INDEX"});
  for (const Mod& m : modules) text += crlf({m.name});
  text += crlf({"$EndINDEX"});
  for (const Mod& m : modules) {
    text += crlf({"$MODULE " + m.name});
    for (const std::string& line : m.lines) text += crlf({line});
    text += crlf({"$EndMODULE " + m.name});
  }
  return text;
}

// The same, for a library in millimetres: its unit line follows the header.
std::string millimetreLibrary(const std::vector<Mod>& modules) {
  return crlf({kHeader, "Units mm"}) + library(modules).substr(kHeader.size() + 2);
}

class EditCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "trevak-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_folder = pattern;
    const char* old = std::getenv("SOURCE_DATE_EPOCH");
    if (old != nullptr) m_oldEpoch = old;
    ::setenv("SOURCE_DATE_EPOCH", "1269507845", 1);
  }

  void TearDown() override {
    if (m_oldEpoch) {
      ::setenv("SOURCE_DATE_EPOCH", m_oldEpoch->c_str(), 1);
    } else {
      ::unsetenv("SOURCE_DATE_EPOCH");
    }
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }

  std::string path(const std::string& name) const { return (m_folder / name).string(); }

  void write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(m_folder / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string read(const std::string& name) const {
    std::ifstream in(m_folder / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(m_folder)) names.insert(e.path().filename());
    return names;
  }

  int cli(std::vector<std::string> args) {
    m_out.str("");
    m_err.str("");
    return run(args, m_out, m_err);
  }

  std::string err() const { return m_err.str(); }
  std::string out() const { return m_out.str(); }

  // A search library in the usual mixed shape: CR LF, a header with another date, index
  // entries that do not match, an end-of-library line.
  void writeSearchLibrary() {
    write("src.mod", crlf({"PCBNEW-LibModule-V1  01/01/2008-00:00:00", "$INDEX", "whatever",
                           "$EndINDEX", "$MODULE R1", "Po 0 0", "T0 >NAME", "$EndMODULE R1",
                           "$MODULE C1 extra words ", "Po 1 1", "", "$EndMODULE C1", "$MODULE dip8",
                           "Po 2 2", "$EndMODULE dip8", "$EndLIBRARY"}));
  }

 private:
  fs::path m_folder;
  std::optional<std::string> m_oldEpoch;
  std::ostringstream m_out;
  std::ostringstream m_err;
};

const Mod kR1{"R1", {"Po 0 0", "T0 >NAME"}};
const Mod kC1{"C1 extra words", {"Po 1 1", ""}};
const Mod kDip8{"dip8", {"Po 2 2"}};
const Mod kDIP8{"DIP8", {"Po 8 8"}};
const Mod kAlfa{"alfa", {"a"}};
const Mod kGama{"gama", {"g"}};

TEST_F(EditCommands, CopyAddsModulesInNameOrder) {
  writeSearchLibrary();
  write("dst.mod", library({kAlfa, kGama}));
  EXPECT_EQ(cli({"copy", path("src.mod"), path("dst.mod"), "r1", "c1 EXTRA words"}), 0) << err();
  EXPECT_EQ(read("dst.mod"), library({kAlfa, kC1, kGama, kR1}));
  EXPECT_EQ(err(), "");
  EXPECT_EQ(out(), "");
}

TEST_F(EditCommands, CopyReportsMissingAndDuplicateNamesAfterCopyingTheRest) {
  writeSearchLibrary();
  write("dst.mod", library({kDIP8}));
  EXPECT_EQ(cli({"copy", path("src.mod"), path("dst.mod"), "nothere", "dip8", "R1"}), 1);
  EXPECT_EQ(read("dst.mod"), library({kDIP8, kR1}));
  EXPECT_NE(err().find("nothere"), std::string::npos) << err();
  EXPECT_NE(err().find("already holds a module of this name"),
            std::string::npos)
      << err();
}

TEST_F(EditCommands, CopyThatCopiesNothingLeavesTheDestinationAlone) {
  writeSearchLibrary();
  const std::string original = crlf({"PCBNEW-LibModule-V1", "$MODULE DIP8", "$EndMODULE DIP8"});
  write("dst.mod", original);
  EXPECT_EQ(cli({"copy", path("src.mod"), path("dst.mod"), "DIP8"}), 1);
  EXPECT_EQ(read("dst.mod"), original);
}

TEST_F(EditCommands, CopyIntoANewLibraryOrAnotherFile) {
  writeSearchLibrary();
  EXPECT_EQ(cli({"copy", "--new", path("src.mod"), path("new.mod"), "R1"}), 0) << err();
  EXPECT_EQ(read("new.mod"), library({kR1}));

  write("dst.mod", library({kAlfa}));
  EXPECT_EQ(cli({"copy", path("src.mod"), path("dst.mod"), "C1 extra words", "-o", path("out.mod")}), 0)
      << err();
  EXPECT_EQ(read("out.mod"), library({kAlfa, kC1}));
  EXPECT_EQ(read("dst.mod"), library({kAlfa}));
}

TEST_F(EditCommands, CopyOfNothingIntoANewLibraryIsRefusedAsEmpty) {
  writeSearchLibrary();
  EXPECT_EQ(cli({"copy", "--new", path("src.mod"), path("new.mod"), "nothere"}), 1);
  EXPECT_NE(err().find("Biblioteca vazia!"), std::string::npos) << err();
  EXPECT_EQ(entries(), (std::set<std::string>{"src.mod"}));
}

// One module in both units, every length a whole number of 1/10000 inch.
const Mod kPadMm{
    "PAD",
    {"Po 0 0 0 15 00000000 00000000 ~~", "T0 0 -1.524 1.016 1.016 0 0.2032 N V 21 N \"PAD\"",
     "$PAD", "Sh \"1\" O 1.524 2.032 0 0 900", "Dr 0.8128 0 0 O 0.8128 1.016", "Po -1.27  0 ",
     "$EndPAD"}};
const Mod kPadDecimil{
    "PAD",
    {"Po 0 0 0 15 00000000 00000000 ~~", "T0 0 -600 400 400 0 80 N V 21 N \"PAD\"", "$PAD",
     "Sh \"1\" O 600 800 0 0 900", "Dr 320 0 0 O 320 400", "Po -500  0 ", "$EndPAD"}};

TEST_F(EditCommands, CopyConvertsLengthsIntoTheDestinationsUnit) {
  write("mm.mod", millimetreLibrary({kPadMm}));
  write("decimil.mod", library({kAlfa}));
  EXPECT_EQ(cli({"copy", path("mm.mod"), path("decimil.mod"), "PAD"}), 0) << err();
  EXPECT_EQ(read("decimil.mod"), library({kAlfa, kPadDecimil}));

  write("decimil.mod", library({kPadDecimil}));
  write("mm.mod", millimetreLibrary({kGama}));
  EXPECT_EQ(cli({"copy", path("decimil.mod"), path("mm.mod"), "PAD"}), 0) << err();
  EXPECT_EQ(read("mm.mod"), millimetreLibrary({kGama, kPadMm}));
}

TEST_F(EditCommands, CopyIntoANewLibraryTakesTheSourcesUnit) {
  write("mm.mod", millimetreLibrary({kPadMm, kAlfa}));
  EXPECT_EQ(cli({"copy", "--new", path("mm.mod"), path("new.mod"), "PAD"}), 0) << err();
  EXPECT_EQ(read("new.mod"), millimetreLibrary({kPadMm}));
  EXPECT_EQ(cli({"list", "--units", path("new.mod")}), 0);
  EXPECT_EQ(out(), "mm\n");

  write("decimil.mod", library({kPadDecimil}));
  EXPECT_EQ(cli({"copy", "--new", "--force", path("decimil.mod"), path("new.mod"), "PAD"}), 0)
      << err();
  EXPECT_EQ(read("new.mod"), library({kPadDecimil}));
}

// A script copying one module a call with --new must not keep only the last one.
TEST_F(EditCommands, NewOntoAnExistingLibraryIsRefusedUnlessForced) {
  writeSearchLibrary();
  write("dst.mod", library({kAlfa}));
  EXPECT_EQ(cli({"copy", "--new", path("src.mod"), path("dst.mod"), "R1"}), 1);
  EXPECT_NE(err().find("drop --new to add"), std::string::npos) << err();
  EXPECT_EQ(read("dst.mod"), library({kAlfa}));
  EXPECT_EQ(cli({"copy", "--new", "--force", path("src.mod"), path("dst.mod"), "R1"}), 0) << err();
  EXPECT_EQ(read("dst.mod"), library({kR1}));
  EXPECT_EQ(cli({"copy", "--force", path("src.mod"), path("dst.mod"), "DIP8"}), 0) << err();
}

TEST_F(EditCommands, CopyToMillimetresAndBackGivesTheSameBytes) {
  writeSearchLibrary();
  write("mm.mod", millimetreLibrary({kGama}));
  write("back.mod", library({}));
  const Mod odd{"ODD", {"DS -7 13 1e3 +5 1,5 21", "DC 0 0 333 0 7 21", "Le 12ab"}};
  write("odd.mod", library({odd}));
  ASSERT_EQ(cli({"copy", path("odd.mod"), path("mm.mod"), "ODD"}), 0) << err();
  ASSERT_EQ(cli({"copy", path("mm.mod"), path("back.mod"), "ODD"}), 0) << err();
  // Numbers come back in their plain form; a field that is no number is never touched.
  EXPECT_EQ(read("back.mod"),
            library({{"ODD", {"DS -7 13 1000 5 1,5 21", "DC 0 0 333 0 7 21", "Le 12ab"}}}));
}

TEST_F(EditCommands, FileErrorsExitWithTwo) {
  writeSearchLibrary();
  EXPECT_EQ(cli({"copy", path("missing.mod"), path("dst.mod"), "R1"}), 2);
  EXPECT_NE(err().find("File not found"), std::string::npos) << err();
  EXPECT_EQ(cli({"copy", path("src.mod"), path("missing.mod"), "R1"}), 2);
  EXPECT_NE(err().find("File not found"), std::string::npos) << err();
  fs::create_directory(path("folder.mod"));
  EXPECT_EQ(cli({"normalize", path("src.mod"), "-o", path("folder.mod")}), 2);
  EXPECT_NE(err().find("File access denied"), std::string::npos) << err();
  EXPECT_EQ(cli({"copy", "--new", path("src.mod"), path("folder.mod"), "nothere", "R1"}), 2);
}

TEST_F(EditCommands, UsageErrorsExitWithTwo) {
  writeSearchLibrary();
  EXPECT_EQ(cli({"copy", path("src.mod"), path("dst.mod")}), 2);
  EXPECT_NE(err().find("usage: trevak-cli copy"), std::string::npos) << err();
  EXPECT_EQ(cli({"delete", path("src.mod")}), 2);
  EXPECT_EQ(cli({"normalize", path("src.mod"), "-o"}), 2);
  EXPECT_EQ(cli({"normalize", path("src.mod"), "-o", "a", "-o", "b"}), 2);
  EXPECT_EQ(cli({"normalize", path("src.mod"), "extra"}), 2);
  EXPECT_EQ(cli({"delete", path("src.mod"), "--new", "R1"}), 2);
  EXPECT_EQ(cli({"strip-prefix", path("src.mod"), "--bogus"}), 2);
  EXPECT_EQ(entries(), (std::set<std::string>{"src.mod"}));
}

TEST_F(EditCommands, DeleteRemovesEachNamedModule) {
  writeSearchLibrary();
  EXPECT_EQ(cli({"delete", path("src.mod"), "r1", "DIP8"}), 0) << err();
  EXPECT_EQ(read("src.mod"), library({kC1}));
  EXPECT_EQ(cli({"delete", path("src.mod"), "R1"}), 1);
  EXPECT_NE(err().find("R1"), std::string::npos) << err();
  EXPECT_EQ(read("src.mod"), library({kC1}));
}

// A name given in its exact case means that module; one differing only in case from several
// modules, none exact, is refused with the candidates.
TEST_F(EditCommands, ExactCaseWinsAndCaseOnlyAmbiguityIsRefused) {
  const std::string both = library({kDIP8, kR1, kDip8});
  write("lib.mod", both);
  EXPECT_EQ(cli({"show", path("lib.mod"), "dip8"}), 0) << err();
  EXPECT_EQ(out(), "Po 2 2\n");
  EXPECT_EQ(cli({"show", path("lib.mod"), "DIP8"}), 0) << err();
  EXPECT_EQ(out(), "Po 8 8\n");
  EXPECT_EQ(cli({"delete", path("lib.mod"), "Dip8"}), 1);
  EXPECT_NE(err().find("  DIP8\n  dip8\n"), std::string::npos) << err();
  EXPECT_EQ(read("lib.mod"), both);
  EXPECT_EQ(cli({"delete", path("lib.mod"), "dip8"}), 0) << err();
  EXPECT_EQ(read("lib.mod"), library({kDIP8, kR1}));
  EXPECT_EQ(cli({"delete", path("lib.mod"), "dIP8"}), 0) << err();  // now only one matches
  EXPECT_EQ(read("lib.mod"), library({kR1}));
}

TEST_F(EditCommands, NamesAfterDoubleDashMayStartWithAHyphen) {
  write("lib.mod", library({{"-x", {"a"}}, {"y", {"b"}}}));
  EXPECT_EQ(cli({"delete", path("lib.mod"), "--", "-x"}), 0) << err();
  EXPECT_EQ(read("lib.mod"), library({{"y", {"b"}}}));
}

TEST_F(EditCommands, DeletingEveryModuleIsRefusedAndTheFileKept) {
  writeSearchLibrary();
  const std::string original = read("src.mod");
  EXPECT_EQ(cli({"delete", path("src.mod"), "R1", "C1 extra words", "dip8"}), 1);
  EXPECT_NE(err().find("Biblioteca vazia!"), std::string::npos) << err();
  EXPECT_EQ(read("src.mod"), original);
}

TEST_F(EditCommands, StripPrefixUsesTheLibrarysOwnName) {
  write("conn.mod",
        library(
            {{"CONN-A", {"T0 conn-A"}}, {"Conn-B", {}}, {"conn-DIP8", {}}, {"SMD-conn-0805", {}}}));
  EXPECT_EQ(cli({"strip-prefix", path("conn.mod"), "-o", path("out.mod")}), 0) << err();
  EXPECT_EQ(read("out.mod"),
            library({{"A", {"T0 conn-A"}}, {"Conn-B", {}}, {"DIP8", {}}, {"SMD-0805", {}}}));
}

// "ARR-4" loses its "R-" in library R: where that gives another module's name, or none, the
// module keeps its name and is named on standard error; the others change and are saved.
TEST_F(EditCommands, StripPrefixKeepsNamesThatWouldClashAndSaysWhich) {
  write("R.mod", library({{"AR4", {}}, {"ARR-4", {}}, {"R-", {}}, {"R-5", {}}}));
  EXPECT_EQ(cli({"strip-prefix", path("R.mod")}), 1);
  EXPECT_NE(err().find("ARR-4 keeps its name"), std::string::npos) << err();
  EXPECT_NE(err().find("R- keeps its name"), std::string::npos) << err();
  EXPECT_EQ(read("R.mod"), library({{"AR4", {}}, {"ARR-4", {}}, {"R-", {}}, {"5", {}}}));
}

// Two programs changing one library take turns: a delete that starts while another program
// holds the library (and then saves a change of its own) waits, and works on that program's
// result, so neither change is lost.
TEST_F(EditCommands, AChangeWaitsForAnotherProgramsAndKeepsIt) {
  write("lib.mod", library({kAlfa, kGama}));
  std::string deleteErr;
  int deleteStatus = -1;
  std::thread deleting;
  {
    const LibraryLock other(path("lib.mod"), std::chrono::milliseconds(0));
    deleting = std::thread([&] {
      std::ostringstream out, errStream;
      deleteStatus = run({"delete", path("lib.mod"), "alfa"}, out, errStream);
      deleteErr = errStream.str();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(read("lib.mod"), library({kAlfa, kGama}));  // the delete still waits
    // The other program saves its change (a new file renamed over the old) and lets go.
    write("lib.new", library({kAlfa, kC1, kGama}));
    fs::rename(path("lib.new"), path("lib.mod"));
  }
  deleting.join();
  EXPECT_EQ(deleteStatus, 0) << deleteErr;
  EXPECT_EQ(read("lib.mod"), library({kC1, kGama}));
}

TEST_F(EditCommands, FillNamesReplacesThePlaceholdersInPlace) {
  writeSearchLibrary();
  EXPECT_EQ(cli({"fill-names", path("src.mod")}), 0) << err();
  EXPECT_EQ(read("src.mod"), library({kC1, kDip8, {"R1", {"Po 0 0", "T0 R1"}}}));
  EXPECT_EQ(entries(), (std::set<std::string>{"src.mod"}));
}

TEST_F(EditCommands, NormalizeWritesTheLibraryAfresh) {
  writeSearchLibrary();
  EXPECT_EQ(cli({"normalize", path("src.mod"), "-o", path("out.mod")}), 0) << err();
  EXPECT_EQ(read("out.mod"), library({kC1, kDip8, kR1}));
}

TEST_F(EditCommands, HeaderDateComesFromSourceDateEpoch) {
  writeSearchLibrary();
  ::setenv("SOURCE_DATE_EPOCH", "0", 1);
  EXPECT_EQ(cli({"normalize", path("src.mod"), "-o", path("out.mod")}), 0) << err();
  EXPECT_EQ(read("out.mod").substr(0, 43), "PCBNEW-LibModule-V1   01/01/1970-00:00:00\r\n");
  ::setenv("SOURCE_DATE_EPOCH", "soon", 1);
  EXPECT_EQ(cli({"normalize", path("src.mod"), "-o", path("bad.mod")}), 2);
  EXPECT_NE(err().find("SOURCE_DATE_EPOCH"), std::string::npos) << err();
  EXPECT_FALSE(fs::exists(path("bad.mod")));
}

}  // namespace
}  // namespace trevak::cli
