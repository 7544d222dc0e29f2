// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "library/io_error.h"
#include "library/module_table.h"

namespace {

using trevak::IoError;
using trevak::LengthUnit;
using trevak::ModuleTable;
using Modules = std::vector<std::pair<std::string, std::string>>;  // name, body in table order

Modules modulesOf(const ModuleTable& t) {
  Modules out;
  for (int i = 0; i < t.RecordCount(); ++i) {
    const auto& r = t.recordAt(i);
    out.emplace_back(r.nome_Componente.value_or("<null>"), r.Comandos.value_or("<null>"));
  }
  return out;
}

Modules read(std::string_view bytes, std::size_t chunk = 1 << 20) {
  ModuleTable t;
  trevak::MemoryByteSource source(bytes, chunk);
  trevak::readLibrary(source, t);
  return modulesOf(t);
}

// Joins lines with the given line end after each; `last` decides whether the final line has one.
std::string lib(const std::vector<std::string>& lines, const std::string& eol = "\r\n",
                bool last = true) {
  std::string s;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    s += lines[i];
    if (i + 1 < lines.size() || last) s += eol;
  }
  return s;
}

// A source that fails with EIO once `failAt` bytes were delivered, or when it is closed.
class FailingSource : public trevak::ByteSource {
 public:
  FailingSource(std::string_view bytes, std::size_t failAt, bool failClose = false)
      : m_bytes(bytes), m_failAt(failAt), m_failClose(failClose) {}
  std::size_t read(char* buffer, std::size_t size) override {
    if (m_pos >= m_failAt) throw trevak::ioErrorFromErrno(EIO);
    const std::size_t n = std::min({size, m_failAt - m_pos, m_bytes.size() - m_pos, std::size_t{7}});
    std::copy_n(m_bytes.data() + m_pos, n, buffer);
    m_pos += n;
    return n;
  }
  void close() override {
    if (m_failClose) throw trevak::ioErrorFromErrno(EIO);
  }

 private:
  std::string_view m_bytes;
  std::size_t m_failAt;
  bool m_failClose;
  std::size_t m_pos = 0;
};

const std::vector<std::string> kSample = {
    "PCBNEW-LibModule-V1  01/01/2010 10:00:00",
    "Units mm",
    "$INDEX",
    "B",
    "A",
    "$EndINDEX",
    "$MODULE B",
    "Po 0 0 0 15 00000000 00000000 ~~",
    "  Li B",
    "",
    "$PAD",
    "Sh \"1\" C 600 600 0 0 0",
    "$EndPAD",
    "$EndMODULE B",
    "",
    "$MODULE A",
    "\tT0 0 0 600 600 0 120 N V 21 N \"A\"",
    "$EndMODULE A",
    "$EndLIBRARY",
};

const Modules kSampleModules = {
    {"A", "\tT0 0 0 600 600 0 120 N V 21 N \"A\"\r"},
    {"B", "Po 0 0 0 15 00000000 00000000 ~~\r  Li B\r\r$PAD\rSh \"1\" C 600 600 0 0 0\r$EndPAD\r"},
};

}  // namespace

// --- lines --------------------------------------------------------------------------------

struct LineEndCase {
  const char* label;
  std::string bytes;
};

void PrintTo(const LineEndCase& c, std::ostream* os) { *os << c.label; }

class ReaderLineEnds
    : public ::testing::TestWithParam<std::tuple<LineEndCase, std::size_t>> {};

TEST_P(ReaderLineEnds, GiveTheSameModules) {
  const auto& [c, chunk] = GetParam();
  EXPECT_EQ(read(c.bytes, chunk), kSampleModules) << c.label << ", reads of " << chunk;
}

