// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "library/body_lines.h"
#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/module_table.h"
#include "library/tokenizer.h"

namespace trevak {
namespace {

namespace fs = std::filesystem;

// 25 March 2010, 09:04:05 UTC.
constexpr std::time_t kMarch25 = 1269507845;
const HeaderTime kFixedTime{kMarch25, true};
const std::string kFixedHeader = "PCBNEW-LibModule-V1   25/03/2010-09:04:05";

using Module = std::pair<std::string, std::string>;  // name, Comandos

// Stores the modules in the given order and sorts them, as a load leaves a table.
void fill(ModuleTable& table, const std::vector<Module>& modules, bool sort = true) {
  for (const auto& [name, body] : modules) {
    table.AppendRecord();
    table.SetField("nome_Componente", name);
    table.SetField("Comandos", body);
    table.PostRecord();
  }
  if (sort) table.SortByName();
  table.MoveFirst();
}

std::vector<Module> contentOf(const ModuleTable& table) {
  std::vector<Module> modules;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    modules.emplace_back(r.nome_Componente.value_or(""), r.Comandos.value_or(""));
  }
  return modules;
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::set<std::string> entriesOf(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

mode_t permissionsOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "trevak-writer-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return m_path; }
  fs::path operator/(const std::string& name) const { return m_path / name; }

 private:
  fs::path m_path;
};

std::string saveToBytes(ModuleTable& table, const HeaderTime& time = kFixedTime) {
  TempFolder folder;
  saveLibrary(table, folder / "out.mod", SaveOptions{time});
  return readBytes(folder / "out.mod");
}

std::string crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text.append(line);
    text.append("\r\n");
  }
  return text;
}

// ---------------------------------------------------------------------------------------------

TEST(LibraryHeader, NameThreeSpacesAndTheDateWithSlashesAndColons) {
  EXPECT_EQ(formatHeaderLine(kFixedTime), kFixedHeader);
  EXPECT_EQ(formatHeaderLine({0, true}), "PCBNEW-LibModule-V1   01/01/1970-00:00:00");
  // The last second of a day, and a leap day.
  EXPECT_EQ(formatHeaderLine({951868799, true}), "PCBNEW-LibModule-V1   29/02/2000-23:59:59");
}

TEST(LibraryHeader, LocalTimeFollowsTheTimeZone) {
  const char* old = std::getenv("TZ");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("TZ", "BRT3", 1);  // three hours behind UTC, no daylight saving
  ::tzset();
  const std::string line = formatHeaderLine({kMarch25, false});
  if (old != nullptr) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
  EXPECT_EQ(line, "PCBNEW-LibModule-V1   25/03/2010-06:04:05");
}

TEST(LibraryHeader, IgnoresTheUsersNumberFormat) {
  struct Grouping : std::numpunct<char> {
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
    char do_decimal_point() const override { return ','; }
  };
  const std::locale old = std::locale::global(std::locale(std::locale::classic(), new Grouping));
  const std::string line = formatHeaderLine(kFixedTime);
  std::locale::global(old);
  EXPECT_EQ(line, kFixedHeader);
}

TEST(LibraryHeader, SourceDateEpochGivesThatMomentInUtc) {
  const HeaderTime t = headerTimeFromSourceDateEpoch("1269507845");
  EXPECT_EQ(t.instant, kMarch25);
  EXPECT_TRUE(t.utc);
  EXPECT_FALSE(headerTimeFromSourceDateEpoch(nullptr).utc);
  EXPECT_FALSE(headerTimeFromSourceDateEpoch("").utc);
  for (const char* bad : {"x", "12x", " 12", "1.5", "-", "99999999999999999999999"}) {
    EXPECT_THROW(headerTimeFromSourceDateEpoch(bad), std::invalid_argument) << bad;
  }
}

// ---------------------------------------------------------------------------------------------

