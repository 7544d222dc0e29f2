// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// No library comes near a line this long; a longer one (a file of zeros, a device that never
// ends a line) is refused before it fills the memory.
constexpr std::size_t kLineLimit = std::size_t{16} << 20;

IoError lineTooLongError() {
  return IoError(kLineTooLong, "A line longer than 16 MB: not a footprint library");
}

enum class Keyword { Module, EndModule, Units, Index, Other };

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

bool startsWithKeyword(std::string_view text, std::string_view upper) {
  return text.size() >= upper.size() && keywordEquals(text.substr(0, upper.size()), upper);
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
  if (keywordEquals(word, "$INDEX")) return Keyword::Index;
  return Keyword::Other;
}

// False only for a line whose first word cannot be a keyword: it starts with a printable
// character, which trimming keeps, and no keyword starts there. That settles nearly every body
// line without taking its first word apart.
bool mayHoldKeyword(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && isBlankOrTab(line[i])) ++i;
  if (i == line.size() || isControlOrSpace(line[i])) return true;
  const std::string_view rest = line.substr(i);
  switch (rest[0]) {
    case '$':
      return startsWithKeyword(rest, "$MODULE") || startsWithKeyword(rest, "$ENDMODULE") ||
             startsWithKeyword(rest, "$INDEX");
    case 'U':
    case 'u':
      return startsWithKeyword(rest, "UNITS");
    default:
      return false;
  }
}

// KiCad's legacy test of a line's keyword: the word at the start of the line, ASCII letters in
// any case, followed by a blank, a TAB or the line's end.
bool kicadKeyword(std::string_view line, std::string_view upper) {
  if (!startsWithKeyword(line, upper)) return false;
  return line.size() == upper.size() || isBlankOrTab(line[upper.size()]);
}

// True when KiCad 6 reads `line` as "the lengths are millimetres": its keyword "Units" (see
// kicadKeyword) and then, after blanks and TABs, the word "mm" in small letters.
// A Units line that names millimetres in some spelling ("MM", "Millimetres"...): when KiCad
// does not take it, the library means millimetres and KiCad reads decimils, which check
// reports. A line naming decimils says what KiCad reads anyway.
bool namesMillimetres(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
  i += 5;  // "Units", in any case
  while (i < line.size() && isBlankOrTab(line[i])) ++i;
  if (i + 1 >= line.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return lower(line[i]) == 'm' && (lower(line[i + 1]) == 'm' || lower(line[i + 1]) == 'i');
}

bool kicadReadsMillimetres(std::string_view line) {
  if (!kicadKeyword(line, "UNITS")) return false;
  std::size_t i = 5;
  while (i < line.size() && isBlankOrTab(line[i])) ++i;
  std::size_t j = i;
  while (j < line.size() && !isBlankOrTab(line[j])) ++j;
  return line.substr(i, j - i) == "mm";
}

// The first line end (CR or LF) or Ctrl-Z in [p, end), or end. Sixteen bytes at a time where
// the processor allows it: this search is most of the reader's work on a large library.
const char* findLineBreak(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i ctrlZ = _mm_set1_epi8(kCtrlZ);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                                     _mm_cmpeq_epi8(v, ctrlZ));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) return p + __builtin_ctz(mask);
    p += 16;
  }
#endif
  while (p < end && *p != '\r' && *p != '\n' && *p != kCtrlZ) ++p;
  return p;
}

// Turns lines into records. The tokenizer keeps TABs as ordinary characters; on the lines whose
// words the reader takes apart, a TAB separates words ("$MODULE\tname" is written by some tools).
class ModuleCollector {
 public:
  ModuleCollector(ModuleTable& table, const BodyFilter& keepBody, ReadObserver* observer)
      : m_table(table), m_keepBody(keepBody), m_observer(observer) {}

  void line(std::string_view text) {
    if (m_observerTakesLines) m_observerTakesLines = m_observer->line(text);
    if (mayHoldKeyword(text)) {
      anyLine(text);
    } else if (m_inModule && m_bodyKept) {
      m_body.append(text);
      m_body.push_back('\r');
    }
  }

  // A module still open at the end of the input keeps what was gathered.
  void finish() {
    if (m_inModule) storeUnclosedModule();
  }

 private:
  void anyLine(std::string_view text) {
    const Keyword keyword = keywordOf(text);
    // KiCad takes the unit from the lines before the index only, and only as it spells it.
    if (keyword == Keyword::Units && !m_inModule) {
      if (!m_indexSeen && kicadReadsMillimetres(text)) {
        m_table.setUnit(LengthUnit::Millimetre);
      } else if (m_observer != nullptr && namesMillimetres(text)) {
        m_observer->unitLineIgnored(text);
      }
    }
    if (kicadKeyword(text, "$INDEX")) m_indexSeen = true;
    if (keyword == Keyword::Module) {
      if (m_inModule) storeUnclosedModule();
      const std::string_view name = moduleNameOfLine(text);
      if (m_observer != nullptr) m_observer->moduleOpened(text, name);
      m_table.AppendRecord();
      m_table.SetField("nome_Componente", name);
      m_inModule = true;
      m_bodyKept = !m_keepBody || m_keepBody(m_table.GetField("nome_Componente"));
    }
    if (keyword == Keyword::EndModule && m_inModule) storeModule();
    if (keyword != Keyword::Module && m_inModule && m_bodyKept) {
      m_body.append(text);
      m_body.push_back('\r');
    }
  }