namespace {

std::string mixedLineEnds() {
  static const char* const eols[] = {"\r\n", "\n", "\r"};
  std::string s;
  for (std::size_t i = 0; i < kSample.size(); ++i) s += kSample[i] + eols[i % 3];
  return s;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderLineEnds,
    ::testing::Combine(
        ::testing::Values(LineEndCase{"CRLF", lib(kSample, "\r\n")},
                          LineEndCase{"CR", lib(kSample, "\r")},
                          LineEndCase{"LF", lib(kSample, "\n")},
                          LineEndCase{"Mixed", mixedLineEnds()},
                          LineEndCase{"NoFinalLineEnd", lib(kSample, "\r\n", false)},
                          LineEndCase{"EndLineLast", lib({kSample.begin(), kSample.end() - 1},
                                                         "\n", false)}),
        // Reads of one to three bytes split every CR LF pair and every keyword.
        ::testing::Values(std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1} << 20)),
    [](const auto& p) {
      return std::string(std::get<0>(p.param).label) + "_" +
             std::to_string(std::get<1>(p.param));
    });

TEST(ReaderLines, CtrlZEndsTheInputAndTheOpenModuleKeepsItsLines) {
  EXPECT_EQ(read("$MODULE A\rline1\rli\x1Ane2\r$EndMODULE A\r$MODULE B\r$EndMODULE B\r"),
            (Modules{{"A", "line1\rli\r"}}));
  // Directly after a line end there is no further line.
  EXPECT_EQ(read("$MODULE A\r\nx\r\n\x1A\r\n$EndMODULE A\r\n"), (Modules{{"A", "x\r"}}));
  EXPECT_EQ(read("\x1A$MODULE A\r$EndMODULE A\r"), Modules{});
}

TEST(ReaderLines, BlankLinesAndSubBlocksStayInTheBodyOutsideLinesAreDropped) {
  EXPECT_EQ(read(lib({"junk", "$EndMODULE stray", "$MODULE M", "", "  \t", "$SHAPE3D",
                      "$EndSHAPE3D", "$EndMODULE M", "after"})),
            (Modules{{"M", "\r  \t\r$SHAPE3D\r$EndSHAPE3D\r"}}));
}

// --- keywords and names -------------------------------------------------------------------

struct ModuleLineCase {
  const char* label;
  const char* line;
  const char* name;  // nullptr: the line does not open a module
};

void PrintTo(const ModuleLineCase& c, std::ostream* os) { *os << c.label; }

class ReaderModuleLine : public ::testing::TestWithParam<ModuleLineCase> {};