TEST(LibraryWriterFormat, SmallLibraryExactBytes) {
  ModuleTable table;
  fill(table, {{"R1", "Po 0 0\rLi R1\r"}, {"C1", "Po 1 1\r"}});
  EXPECT_EQ(saveToBytes(table),
            crlf({kFixedHeader, "$INDEX", "C1", "R1", "$EndINDEX", "$MODULE C1", "Po 1 1",
                  "$EndMODULE C1", "$MODULE R1", "Po 0 0", "Li R1", "$EndMODULE R1"}));
}

TEST(LibraryWriterFormat, EmptyNamesBodiesAndBlankLines) {
  ModuleTable table;
  fill(table, {{"", ""}, {"B", "\r\r  x\t\r\r"}});
  EXPECT_EQ(saveToBytes(table),
            crlf({kFixedHeader, "$INDEX", "", "B", "$EndINDEX", "$MODULE ", "$EndMODULE ",
                  "$MODULE B", "", "", "  x\t", "", "$EndMODULE B"}));
}

TEST(LibraryWriterFormat, NullFieldsAreWrittenAsEmpty) {
  ModuleTable table;
  table.AppendRecord();
  table.SetField("Comandos", "X\r");
  table.PostRecord();
  EXPECT_EQ(saveToBytes(table),
            crlf({kFixedHeader, "$INDEX", "", "$EndINDEX", "$MODULE ", "X", "$EndMODULE "}));
}

TEST(LibraryWriterFormat, DuplicateNamesAndNamesWithBlanksAreWrittenBare) {
  ModuleTable table;
  fill(table, {{"A", "1\r"}, {"A", "2\r"}, {"my part", "3\r"}});
  EXPECT_EQ(saveToBytes(table),
            crlf({kFixedHeader, "$INDEX", "A", "A", "my part", "$EndINDEX", "$MODULE A", "1",
                  "$EndMODULE A", "$MODULE A", "2", "$EndMODULE A", "$MODULE my part", "3",
                  "$EndMODULE my part"}));
}

TEST(LibraryWriterFormat, BodyLinesBreakAsTheBodyViewShowsThem) {
  ModuleTable table;
  fill(table, {{"M", "a\r\nb\nc\rd"}});
  EXPECT_EQ(saveToBytes(table), crlf({kFixedHeader, "$INDEX", "M", "$EndINDEX", "$MODULE M", "a",
                                      "b", "c", "d", "$EndMODULE M"}));
}

TEST(LibraryWriterFormat, BytesAreWrittenAsStored) {
  ModuleTable table;
  const std::string name = "R\xe9sistor\x01";
  const std::string body = std::string("T0 \xff\x80 \"\xc3\xa7\"\x1b\r", 12);
  fill(table, {{name, body}});
  EXPECT_EQ(saveToBytes(table), crlf({kFixedHeader, "$INDEX", name, "$EndINDEX", "$MODULE " + name,
                                      std::string_view(body).substr(0, 11), "$EndMODULE " + name}));
}

TEST(LibraryWriterFormat, KeepsTableOrderWithoutSorting) {
  ModuleTable table;
  fill(table, {{"b", "\r"}, {"a", "\r"}}, /*sort=*/false);
  const std::string bytes = saveToBytes(table);
  EXPECT_LT(bytes.find("$MODULE b"), bytes.find("$MODULE a"));
  EXPECT_NE(bytes.find("$INDEX\r\nb\r\na\r\n$EndINDEX"), std::string::npos);
}

TEST(LibraryWriterFormat, SettlesARecordLeftOpen) {
  ModuleTable table;
  fill(table, {{"B", "b\r"}});
  table.AppendRecord();
  table.SetField("nome_Componente", "A");
  EXPECT_EQ(saveToBytes(table), crlf({kFixedHeader, "$INDEX", "B", "A", "$EndINDEX", "$MODULE B",
                                      "b", "$EndMODULE B", "$MODULE A", "$EndMODULE A"}));
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.mode(), TableMode::Browse);
}

struct UnitLineCase {
  LengthUnit unit;
  std::vector<std::string_view> lines;
};

void PrintTo(const UnitLineCase& c, std::ostream* os) { *os << static_cast<int>(c.unit); }

