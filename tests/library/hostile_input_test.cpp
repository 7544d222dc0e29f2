// SPDX-License-Identifier: GPL-3.0-or-later
// Huge and hostile libraries: each loads (and saves) without a crash, in bounded time and with
// memory of a small multiple of its size. Inputs are made on the fly by a byte source, so the
// memory measured is the reader's own; under the sanitizers they are scaled down.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/body_lines.h"
#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/library_writer.h"
#include "library/module_table.h"
#include "tests/common/resource_use.h"

namespace trevak {
namespace {

using test::kMiB;
using test::kSanitizerSlack;
using test::kUnderSanitizer;
using test::PeakMemory;
using test::Stopwatch;

// Generous: a guard against hangs on a loaded two-core machine, not a benchmark.
constexpr double kSecondsAllowed = 60;

// `head`, then `length` bytes that repeat `unit`, then `tail`, handed out in reads of any size.
class GeneratedSource final : public ByteSource {
 public:
  GeneratedSource(std::string head, std::string unit, std::size_t length, std::string tail)
      : m_head(std::move(head)),
        m_unit(std::move(unit)),
        m_length(length),
        m_tail(std::move(tail)) {}

  std::size_t read(char* buffer, std::size_t size) override {
    std::size_t n = 0;
    while (n < size) {
      const std::size_t total = m_head.size() + m_length + m_tail.size();
      if (m_pos >= total) break;
      if (m_pos < m_head.size()) {
        n += take(buffer + n, size - n, m_head, m_pos);
      } else if (m_pos < m_head.size() + m_length) {
        const std::size_t inBody = m_pos - m_head.size();
        const std::size_t want = std::min(size - n, m_length - inBody);
        for (std::size_t k = 0; k < want; ++k) buffer[n + k] = m_unit[(inBody + k) % m_unit.size()];
        n += want;
        m_pos += want;
      } else {
        n += take(buffer + n, size - n, m_tail, m_pos - m_head.size() - m_length);
      }
    }
    return n;
  }

  std::size_t size() const { return m_head.size() + m_length + m_tail.size(); }

 private:
  std::size_t take(char* buffer, std::size_t room, const std::string& part, std::size_t from) {
    const std::size_t n = std::min(room, part.size() - from);
    std::memcpy(buffer, part.data() + from, n);
    m_pos += n;
    return n;
  }