TEST_P(ReaderModuleLine, OpensAModuleNamedByTheTrimmedRestOfTheLine) {
  const ModuleLineCase& c = GetParam();
  const Modules got = read(lib({c.line, "Po 0", "$EndMODULE x"}));
  if (c.name == nullptr) {
    EXPECT_EQ(got, Modules{});
  } else {
    EXPECT_EQ(got, (Modules{{c.name, "Po 0\r"}}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderModuleLine,
    ::testing::Values(
        ModuleLineCase{"Plain", "$MODULE R_0805", "R_0805"},
        ModuleLineCase{"LeadingBlanksSmallLetters", "  $module   R_0805 more words", "R_0805 more words"},
        ModuleLineCase{"MixedCase", "$Module R_0805", "R_0805"},
        ModuleLineCase{"TabBefore", "\t$MODULE R_0805", "R_0805"},
        ModuleLineCase{"ControlByteBefore", "\x01$MODULE R_0805", "R_0805"},
        ModuleLineCase{"TabAfter", "$MODULE\tR_0805", "R_0805"},
        ModuleLineCase{"TabsAround", "$MODULE \t R_0805\tx \t", "R_0805\tx"},
        ModuleLineCase{"TrailingWhiteSpace", "$MODULE R 0805 \t\v\f", "R 0805"},
        ModuleLineCase{"NoName", "$MODULE", ""},
        ModuleLineCase{"QuotedName", "$MODULE \"two words\"", "\"two words\""},
        ModuleLineCase{"QuoteInside", "$MODULE SW \"DIP\" 8", "SW \"DIP\" 8"},
        ModuleLineCase{"LatinOneName", "$MODULE Res\xEDstor", "Res\xEDstor"},
        ModuleLineCase{"LongerKeyword", "$MODULES R_0805", nullptr},
        ModuleLineCase{"JoinedToName", "$MODULE_R R_0805", nullptr},
        ModuleLineCase{"NotFirstWord", "x $MODULE R_0805", nullptr}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(ReaderNames, AreKeptWholePast60Bytes) {
  const std::string longName(70, 'N');
  EXPECT_EQ(read(lib({"$MODULE " + longName, "$EndMODULE"})), (Modules{{longName, ""}}));
}

// KiCad takes the line as a C string: a NUL byte ends it, and the name is trimmed before it.
TEST(ReaderNames, ANulByteEndsTheLineTheNameIsTakenFrom) {
  using namespace std::string_literals;
  EXPECT_EQ(read(lib({"$MODULE Pad_Gnd\t\0junk"s, "$EndMODULE"})), (Modules{{"Pad_Gnd", ""}}));
  EXPECT_EQ(read(lib({"$MODULE \0Pad"s, "$EndMODULE"})), (Modules{{"", ""}}));
}

class ReaderEndLine : public ::testing::TestWithParam<const char*> {};

TEST_P(ReaderEndLine, ClosesTheModuleWhateverItNames) {
  EXPECT_EQ(read(lib({"$MODULE A", "body", GetParam(), "outside", "$MODULE B", "$EndMODULE B"})),
            (Modules{{"A", "body\r"}, {"B", ""}}));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderEndLine,
                         ::testing::Values("$EndMODULE A", "$ENDMODULE", "  $endmodule A",
                                           "$EndMODULE\tA", "$EndMODULE OTHER"));

// --- what the reader mends ----------------------------------------------------------------

TEST(ReaderMends, ModuleWithoutEndLineKeepsItsLinesAndDoesNotLeakThem) {
  EXPECT_EQ(read(lib({"$MODULE A", "a1", "a2", "$MODULE B", "b1", "$EndMODULE B"})),
            (Modules{{"A", "a1\ra2\r"}, {"B", "b1\r"}}));
  EXPECT_EQ(read(lib({"$MODULE A", "a1", "$EndMODULE A", "$MODULE B", "b1"}, "\n", false)),
            (Modules{{"A", "a1\r"}, {"B", "b1\r"}}));
}

// --- order, content and notifications -----------------------------------------------------

TEST(ReaderOrder, SortedWithEqualNamesInFileOrderAndFirstCurrent) {
  ModuleTable t;
  const std::string bytes = lib({"$MODULE B", "1", "$EndMODULE B", "$MODULE a", "2",
                                 "$EndMODULE a", "$MODULE A", "3", "$EndMODULE A"});
  trevak::MemoryByteSource source(bytes);
  int notifications = 0;
  t.setOnDataChange([&](trevak::NotificationKind, std::string_view) { ++notifications; });
  trevak::readLibrary(source, t);
  EXPECT_EQ(modulesOf(t), (Modules{{"a", "2\r"}, {"A", "3\r"}, {"B", "1\r"}}));
  EXPECT_EQ(t.currentIndex(), 0);
  EXPECT_FALSE(t.AtEnd());
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(t.suspendCount(), 0);
}

TEST(ReaderOrder, ReadingReplacesEverythingAndAFileWithoutModulesGivesAnEmptyTable) {
  ModuleTable t;
  t.AppendRecord();
  t.SetField("nome_Componente", "old");
  t.PostRecord();
  const std::string bytes = lib({"PCBNEW-LibModule-V1", "$INDEX", "X", "$EndINDEX"});
  trevak::MemoryByteSource source(bytes);
  trevak::readLibrary(source, t);
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_TRUE(t.AtEnd());
}

// --- unit ---------------------------------------------------------------------------------

struct UnitCase {
  const char* label;
  std::vector<std::string> lines;
  LengthUnit unit;
};

void PrintTo(const UnitCase& c, std::ostream* os) { *os << c.label; }

class ReaderUnit : public ::testing::TestWithParam<UnitCase> {};

TEST_P(ReaderUnit, MillimetresOnlyFromAUnitsLineOutsideTheModules) {
  ModuleTable t;
  const std::string bytes = lib(GetParam().lines);
  trevak::MemoryByteSource source(bytes);
  trevak::readLibrary(source, t);
  EXPECT_EQ(t.unit(), GetParam().unit);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderUnit,
    ::testing::Values(
        UnitCase{"Header", {"PCBNEW-LibModule-V1", "Units mm", "$MODULE A", "$EndMODULE A"},
                 LengthUnit::Millimetre},
        // As KiCad 6 reads it: the keyword in any case at the start of the line, the unit "mm"
        // in small letters, and only before the index.
        UnitCase{"KeywordInAnyCaseThenTab", {"uNITS\tmm"}, LengthUnit::Millimetre},
        UnitCase{"Capitals", {"UNITS MM"}, LengthUnit::Decimil},
        UnitCase{"CapitalUnit", {"Units MM"}, LengthUnit::Decimil},
        UnitCase{"BlankBeforeTheKeyword", {" Units mm"}, LengthUnit::Decimil},
        UnitCase{"TabBeforeTheKeyword", {"\tUnits mm"}, LengthUnit::Decimil},
        UnitCase{"AfterAModule", {"$MODULE A", "$EndMODULE A", "Units mm"},
                 LengthUnit::Millimetre},
        UnitCase{"InsideAModule", {"$MODULE A", "Units mm", "$EndMODULE A"},
                 LengthUnit::Decimil},
        UnitCase{"ControlCharactersAroundTheKeyword", {"\x01Units\x02 mm"}, LengthUnit::Decimil},
        UnitCase{"QuotedUnit", {"Units \"mm\""}, LengthUnit::Decimil},
        UnitCase{"InTheIndex", {"$INDEX", "Units mm", "$EndINDEX", "$MODULE A", "$EndMODULE A"},
                 LengthUnit::Decimil},
        UnitCase{"AfterTheIndex", {"$INDEX", "A", "$EndINDEX", "Units mm", "$MODULE A"},
                 LengthUnit::Decimil},
        UnitCase{"IndexInSmallLetters", {"$index", "Units mm"}, LengthUnit::Decimil},
        UnitCase{"IndexGluedIsNoIndex", {"$INDEXES", "Units mm"}, LengthUnit::Millimetre},
        UnitCase{"InAModuleWithoutEndLine", {"$MODULE A", "Units mm", "$MODULE B"},
                 LengthUnit::Decimil},
        UnitCase{"DecimilsSaidAloud", {"Units deci-mils"}, LengthUnit::Decimil},
        UnitCase{"GluedKeyword", {"UnitsMm", "Units: mm"}, LengthUnit::Decimil},
        UnitCase{"LongerWord", {"Units mm2", "Units mmm"}, LengthUnit::Decimil},
        UnitCase{"OtherUnit", {"Units mils"}, LengthUnit::Decimil},
        UnitCase{"NoSecondWord", {"Units", "mm"}, LengthUnit::Decimil},
        UnitCase{"None", {"PCBNEW-LibModule-V1"}, LengthUnit::Decimil}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(ReaderUnitOfATable, EachLoadGivesTheFilesUnit) {
  const std::string mm = lib({"PCBNEW-LibModule-V1", "Units mm", "$MODULE A", "$EndMODULE A"});
  const std::string decimil = lib({"PCBNEW-LibModule-V1", "$MODULE A", "$EndMODULE A"});
  ModuleTable t;
  ASSERT_EQ(t.unit(), LengthUnit::None);
  trevak::MemoryByteSource first(mm);
  trevak::loadLibrary(first, t);
  EXPECT_EQ(t.unit(), LengthUnit::Millimetre);
  trevak::MemoryByteSource second(decimil);
  trevak::loadLibrary(second, t);
  EXPECT_EQ(t.unit(), LengthUnit::Decimil);
}

// --- failures -----------------------------------------------------------------------------

namespace {

// A table holding a loaded library with its second module current, to see that a failed load
// leaves it alone.
struct LoadedTable {
  ModuleTable table;
  int notifications = 0;

  LoadedTable() {
    const std::string bytes = lib(kSample);
    trevak::MemoryByteSource source(bytes);
    trevak::loadLibrary(source, table);
    table.moveTo(1);
    table.setOnDataChange([this](trevak::NotificationKind, std::string_view) { ++notifications; });
  }
  void expectUntouched() const {
    EXPECT_EQ(modulesOf(table), kSampleModules);
    EXPECT_EQ(table.currentIndex(), 1);
    EXPECT_EQ(table.unit(), LengthUnit::Millimetre);
    EXPECT_EQ(table.suspendCount(), 0);
    EXPECT_EQ(notifications, 0);
  }
};

}  // namespace

TEST(ReaderFailure, ReadFailingAtAnyByteLeavesTheTableAsItWas) {
  const std::string bytes = lib(kSample);
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    SCOPED_TRACE(cut);
    LoadedTable loaded;
    FailingSource source(bytes, cut);
    try {
      trevak::loadLibrary(source, loaded.table);
      ADD_FAILURE() << "the load succeeded";
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()), "I/O error " + std::to_string(EIO) + " (input/output error)");
    }
    loaded.expectUntouched();
  }
}

TEST(ReaderFailure, CloseFailingLeavesTheTableAsItWas) {
  const std::string bytes = lib(kSample);
  LoadedTable loaded;
  FailingSource source(bytes, bytes.size() + 1, /*failClose=*/true);
  EXPECT_THROW(trevak::loadLibrary(source, loaded.table), IoError);
  loaded.expectUntouched();
}

TEST(ReaderFailure, InputCutAtAnyByteReadsWithoutHarm) {
  const std::string bytes = lib(kSample);
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    const Modules got = read(std::string_view(bytes).substr(0, cut), 3);
    EXPECT_LE(got.size(), kSampleModules.size()) << cut;
  }
}

TEST(ReaderSuccess, LoadReplacesContentWithFirstRecordCurrentAndOneNotification) {
  LoadedTable loaded;
  const std::string bytes = lib({"$MODULE Z", "$EndMODULE Z"});
  trevak::MemoryByteSource source(bytes);
  trevak::loadLibrary(source, loaded.table);
  EXPECT_EQ(modulesOf(loaded.table), (Modules{{"Z", ""}}));
  EXPECT_EQ(loaded.table.currentIndex(), 0);
  EXPECT_EQ(loaded.table.unit(), LengthUnit::Decimil);
  EXPECT_EQ(loaded.notifications, 1);
}

// --- files --------------------------------------------------------------------------------

struct FileErrorCase {
  const char* label;
  const char* relative;  // under a fresh temporary folder; nullptr for the empty name
  int code;
  const char* text;
};

void PrintTo(const FileErrorCase& c, std::ostream* os) { *os << c.label; }

class ReaderFileError : public ::testing::TestWithParam<FileErrorCase> {};

TEST_P(ReaderFileError, ReportsTheProgramTextAndKeepsTheTable) {
  const FileErrorCase& c = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string base = dir.path().toStdString();
  std::ofstream(base + "/plain.mod") << "PCBNEW-LibModule-V1\n";
  ASSERT_EQ(mkfifo((base + "/pipe.mod").c_str(), 0600), 0);
  const std::string path = c.relative == nullptr ? std::string() : base + "/" + c.relative;
  LoadedTable loaded;
  try {
    trevak::loadLibraryFile(path, loaded.table);
    ADD_FAILURE() << "no error for " << path;
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), c.code);
    EXPECT_EQ(std::string(e.what()), c.text);
  }
  loaded.expectUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderFileError,
    ::testing::Values(FileErrorCase{"Missing", "absent.mod", 2, "File not found"},
                      FileErrorCase{"UnderAFile", "plain.mod/x.mod", 2,
                                    "File not found (a part of the path is not a folder)"},
                      FileErrorCase{"Directory", ".", 5, "File access denied"},
                      FileErrorCase{"EmptyName", nullptr, 3, "Invalid filename"},
                      // Refused before reading: opening it must not wait for a writer either.
                      FileErrorCase{"Fifo", "pipe.mod", trevak::kNotARegularFile,
                                    "Not a regular file (a device, FIFO or socket)"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(ReaderFile, UnreadableFileIsAccessDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root; the directory case covers 5";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.path().toStdString() + "/locked.mod";
  std::ofstream(path) << "PCBNEW-LibModule-V1\n";
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  LoadedTable loaded;
  try {
    trevak::loadLibraryFile(path, loaded.table);
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), 5);
    EXPECT_EQ(std::string(e.what()), "File access denied");
  }
  loaded.expectUntouched();
}

// A device that never ends a line (/dev/zero, a stream of bytes with no line end) is refused
// at the door, and a source giving the same stream stops at the line bound with a clear error.
TEST(ReaderFile, EndlessLinesAreRefused) {
  LoadedTable loaded;
  try {
    trevak::loadLibraryFile("/dev/zero", loaded.table);
    ADD_FAILURE() << "a device was read";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), trevak::kNotARegularFile);
  }
  loaded.expectUntouched();

  class Endless final : public trevak::ByteSource {
   public:
    std::size_t read(char* buffer, std::size_t size) override {
      std::memset(buffer, 0, size);
      m_total += size;
      return size;
    }
    std::size_t m_total = 0;
  } endless;
  try {
    trevak::loadLibrary(endless, loaded.table);
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), trevak::kLineTooLong);
    EXPECT_NE(std::string(e.what()).find("16 MB"), std::string::npos);
  }
  EXPECT_LE(endless.m_total, (std::size_t{17} << 20));
  loaded.expectUntouched();
}