class LibraryWriterUnit : public ::testing::TestWithParam<UnitLineCase> {};

// Only a millimetre library says so, on the line after the header, as KiCad writes it.
TEST_P(LibraryWriterUnit, UnitsLineOnlyForMillimetres) {
  ModuleTable table;
  fill(table, {{"R1", "Po -1.27 0\r"}});
  table.setUnit(GetParam().unit);
  const std::string bytes = saveToBytes(table);
  std::string expected;
  for (std::string_view line : GetParam().lines) expected += crlf({line});
  EXPECT_EQ(bytes, expected);

  ModuleTable back;
  MemoryByteSource source(bytes);
  readLibrary(source, back);
  EXPECT_EQ(back.unit(), GetParam().unit == LengthUnit::Millimetre ? LengthUnit::Millimetre
                                                                   : LengthUnit::Decimil);
  EXPECT_EQ(contentOf(back), contentOf(table));
}

INSTANTIATE_TEST_SUITE_P(
    Units, LibraryWriterUnit,
    ::testing::Values(UnitLineCase{LengthUnit::Millimetre,
                                   {kFixedHeader, "Units mm", "$INDEX", "R1", "$EndINDEX",
                                    "$MODULE R1", "Po -1.27 0", "$EndMODULE R1"}},
                      UnitLineCase{LengthUnit::Decimil,
                                   {kFixedHeader, "$INDEX", "R1", "$EndINDEX", "$MODULE R1",
                                    "Po -1.27 0", "$EndMODULE R1"}},
                      UnitLineCase{LengthUnit::None,
                                   {kFixedHeader, "$INDEX", "R1", "$EndINDEX", "$MODULE R1",
                                    "Po -1.27 0", "$EndMODULE R1"}}),
    [](const auto& p) {
      switch (p.param.unit) {
        case LengthUnit::Millimetre:
          return std::string("Millimetre");
        case LengthUnit::Decimil:
          return std::string("Decimil");
        case LengthUnit::None:
          break;
      }
      return std::string("None");
    });

// ---------------------------------------------------------------------------------------------

TEST(LibraryWriterWalk, NotificationsOnlyForTheModulePartAndLastRecordCurrent) {
  ModuleTable table;
  fill(table, {{"A", "a\r"}, {"B", "b\r"}, {"C", "c\r"}});
  table.MoveLast();
  std::vector<int> shown;  // the current record at each notification
  table.setOnDataChange(
      [&](NotificationKind, std::string_view) { shown.push_back(table.currentIndex()); });
  saveToBytes(table);
  // Nothing while the index is written; then the resume shows the first module and each move
  // the next one, as the body view follows the walk.
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(table.currentIndex(), 2);
  EXPECT_TRUE(table.AtEnd());
  EXPECT_EQ(table.suspendCount(), 0);
}

TEST(LibraryWriterWalk, EmptyTableIsRefusedAndNothingIsTouched) {
  TempFolder folder;
  const fs::path target = folder / "lib.mod";
  writeBytes(target, "old");
  ModuleTable table;
  int notifications = 0;
  table.setOnDataChange([&](NotificationKind, std::string_view) { ++notifications; });
  try {
    saveLibrary(table, target, SaveOptions{kFixedTime});
    FAIL() << "an empty library was saved";
  } catch (const EmptyLibraryError& e) {
    EXPECT_STREQ(e.what(), "Biblioteca vazia!");
  }
  EXPECT_EQ(readBytes(target), "old");
  EXPECT_EQ(entriesOf(folder.path()), (std::set<std::string>{"lib.mod"}));
  EXPECT_EQ(notifications, 0);
  EXPECT_THROW(saveLibrary(table, folder / "new.mod", SaveOptions{kFixedTime}), EmptyLibraryError);
  EXPECT_FALSE(fs::exists(folder / "new.mod"));
}