  std::string m_head;
  std::string m_unit;
  std::size_t m_length;
  std::string m_tail;
  std::size_t m_pos = 0;
};

// Loads the source and checks the time and memory it took: at most `perByte` times its size
// plus `perModule` bytes for each module read, plus a fixed allowance.
void loadWithinBounds(GeneratedSource& source, ModuleTable& table, double perByte,
                      std::size_t perModule = 0) {
  const PeakMemory memory;
  const Stopwatch clock;
  loadLibrary(source, table);
  const double seconds = clock.seconds();
  const std::size_t grown = memory.growth();
  const auto allowed = static_cast<std::size_t>(perByte * static_cast<double>(source.size())) +
                       perModule * static_cast<std::size_t>(table.RecordCount()) + 64 * kMiB +
                       kSanitizerSlack;
  EXPECT_LT(seconds, kSecondsAllowed);
  EXPECT_LT(grown, allowed) << "peak growth " << grown / kMiB << " MiB for " << source.size() / kMiB
                            << " MiB of input";
}

// A line past 16 MB is refused wherever it stands, and the reader stops there: it neither
// holds the whole line nor reads the rest of the input.
TEST(HostileLibrary, OneLineOfHundredsOfMegabytesWithoutALineEndIsRefused) {
  const std::size_t length = (kUnderSanitizer ? 20 : 200) * kMiB;
  struct Case {
    const char* where;
    const char* head;
    const char* unit;
  };
  for (const Case& c : {Case{"outside a module", "PCBNEW-LibModule-V1", "x"},
                        Case{"as the name", "$MODULE ", "N"},
                        Case{"as a body line of a module left open", "$MODULE big\r\n",
                             "DS 0 0 1 1 "}}) {
    SCOPED_TRACE(c.where);
    GeneratedSource source(c.head, c.unit, length, "");
    ModuleTable table;
    const PeakMemory memory;
    try {
      loadLibrary(source, table);
      ADD_FAILURE() << "no error";
    } catch (const trevak::IoError& e) {
      EXPECT_EQ(e.code(), trevak::kLineTooLong);
    }
    EXPECT_LT(memory.growth(), 64 * kMiB + kSanitizerSlack);
    EXPECT_TRUE(table.IsEmpty());
  }
}

TEST(HostileLibrary, LineOfAHundredThousandBlanksAndTokens) {
  std::string blanks(100000, ' ');
  std::string tokens;
  for (int i = 0; i < 50000; ++i) tokens += i % 3 == 0 ? "\"q q\" " : "t ";
  const std::string bytes = "$MODULE " + blanks + "name " + tokens + "\r\n" + tokens + blanks +
                            "\r\n" + blanks + "\r\n$EndMODULE\r\n$MODULE" + blanks + "\r\n";
  ModuleTable table;
  const Stopwatch clock;
  MemoryByteSource source(bytes);
  loadLibrary(source, table);
  EXPECT_LT(clock.seconds(), kSecondsAllowed);
  ASSERT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(*table.recordAt(0).nome_Componente, "");
  EXPECT_EQ(*table.recordAt(0).Comandos, "");
  EXPECT_EQ(*table.recordAt(1).nome_Componente, "name " + tokens.substr(0, tokens.size() - 1));
  EXPECT_EQ(*table.recordAt(1).Comandos, tokens + blanks + "\r" + blanks + "\r");
}

TEST(HostileLibrary, AMillionEmptyModules) {
  const std::size_t count = kUnderSanitizer ? 200000 : 1000000;
  const std::string unit = "$MODULE m\r\n$EndMODULE m\r\n";
  GeneratedSource source("PCBNEW-LibModule-V1\r\n", unit, unit.size() * count, "");
  ModuleTable table;
  // Each record costs its bookkeeping and its name's collation key, whatever its size.
  loadWithinBounds(source, table, 2, 512);
  ASSERT_EQ(table.RecordCount(), static_cast<int>(count));
  EXPECT_EQ(table.recordAt(static_cast<int>(count) - 1).creationNumber, count);
  EXPECT_EQ(table.currentIndex(), 0);
}

TEST(HostileLibrary, AModuleOfFiftyMegabytes) {
  const std::size_t length = (kUnderSanitizer ? 10 : 50) * kMiB;
  const std::string line = "DS -1500 -1000 1500 -1000 120 21\r\n";
  const std::size_t lines = length / line.size();
  GeneratedSource source("$MODULE big\r\n", line, lines * line.size(), "$EndMODULE big\r\n");
  ModuleTable table;
  loadWithinBounds(source, table, 4);
  ASSERT_EQ(table.RecordCount(), 1);
  const std::string& body = *table.recordAt(0).Comandos;
  ASSERT_EQ(body.size(), lines * (line.size() - 1));
  EXPECT_EQ(body.substr(0, line.size() - 1), "DS -1500 -1000 1500 -1000 120 21\r");
  EXPECT_EQ(std::count(body.begin(), body.end(), '\r'), static_cast<std::ptrdiff_t>(lines));
}

TEST(HostileLibrary, ModuleLinesOfTenThousandCharacters) {
  const std::size_t count = 2000;
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) {
    std::string name(10000 - 8, static_cast<char>('A' + i % 26));
    name.replace(0, 4, std::to_string(1000 + i));
    bytes += "$MODULE " + name + "\r\nPo 0 0\r\n$EndMODULE " + name + "\r\n";
  }
  ModuleTable table;
  const PeakMemory memory;
  const Stopwatch clock;
  MemoryByteSource source(bytes);
  loadLibrary(source, table);
  EXPECT_LT(clock.seconds(), kSecondsAllowed);
  EXPECT_LT(memory.growth(), 3 * bytes.size() + 64 * kMiB + kSanitizerSlack);
  ASSERT_EQ(table.RecordCount(), static_cast<int>(count));
  for (int row = 0; row < table.RecordCount(); ++row) {
    const std::string& name = *table.recordAt(row).nome_Componente;
    ASSERT_EQ(name.size(), 10000u - 8);
    EXPECT_EQ(name.substr(0, 4), std::to_string(1000 + row));
  }
}

// ---------------------------------------------------------------------------------------------
// NUL bytes.

// The files a save writes, kept in memory.
class MemoryFiles final : public SaveFileLayer {
 public:
  int create(const std::string& path, mode_t, bool, int& handle) override {
    if (m_files.count(path) != 0) return EEXIST;
    m_files[path];
    handle = static_cast<int>(m_handles.size());
    m_handles.push_back(path);
    return 0;
  }
  int write(int handle, std::string_view data) override {
    m_files[m_handles[static_cast<std::size_t>(handle)]].append(data);
    return 0;
  }
  int flush(int) override { return 0; }
  int close(int) override { return 0; }
  int rename(const std::string& from, const std::string& to) override {
    m_files[to] = std::move(m_files[from]);
    m_files.erase(from);
    return 0;
  }
  int remove(const std::string& path) override { return m_files.erase(path) == 1 ? 0 : ENOENT; }