// The kernel's own read error: this process's memory at address 0 is never mapped, so reading
// its memory file from the start fails with EIO although opening it worked.
TEST(ReaderFile, ReadErrorFromTheSystemKeepsTheTable) {
  LoadedTable loaded;
  try {
    trevak::loadLibraryFile("/proc/self/mem", loaded.table);
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()), "I/O error " + std::to_string(EIO) + " (input/output error)");
  }
  loaded.expectUntouched();
}

// A file removed after it was opened is still read whole: the open file keeps its bytes.
TEST(ReaderFile, FileRemovedAfterOpeningStillLoads) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.path().toStdString() + "/gone.mod";
  std::ofstream(path, std::ios::binary) << "$MODULE G\r\nPo 0 0\r\n$EndMODULE G\r\n";
  trevak::FileByteSource source(path);
  ASSERT_EQ(unlink(path.c_str()), 0);
  ModuleTable t;
  trevak::loadLibrary(source, t);
  EXPECT_EQ(modulesOf(t), (Modules{{"G", "Po 0 0\r"}}));
}

// A file larger than one read block, with a CR LF pair split across two blocks: 1 MiB is a
// whole number of the reader's blocks.
TEST(ReaderFile, LineEndSplitAcrossReadBlocksMakesNoExtraLine) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.path().toStdString() + "/big.mod";
  std::string bytes = "$MODULE BIG\r\n";
  const std::size_t block = std::size_t{1} << 20;
  bytes += std::string(block - 1 - bytes.size(), 'x');
  bytes += "\r\n$EndMODULE BIG\r\n";
  ASSERT_EQ(bytes[block - 1], '\r');
  ASSERT_EQ(bytes[block], '\n');
  std::ofstream(path, std::ios::binary) << bytes;
  ModuleTable t;
  trevak::loadLibraryFile(path, t);
  ASSERT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(*t.recordAt(0).Comandos, std::string(block - 1 - 13, 'x') + "\r");
}