TEST(LibraryWriterWalk, PendingRecordThatHoldsNothingCountsAsEmpty) {
  TempFolder folder;
  ModuleTable table;
  table.AppendRecord();
  EXPECT_THROW(saveLibrary(table, folder / "lib.mod", SaveOptions{kFixedTime}), EmptyLibraryError);
  EXPECT_TRUE(entriesOf(folder.path()).empty());
  EXPECT_EQ(table.suspendCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Replacing the file: what must hold when any step fails.

enum class Step { Create, Write, Flush, Close, Rename };

// The system's files, with one chosen step failing with a chosen error number.
class FaultyFiles : public PosixFileLayer {
 public:
  FaultyFiles(Step step, int error, int failingWrite = 1)
      : m_step(step), m_error(error), m_failingWrite(failingWrite) {}

  int create(const std::string& path, mode_t mode, bool exact, int& handle) override {
    if (m_step == Step::Create) return m_error;
    return PosixFileLayer::create(path, mode, exact, handle);
  }
  int write(int handle, std::string_view data) override {
    ++m_writes;
    if (m_step == Step::Write && m_writes == m_failingWrite) {
      // Half of it reaches the file, as a disk filling up would leave it.
      PosixFileLayer::write(handle, data.substr(0, data.size() / 2));
      return m_error;
    }
    return PosixFileLayer::write(handle, data);
  }
  int flush(int handle) override {
    return m_step == Step::Flush ? m_error : PosixFileLayer::flush(handle);
  }
  int close(int handle) override {
    ++m_closes;
    const int result = PosixFileLayer::close(handle);
    return m_step == Step::Close ? m_error : result;
  }
  int rename(const std::string& from, const std::string& to) override {
    return m_step == Step::Rename ? m_error : PosixFileLayer::rename(from, to);
  }

  int writes() const { return m_writes; }
  int closes() const { return m_closes; }

 private:
  Step m_step;
  int m_error;
  int m_failingWrite;
  int m_writes = 0;
  int m_closes = 0;
};

struct FaultCase {
  const char* label;
  Step step;
  int error;
  int failingWrite;
  const char* text;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.label; }

class LibraryWriterFault : public ::testing::TestWithParam<FaultCase> {};

// Over a megabyte of modules, so that the file takes more than one write.
void fillLarge(ModuleTable& table) {
  std::vector<Module> modules;
  const std::string body(600, 'x');
  for (int i = 0; i < 3000; ++i) {
    // Appending rather than `"M" + std::to_string(i)`: GCC 12 at -O3 reports a false
    // -Wrestrict overlap inside the string insert that the latter inlines.
    std::string name = "M";
    name += std::to_string(i);
    modules.emplace_back(std::move(name), body + "\r");
  }
  fill(table, modules, false);
}

TEST_P(LibraryWriterFault, OldFileStaysAndNothingIsLeftBehind) {
  const FaultCase& c = GetParam();
  for (const bool targetExists : {true, false}) {
    SCOPED_TRACE(targetExists ? "replacing a file" : "new file");
    TempFolder folder;
    const fs::path target = folder / "lib.mod";
    const std::string old = "PCBNEW-LibModule-V1   old\r\n$INDEX\r\n";
    if (targetExists) writeBytes(target, old);
    const std::set<std::string> before = entriesOf(folder.path());

    ModuleTable table;
    fillLarge(table);
    const std::vector<Module> content = contentOf(table);
    int notifications = 0;
    table.setOnDataChange([&](NotificationKind, std::string_view) { ++notifications; });
    FaultyFiles files(c.step, c.error, c.failingWrite);
    try {
      saveLibrary(table, target, SaveOptions{kFixedTime, &files});
      FAIL() << "the save reported success";
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()), c.text);
    }
    // Notifications are on again: the resume at least was sent (a failed create comes before
    // the module walk, so the resume is all), and the next change is sent too.
    if (c.step == Step::Create) {
      EXPECT_EQ(notifications, 1);
    } else {
      EXPECT_GE(notifications, 1);
    }
    const int sent = notifications;
    EXPECT_TRUE(table.LocateName(table.GetField("nome_Componente")));
    EXPECT_EQ(notifications, sent + 1);
    if (targetExists) {
      EXPECT_EQ(readBytes(target), old);
    }
    EXPECT_EQ(entriesOf(folder.path()), before);
    EXPECT_EQ(files.closes(), c.step == Step::Create ? 0 : 1);
    if (c.step == Step::Write) {
      EXPECT_EQ(files.writes(), c.failingWrite);
    }
    EXPECT_EQ(table.suspendCount(), 0);
    EXPECT_EQ(contentOf(table), content);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, LibraryWriterFault,
    ::testing::Values(FaultCase{"CreateDenied", Step::Create, EACCES, 0, "File access denied"},
                      FaultCase{"CreateNoSpace", Step::Create, ENOSPC, 0, "Disk full"},
                      FaultCase{"FirstWriteNoSpace", Step::Write, ENOSPC, 1, "Disk full"},
                      FaultCase{"SecondWriteQuota", Step::Write, EDQUOT, 2, "Disk full"},
                      FaultCase{"WriteDeviceError", Step::Write, EIO, 1, "I/O error 5 (input/output error)"},
                      FaultCase{"FlushDeviceError", Step::Flush, EIO, 0, "I/O error 5 (input/output error)"},
                      FaultCase{"FlushNoSpace", Step::Flush, ENOSPC, 0, "Disk full"},
                      FaultCase{"CloseNoSpace", Step::Close, ENOSPC, 0, "Disk full"},
                      FaultCase{"RenameDenied", Step::Rename, EACCES, 0, "File access denied"},
                      FaultCase{"RenameAcrossDevices", Step::Rename, EXDEV, 0, "I/O error 18 (invalid cross-device link)"}),
    [](const ::testing::TestParamInfo<FaultCase>& param) { return param.param.label; });

// Writes go to /dev/full, so the kernel itself reports the full disk.
class DevFullFiles : public PosixFileLayer {
 public:
  explicit DevFullFiles(int full) : m_full(full) {}
  int write(int, std::string_view data) override { return PosixFileLayer::write(m_full, data); }

 private:
  int m_full;
};

TEST(LibraryWriterSystem, FullDiskFromTheKernel) {
  const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  if (full < 0) GTEST_SKIP() << "/dev/full cannot be opened on this system";
  TempFolder folder;
  const fs::path target = folder / "lib.mod";
  writeBytes(target, "old");
  ModuleTable table;
  fill(table, {{"A", "a\r"}});
  DevFullFiles files(full);
  try {
    saveLibrary(table, target, SaveOptions{kFixedTime, &files});
    ADD_FAILURE() << "the save reported success";
  } catch (const IoError& e) {
    EXPECT_STREQ(e.what(), "Disk full");
  }
  ::close(full);
  EXPECT_EQ(readBytes(target), "old");
  EXPECT_EQ(entriesOf(folder.path()), (std::set<std::string>{"lib.mod"}));
}

std::string saveError(ModuleTable& table, const fs::path& target);

// A small tmpfs of its own, mounted for the life of the object when the test runs as root
// and the system lets it mount; mounted() says whether it did.
class SmallFileSystem {
 public:
  SmallFileSystem(const fs::path& where, const std::string& options) : m_path(where) {
    fs::create_directory(m_path);
    if (::geteuid() != 0) {
      m_why = "mounting a file system needs root";
      return;
    }
    if (::mount("tmpfs", m_path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      m_why = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
      return;
    }
    m_mounted = true;
  }
  ~SmallFileSystem() {
    if (m_mounted && ::umount2(m_path.c_str(), 0) != 0) ::umount2(m_path.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool mounted() const { return m_mounted; }
  const std::string& whyNot() const { return m_why; }

 private:
  fs::path m_path;
  bool m_mounted = false;
  std::string m_why;
};

TEST(LibraryWriterSystem, FullFileSystem) {
  TempFolder folder;
  const std::string old = "PCBNEW-LibModule-V1   old\r\n$INDEX\r\n$EndINDEX\r\n";
  ModuleTable table;
  fillLarge(table);  // far more than either file system holds
  const std::vector<Module> content = contentOf(table);
  struct Case {
    const char* folder;
    const char* options;
  };
  // Room for the old file but not the new one; then no free inode for the new file at all.
  for (const Case c : {Case{"no-space", "size=64k,mode=0755"},
                       Case{"no-inode", "size=4m,nr_inodes=2,mode=0755"}}) {
    SCOPED_TRACE(c.folder);
    const fs::path mountPoint = folder / c.folder;
    SmallFileSystem small(mountPoint, c.options);
    if (!small.mounted()) GTEST_SKIP() << "no small file system to fill: " << small.whyNot();
    const fs::path target = mountPoint / "lib.mod";
    writeBytes(target, old);
    ASSERT_EQ(readBytes(target), old);
    int notifications = 0;
    table.setOnDataChange([&](NotificationKind, std::string_view) { ++notifications; });
    EXPECT_EQ(saveError(table, target), "Disk full");
    EXPECT_EQ(readBytes(target), old);
    EXPECT_EQ(entriesOf(mountPoint), (std::set<std::string>{"lib.mod"}));
    EXPECT_EQ(table.suspendCount(), 0);
    EXPECT_GE(notifications, 1);
    EXPECT_EQ(contentOf(table), content);
  }
}

std::string saveError(ModuleTable& table, const fs::path& target) {
  try {
    saveLibrary(table, target, SaveOptions{kFixedTime});
  } catch (const IoError& e) {
    return e.what();
  }
  return "saved";
}

TEST(LibraryWriterSystem, TargetsThatCannotBeWritten) {
  TempFolder folder;
  ModuleTable table;
  fill(table, {{"A", "a\r"}});
  fs::create_directory(folder / "lib.mod");
  EXPECT_EQ(saveError(table, folder / "lib.mod"), "File access denied");
  EXPECT_TRUE(fs::is_empty(folder / "lib.mod"));
  EXPECT_EQ(saveError(table, folder / "missing" / "lib.mod"), "File not found");
  EXPECT_EQ(saveError(table, ""), "Invalid filename");
  EXPECT_EQ(saveError(table, (folder / "lib.mod").string() + std::string(1, '\0') + "x"),
            "Invalid filename");
  EXPECT_EQ(saveError(table, folder.path().string() + "/"), "File access denied");
  EXPECT_EQ(saveError(table, "/dev/null"), "File access denied");
  EXPECT_EQ(entriesOf(folder.path()), (std::set<std::string>{"lib.mod"}));
}

TEST(LibraryWriterSystem, WriteProtectedFileAndFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "running as root, which ignores permission bits";
  TempFolder folder;
  ModuleTable table;
  fill(table, {{"A", "a\r"}});
  const fs::path target = folder / "lib.mod";
  writeBytes(target, "old");
  ::chmod(target.c_str(), 0444);
  EXPECT_EQ(saveError(table, target), "File access denied");
  EXPECT_EQ(readBytes(target), "old");
  ::chmod(target.c_str(), 0644);
  ::chmod(folder.path().c_str(), 0555);
  EXPECT_EQ(saveError(table, target), "File access denied");
  ::chmod(folder.path().c_str(), 0755);
  EXPECT_EQ(readBytes(target), "old");
  EXPECT_EQ(entriesOf(folder.path()), (std::set<std::string>{"lib.mod"}));
}

TEST(LibraryWriterSystem, ReplacedFileKeepsItsPermissionBits) {
  TempFolder folder;
  ModuleTable table;
  fill(table, {{"A", "a\r"}});
  const fs::path target = folder / "lib.mod";
  for (const mode_t mode : {mode_t{0640}, mode_t{0604}, mode_t{0600}}) {
    writeBytes(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), mode), 0);
    saveLibrary(table, target, SaveOptions{kFixedTime});
    EXPECT_EQ(permissionsOf(target), mode);
    EXPECT_NE(readBytes(target), "old");
  }
  EXPECT_EQ(entriesOf(folder.path()), (std::set<std::string>{"lib.mod"}));
}

// The owner and group of the replaced file stay (a save by root, or by a member of a shared
// group); where the system refuses the owner, the group is still kept and the loss is told.
TEST(LibraryWriterSystem, ReplacedFileKeepsItsOwnerAndGroup) {
  TempFolder folder;
  ModuleTable table;
  fill(table, {{"A", "a\r"}});
  const fs::path target = folder / "lib.mod";
  writeBytes(target, "old");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(target.c_str(), 4321, 8765), 0);
    SaveOwnership ownership;
    SaveOptions options{kFixedTime};
    options.ownership = &ownership;
    saveLibrary(table, target, options);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
    EXPECT_FALSE(ownership.ownerLost);
    EXPECT_NE(readBytes(target), "old");
  }
  // A system that refuses to give the file away: saved all the same, the loss told.
  class NoGiving final : public PosixFileLayer {
   public:
    int setOwner(int handle, uid_t owner, gid_t group) override {
      if (owner != static_cast<uid_t>(-1)) return EPERM;
      return PosixFileLayer::setOwner(handle, owner, group);
    }
  } files;
  writeBytes(target, "old");
  SaveOwnership ownership;
  SaveOptions options{kFixedTime, &files};
  options.ownership = &ownership;
  saveLibrary(table, target, options);
  EXPECT_NE(readBytes(target), "old");
  EXPECT_TRUE(ownership.ownerLost);
  EXPECT_FALSE(ownership.groupLost);
  EXPECT_EQ(entriesOf(folder.path()), (std::set<std::string>{"lib.mod"}));
}