  const std::string& bytes(const std::string& path) { return m_files[path]; }
  std::size_t fileCount() const { return m_files.size(); }

 private:
  std::map<std::string, std::string> m_files;
  std::vector<std::string> m_handles;
};

const std::string kNowhere = "/nonexistent-trevak-test/lib.mod";  // no such folder

TEST(HostileLibrary, NulBytesEndANameButStayInABodyThroughASave) {
  using namespace std::string_literals;
  const std::string bytes =
      "$MODULE ab\0cd\r\nT0 0 0 1 1 0 1 N V 21 N \"x\0y\"\r\n\0\r\n"
      "$EndMODULE ab\0cd\r\n$MODULE \0\r\n\0\0\0\r\n$EndMODULE\r\n"s;
  ModuleTable table;
  MemoryByteSource source(bytes);
  loadLibrary(source, table);
  ASSERT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(*table.recordAt(0).nome_Componente, "");
  EXPECT_EQ(*table.recordAt(0).Comandos, "\0\0\0\r"s);
  EXPECT_EQ(*table.recordAt(1).nome_Componente, "ab");
  EXPECT_EQ(*table.recordAt(1).Comandos, "T0 0 0 1 1 0 1 N V 21 N \"x\0y\"\r\0\r"s);

  MemoryFiles files;
  saveLibrary(table, kNowhere, SaveOptions{HeaderTime{0, true}, &files});
  ASSERT_EQ(files.fileCount(), 1u);
  ModuleTable again;
  MemoryByteSource savedSource(files.bytes(kNowhere));
  loadLibrary(savedSource, again);
  ASSERT_EQ(again.RecordCount(), 2);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(again.recordAt(row).nome_Componente, table.recordAt(row).nome_Componente);
    EXPECT_EQ(again.recordAt(row).Comandos, table.recordAt(row).Comandos);
  }
}

TEST(HostileLibrary, SavingAModuleOfFiftyMegabytes) {
  const std::size_t length = (kUnderSanitizer ? 10 : 50) * kMiB;
  const std::string line = "DS -1500 -1000 1500 -1000 120 21\r";
  std::string body;
  body.reserve(length + line.size());
  while (body.size() < length) body += line;
  ModuleTable table;
  table.AppendRecord();
  table.SetField("nome_Componente", "big");
  table.SetField("Comandos", body);
  table.PostRecord();
  body = std::string();

  MemoryFiles files;
  const PeakMemory memory;
  const Stopwatch clock;
  saveLibrary(table, kNowhere, SaveOptions{HeaderTime{0, true}, &files});
  EXPECT_LT(clock.seconds(), kSecondsAllowed);
  const std::string& saved = files.bytes(kNowhere);
  // The file itself is held in memory here (twice at most while it grows), besides the
  // writer's own use.
  EXPECT_LT(memory.growth(), 2 * saved.size() + 3 * length + 64 * kMiB + kSanitizerSlack);
  ModuleTable again;
  MemoryByteSource source(saved);
  loadLibrary(source, again);
  ASSERT_EQ(again.RecordCount(), 1);
  EXPECT_EQ(again.recordAt(0).Comandos, table.recordAt(0).Comandos);
}

}  // namespace
}  // namespace trevak