// --- lines of every length ----------------------------------------------------------------

// Lines of 0 to 40 bytes, so that every line end falls at every place within the reader's
// 16-byte search and at the end of each read.
class ReaderLineLengths : public ::testing::TestWithParam<std::tuple<const char*, std::size_t>> {};

TEST_P(ReaderLineLengths, EveryLineEndIsFoundOnce) {
  const auto& [eol, chunk] = GetParam();
  std::vector<std::string> lines = {"$MODULE L"};
  std::string body;
  for (int n = 0; n <= 40; ++n) {
    std::string line;
    for (int i = 0; i < n; ++i) line.push_back(static_cast<char>('a' + (n + i) % 26));
    lines.push_back(line);
    body += line + "\r";
  }
  lines.push_back("$EndMODULE L");
  EXPECT_EQ(read(lib(lines, eol), chunk), (Modules{{"L", body}}));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderLineLengths,
                         ::testing::Combine(::testing::Values("\r\n", "\n", "\r"),
                                            ::testing::Values(std::size_t{1}, std::size_t{15},
                                                              std::size_t{16}, std::size_t{17},
                                                              std::size_t{1} << 20)));

TEST(ReaderLines, CtrlZInALongLineEndsTheInputThere) {
  const std::string head = "$MODULE Z\r\n" + std::string(37, 'x');
  EXPECT_EQ(read(head + "\x1A" + "yyyy\r\n$EndMODULE Z\r\n"),
            (Modules{{"Z", std::string(37, 'x') + "\r"}}));
}