TEST(LibraryWriterSystem, NewFileGetsTheUsualBitsLessTheUmask) {
  TempFolder folder;
  ModuleTable table;
  fill(table, {{"A", "a\r"}});
  const mode_t old = ::umask(027);
  saveLibrary(table, folder / "new.mod", SaveOptions{kFixedTime});
  ::umask(old);
  EXPECT_EQ(permissionsOf(folder / "new.mod"), mode_t{0640});
}

TEST(LibraryWriterSystem, SymbolicLinkKeepsPointingAtTheReplacedFile) {
  TempFolder folder;
  fs::create_directory(folder / "real");
  fs::create_directory(folder / "links");
  const fs::path real = folder / "real" / "lib.mod";
  writeBytes(real, "old");
  ::chmod(real.c_str(), 0640);
  fs::create_symlink("../real/lib.mod", folder / "links" / "relative.mod");
  fs::create_symlink(real, folder / "links" / "absolute.mod");
  fs::create_symlink("absolute.mod", folder / "links" / "chained.mod");

  ModuleTable table;
  fill(table, {{"A", "a\r"}});
  const std::string expected = saveToBytes(table);
  for (const char* link : {"relative.mod", "absolute.mod", "chained.mod"}) {
    SCOPED_TRACE(link);
    writeBytes(real, "old");
    saveLibrary(table, folder / "links" / link, SaveOptions{kFixedTime});
    EXPECT_TRUE(fs::is_symlink(folder / "links" / link));
    EXPECT_EQ(readBytes(real), expected);
    EXPECT_EQ(permissionsOf(real), mode_t{0640});
  }
  EXPECT_EQ(entriesOf(folder / "real"), (std::set<std::string>{"lib.mod"}));
  EXPECT_EQ(entriesOf(folder / "links"),
            (std::set<std::string>{"relative.mod", "absolute.mod", "chained.mod"}));
}