  std::string_view secondWord(std::string_view text) {
    // Without quotes the tokenizer's words are the runs between blanks (TABs here), so the
    // second one is found in place; quoted text needs the tokenizer itself.
    if (text.find('"') == std::string_view::npos) {
      std::size_t i = 0;
      while (i < text.size() && isBlankOrTab(text[i])) ++i;
      while (i < text.size() && !isBlankOrTab(text[i])) ++i;
      while (i < text.size() && isBlankOrTab(text[i])) ++i;
      std::size_t j = i;
      while (j < text.size() && !isBlankOrTab(text[j])) ++j;
      return text.substr(i, j - i);
    }
    if (text.find('\t') == std::string_view::npos) {
      separa_tokens(m_tokens, text);
    } else {
      m_scratch.assign(text);
      std::replace(m_scratch.begin(), m_scratch.end(), '\t', ' ');
      separa_tokens(m_tokens, m_scratch);
    }
    return m_tokens.texto(2);
  }

  void storeUnclosedModule() {
    if (m_observer != nullptr) m_observer->moduleUnclosed();
    storeModule();
  }

  void storeModule() {
    if (m_bodyKept) m_table.SetField("Comandos", m_body);
    m_table.PostRecord();
    m_inModule = false;
    m_body.clear();
  }

  ModuleTable& m_table;
  const BodyFilter& m_keepBody;
  bool m_bodyKept = true;
  ReadObserver* m_observer;
  bool m_observerTakesLines = m_observer != nullptr;
  Tokens m_tokens;
  std::string m_scratch;
  std::string m_body;
  bool m_inModule = false;
  bool m_indexSeen = false;
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
  // Without blocking: opening a FIFO would wait for a writer before it could be refused.
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
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
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw IoError(kNotARegularFile, "Not a regular file (a device, FIFO or socket)");
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int e = errno;
    ::close(fd);
    throw ioErrorFromErrno(e);
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

std::string_view moduleNameOfLine(std::string_view line) {
  // KiCad reads the line as a C string: a NUL byte ends it.
  line = line.substr(0, line.find('\0'));
  // White space as C's isspace takes it, which is how KiCad trims the name.
  const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  std::size_t i = 0;
  while (i < line.size() && isBlankOrTab(line[i])) ++i;
  while (i < line.size() && !isBlankOrTab(line[i])) ++i;
  std::size_t j = line.size();
  while (i < j && isSpace(line[i])) ++i;
  while (j > i && isSpace(line[j - 1])) --j;
  return line.substr(i, j - i);
}

void readLibrary(ByteSource& source, ModuleTable& table, ReadObserver* observer) {
  readLibrary(source, table, BodyFilter{}, observer);
}

void readLibrary(ByteSource& source, ModuleTable& table, const BodyFilter& keepBody,
                 ReadObserver* observer) {
  NotificationSuspension pause(table);
  table.Clear();
  table.setUnit(LengthUnit::Decimil);
  ModuleCollector collector(table, keepBody, observer);

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
    for (; (p = findLineBreak(p, end)) < end; ++p) {
      const char c = *p;
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
    if (!stopped) {
      if (carry.size() + static_cast<std::size_t>(end - start) > kLineLimit) {
        throw lineTooLongError();
      }
      carry.append(start, static_cast<std::size_t>(end - start));
    }
  }
  // The last line needs no terminator.
  if (!stopped && !carry.empty()) collector.line(carry);
  collector.finish();

  table.SortByName();
  table.MoveFirst();
}

void loadLibrary(ByteSource& source, ModuleTable& table, ReadObserver* observer) {
  loadLibrary(source, table, BodyFilter{}, observer);
}

void loadLibrary(ByteSource& source, ModuleTable& table, const BodyFilter& keepBody,
                 ReadObserver* observer) {
  ModuleTable fresh;
  readLibrary(source, fresh, keepBody, observer);
  source.close();
  if (observer != nullptr) observer->finished(fresh);
  NotificationSuspension pause(table);
  table.replaceContent(std::move(fresh));
  table.MoveFirst();
}

void loadLibraryFile(const std::string& path, ModuleTable& table, LoadWarnings* warnings) {
  loadLibraryFile(path, table, BodyFilter{}, warnings);
}

void loadLibraryFile(const std::string& path, ModuleTable& table, const BodyFilter& keepBody,
                     LoadWarnings* warnings) {
  FileByteSource source(path);
  LoadWarnings own;
  LoadWarnings& seen = warnings != nullptr ? *warnings : own;
  seen.start(path);
  loadLibrary(source, table, keepBody, &seen);
}

}  // namespace trevak