// --- lines that begin like a keyword -------------------------------------------------------

class ReaderBodyLine : public ::testing::TestWithParam<const char*> {};

TEST_P(ReaderBodyLine, StaysInTheBody) {
  const std::string line = GetParam();
  EXPECT_EQ(read(lib({"$MODULE A", line, "$EndMODULE A"})), (Modules{{"A", line + "\r"}}));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderBodyLine,
                         ::testing::Values("$", "$E", "$M", "$EndPAD", "$ENDMODULEX A",
                                           "$EndMODUL", "$MODUL", "U", "UNITS mm", "units",
                                           "\x01", "\x01$EndPAD", "  ", "$\x01MODULE X",
                                           "Units\x01mm"));

INSTANTIATE_TEST_SUITE_P(ControlBytes, ReaderEndLine,
                         ::testing::Values("$EndMODULE\x02", "\x01$EndMODULE A",
                                           " \x03$endmodule\x04 A"));

TEST(ReaderUnitLine, AControlByteBeforeTheKeywordMakesKiCadIgnoreIt) {
  ModuleTable t;
  const std::string bytes = lib({"PCBNEW-LibModule-V1", "\x01Units mm", "$MODULE A", "$EndMODULE A"});
  trevak::MemoryByteSource source(bytes);
  trevak::readLibrary(source, t);
  EXPECT_EQ(t.unit(), LengthUnit::Decimil);
}