TEST(LibraryWriterSystem, DanglingLinkCreatesItsFileAndLoopIsAnError) {
  TempFolder folder;
  fs::create_symlink("target.mod", folder / "link.mod");
  fs::create_symlink("loop2.mod", folder / "loop1.mod");
  fs::create_symlink("loop1.mod", folder / "loop2.mod");
  ModuleTable table;
  fill(table, {{"A", "a\r"}});
  saveLibrary(table, folder / "link.mod", SaveOptions{kFixedTime});
  EXPECT_TRUE(fs::is_symlink(folder / "link.mod"));
  EXPECT_TRUE(fs::is_regular_file(folder / "target.mod"));
  EXPECT_EQ(saveError(table, folder / "loop1.mod"), "I/O error 40 (a link loop, or too many links in the path)");
}

// ---------------------------------------------------------------------------------------------
// Round trip over real libraries.

fs::path corpusFolder() { return fs::path(TREVAK_CORPUS_DIR); }

std::vector<fs::path> corpusFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(corpusFolder())) {
    if (entry.is_regular_file() && entry.path().extension() == ".mod") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}


using ModuleLines = std::pair<std::string, std::vector<std::string>>;

std::vector<ModuleLines> linesOf(const ModuleTable& table) {
  std::vector<ModuleLines> modules;
  for (const auto& [name, body] : contentOf(table)) {
    std::vector<std::string> lines;
    for (std::string_view line : splitBodyLines(body)) lines.emplace_back(line);
    modules.emplace_back(name, std::move(lines));
  }
  return modules;
}

