// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "library/io_error.h"
#include "library/load_warnings.h"
#include "library/module_table.h"
#include "library/tokenizer.h"

namespace trevak {

namespace {

constexpr char kCtrlZ = '\x1A';
// Large enough that a file takes few reads, small enough to come from the allocator's cache:
// a block mapped and zeroed afresh for every load made loading small libraries slow.
constexpr std::size_t kReadBlock = std::size_t{1} << 16;

enum class Keyword { Module, EndModule, Units, Other };

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }
bool isControlOrSpace(char c) { return static_cast<unsigned char>(c) <= 32; }

// Only a to z change case: the keyword test must not depend on any locale.
bool keywordEquals(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    const char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    if (u != upper[i]) return false;
  }
  return true;
}

// The first word of the line (blanks and TABs separate words), without the control characters
// and blanks at its ends, compared as capitals.
Keyword keywordOf(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && isBlankOrTab(line[i])) ++i;
  std::size_t j = i;
  while (j < line.size() && !isBlankOrTab(line[j])) ++j;
  while (i < j && isControlOrSpace(line[i])) ++i;
  while (j > i && isControlOrSpace(line[j - 1])) --j;
  const std::string_view word = line.substr(i, j - i);
  if (keywordEquals(word, "$MODULE")) return Keyword::Module;
  if (keywordEquals(word, "$ENDMODULE")) return Keyword::EndModule;
  if (keywordEquals(word, "UNITS")) return Keyword::Units;
  return Keyword::Other;
}

// Turns lines into records. The tokenizer keeps TABs as ordinary characters; on the lines whose
// words the reader takes apart, a TAB separates words ("$MODULE\tname" is written by some tools).
class ModuleCollector {
 public:
  ModuleCollector(ModuleTable& table, ReadObserver* observer)
      : m_table(table), m_observer(observer) {}

  void line(std::string_view text) {
    if (m_observer != nullptr) m_observer->line(text);
    const Keyword keyword = keywordOf(text);
    if (keyword == Keyword::Units && !m_inModule && ascii(secondWord(text)) == "MM") {
      m_table.setUnit(LengthUnit::Millimetre);
    }
    if (keyword == Keyword::Module) {
      if (m_inModule) storeUnclosedModule();
      const std::string_view name = secondWord(text);
      if (m_observer != nullptr) m_observer->moduleOpened(text, name);
      m_table.AppendRecord();
      m_table.SetField("nome_Componente", name);
      m_inModule = true;
    }
    if (keyword == Keyword::EndModule && m_inModule) storeModule();
    if (keyword != Keyword::Module && m_inModule) {
      m_body.append(text);
      m_body.push_back('\r');
    }
  }

  // A module still open at the end of the input keeps what was gathered.
  void finish() {
    if (m_inModule) storeUnclosedModule();
  }

 private:
  std::string_view secondWord(std::string_view text) {
    if (text.find('\t') == std::string_view::npos) {
      separa_tokens(m_tokens, text);
    } else {
      m_scratch.assign(text);
      std::replace(m_scratch.begin(), m_scratch.end(), '\t', ' ');
      separa_tokens(m_tokens, m_scratch);
    }
    return m_tokens.texto(2);
  }

  static std::string ascii(std::string_view word) {
    std::string up(word);
    for (char& c : up) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return up;
  }

  void storeUnclosedModule() {
    if (m_observer != nullptr) m_observer->moduleUnclosed();
    storeModule();
  }

  void storeModule() {
    m_table.SetField("comandos", m_body);
    m_table.PostRecord();
    m_inModule = false;
    m_body.clear();
  }

  ModuleTable& m_table;
  ReadObserver* m_observer;
  Tokens m_tokens;
  std::string m_scratch;
  std::string m_body;
  bool m_inModule = false;
};

}  // namespace

MemoryByteSource::MemoryByteSource(std::string_view bytes, std::size_t chunk)
    : m_bytes(bytes), m_chunk(std::max<std::size_t>(chunk, 1)) {}

std::size_t MemoryByteSource::read(char* buffer, std::size_t size) {
  const std::size_t n = std::min({size, m_chunk, m_bytes.size() - m_pos});
  std::memcpy(buffer, m_bytes.data() + m_pos, n);
  m_pos += n;
  return n;
}

FileByteSource::FileByteSource(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) throw invalidFilenameError();
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw ioErrorFromErrno(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int e = errno;
    ::close(fd);
    throw ioErrorFromErrno(e);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw ioErrorFromErrno(EISDIR);
  }
  m_fd = fd;
}

FileByteSource::~FileByteSource() {
  if (m_fd >= 0) ::close(m_fd);
}

std::size_t FileByteSource::read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(m_fd, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw ioErrorFromErrno(errno);
  }
}

void FileByteSource::close() {
  if (m_fd < 0) return;
  const int fd = m_fd;
  m_fd = -1;
  // On Linux the descriptor is gone even when close reports EINTR; do not retry.
  if (::close(fd) != 0 && errno != EINTR) throw ioErrorFromErrno(errno);
}

void readLibrary(ByteSource& source, ModuleTable& table, ReadObserver* observer) {
  NotificationSuspension pause(table);
  table.Clear();
  table.setUnit(LengthUnit::Decimil);
  ModuleCollector collector(table, observer);

  const auto block = std::make_unique_for_overwrite<char[]>(kReadBlock);
  std::string carry;     // the start of a line that continues in the next block
  bool afterCr = false;  // the last block ended in CR: an LF opening the next one belongs to it
  bool stopped = false;  // Ctrl-Z met
  while (!stopped) {
    const std::size_t got = source.read(block.get(), kReadBlock);
    if (got == 0) break;
    const char* p = block.get();
    const char* const end = p + got;
    if (afterCr && *p == '\n') ++p;
    afterCr = false;
    const char* start = p;
    for (; p < end; ++p) {
      const char c = *p;
      if (c != '\r' && c != '\n' && c != kCtrlZ) continue;
      std::string_view text(start, static_cast<std::size_t>(p - start));
      if (!carry.empty()) {
        carry.append(text);
        text = carry;
      }
      if (c == kCtrlZ) {
        // The text before it is the last line, if there is any.
        if (!text.empty()) collector.line(text);
        stopped = true;
        break;
      }
      collector.line(text);
      carry.clear();
      if (c == '\r') {
        if (p + 1 < end) {
          if (p[1] == '\n') ++p;
        } else {
          afterCr = true;
        }
      }
      start = p + 1;
    }
    if (!stopped) carry.append(start, static_cast<std::size_t>(end - start));
  }
  // The last line needs no terminator.
  if (!stopped && !carry.empty()) collector.line(carry);
  collector.finish();

  table.SortByName();
  table.MoveFirst();
}

void loadLibrary(ByteSource& source, ModuleTable& table, ReadObserver* observer) {
  ModuleTable fresh;
  readLibrary(source, fresh, observer);
  source.close();
  if (observer != nullptr) observer->finished(fresh);
  NotificationSuspension pause(table);
  table.replaceContent(std::move(fresh));
  table.MoveFirst();
}

void loadLibraryFile(const std::string& path, ModuleTable& table, LoadWarnings* warnings) {
  FileByteSource source(path);
  LoadWarnings own;
  LoadWarnings& seen = warnings != nullptr ? *warnings : own;
  seen.start(path);
  loadLibrary(source, table, &seen);
}

}  // namespace trevak