// --- keeping only some bodies --------------------------------------------------------------

TEST(ReaderBodyFilter, KeepsOnlyTheChosenBodiesAndEverythingElseAsAWholeRead) {
  const std::string bytes = lib(kSample);
  std::vector<std::string> asked;
  ModuleTable filtered;
  trevak::MemoryByteSource source(bytes, 5);
  trevak::readLibrary(source, filtered, [&](std::string_view name) {
    asked.emplace_back(name);
    return name == "B";
  });
  EXPECT_EQ(modulesOf(filtered), (Modules{{"A", "<null>"}, kSampleModules[1]}));
  EXPECT_EQ(asked, (std::vector<std::string>{"B", "A"}));  // file order
  EXPECT_EQ(filtered.unit(), LengthUnit::Millimetre);
  EXPECT_EQ(filtered.currentIndex(), 0);
}

TEST(ReaderBodyFilter, SeesTheNameAsStoredAndAnEmptyFilterKeepsAll) {
  const std::string longName(70, 'N');
  const std::string bytes = lib({"$MODULE " + longName, "body", "$EndMODULE", "$MODULE a\x01",
                                 "x", "$EndMODULE"});
  std::vector<std::string> asked;
  ModuleTable t;
  trevak::MemoryByteSource source(bytes);
  trevak::loadLibrary(source, t, [&](std::string_view name) {
    asked.emplace_back(name);
    return true;
  });
  EXPECT_EQ(asked, (std::vector<std::string>{longName, "a\x01"}));
  EXPECT_EQ(modulesOf(t), read(bytes));
  ModuleTable all;
  trevak::MemoryByteSource again(bytes);
  trevak::readLibrary(again, all, trevak::BodyFilter{});
  EXPECT_EQ(modulesOf(all), read(bytes));
}

TEST(ReaderBodyFilter, FileLoadWithoutBodiesKeepsNamesAndOrder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.path().toStdString() + "/names.mod";
  std::ofstream(path, std::ios::binary) << lib(kSample, "\n");
  ModuleTable t;
  trevak::loadLibraryFile(path, t, [](std::string_view) { return false; });
  EXPECT_EQ(modulesOf(t), (Modules{{"A", "<null>"}, {"B", "<null>"}}));
}