TEST(LibraryWriterCorpus, EveryLibraryLoadsBackIntoTheSameModules) {
  ASSERT_TRUE(fs::is_directory(corpusFolder()))
      << "the corpus of real libraries is missing: " << corpusFolder();
  const std::vector<fs::path> files = corpusFiles();
  ASSERT_FALSE(files.empty()) << "no *.mod file under " << corpusFolder();
  TempFolder folder;
  int saved = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    ModuleTable first;
    loadLibraryFile(file.string(), first);
    if (first.IsEmpty()) continue;  // nothing the reader takes as a module: nothing to save

    const fs::path once = folder / "once.mod";
    saveLibrary(first, once, SaveOptions{kFixedTime});
    const std::string bytes = readBytes(once);
    ModuleTable second;
    loadLibraryFile(once.string(), second);

    // Every name comes back whole, blanks and quotes included, in the same order.
    EXPECT_EQ(linesOf(second), linesOf(first));
    // A millimetre library stays one: its lengths mean what they meant.
    EXPECT_EQ(second.unit(), first.unit());
    const bool unitLine = bytes.find("\r\nUnits mm\r\n$INDEX\r\n") == bytes.find("\r\n");
    EXPECT_EQ(unitLine, first.unit() == LengthUnit::Millimetre);

    // The index lists exactly the modules, in table order, right after the header (and the
    // unit line of a millimetre library).
    std::vector<std::string> index;
    std::size_t at = bytes.find("\r\n") + 2;
    if (unitLine) at += std::string_view("Units mm\r\n").size();
    ASSERT_EQ(bytes.compare(at, 8, "$INDEX\r\n"), 0);
    for (at += 8; bytes.compare(at, 11, "$EndINDEX\r\n") != 0 && at < bytes.size();) {
      const std::size_t end = bytes.find("\r\n", at);
      index.push_back(bytes.substr(at, end - at));
      at = end + 2;
    }
    std::vector<std::string> names;
    for (const auto& [name, body] : contentOf(first)) names.push_back(name);
    EXPECT_EQ(index, names);
    EXPECT_EQ(bytes.compare(at + 11, 8, "$MODULE "), 0);

    // Every line ends in CR LF, the last one included, and no CR or LF stands alone.
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    std::size_t loneBreaks = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) ++loneBreaks;
      if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) ++loneBreaks;
    }
    EXPECT_EQ(loneBreaks, 0u);

    // Saved again at another time: only the date differs.
    const fs::path twice = folder / "twice.mod";
    saveLibrary(second, twice, SaveOptions{{kMarch25 + 86400 + 3600, true}});
    const std::string previous = bytes;
    const std::string again = readBytes(twice);
    const std::size_t headerEnd = previous.find("\r\n");
    EXPECT_EQ(again.substr(0, headerEnd), "PCBNEW-LibModule-V1   26/03/2010-10:04:05");
    EXPECT_EQ(again.substr(headerEnd), previous.substr(headerEnd));
    ++saved;
  }
  EXPECT_GT(saved, 0);
}

}  // namespace
}  // namespace trevak
