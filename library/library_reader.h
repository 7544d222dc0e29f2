// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

namespace trevak {

class LoadWarnings;
class ModuleTable;

/// Sees what the reader meets besides the records it stores, for the load warnings and for
/// telling a library from another file.
class ReadObserver {
 public:
  virtual ~ReadObserver() = default;
  /// Every line of the input, in order, before the reader acts on it, until it answers false:
  /// then no further line is shown (a large library is not walked twice for its first line).
  virtual bool line(std::string_view text) = 0;
  /// A `$MODULE` line and the name the reader took from it (moduleNameOfLine).
  virtual void moduleOpened(std::string_view line, std::string_view name) = 0;
  /// The module opened last ended without its end line (at the next `$MODULE` line or the end).
  virtual void moduleUnclosed() = 0;
  /// A `Units` line outside the modules that KiCad 6 does not read as millimetres and the
  /// reader therefore ignores too (after `$INDEX`, indented, "MM" in capitals...).
  virtual void unitLineIgnored(std::string_view /*line*/) {}
  /// loadLibrary read everything into `read` (sorted, the source closed) and has not touched
  /// the caller's table yet: throwing here leaves that table as it was.
  virtual void finished(const ModuleTable& read) = 0;
};

/// Where a library's bytes come from. The reader pulls them in large blocks, once.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Reads up to `size` bytes into `buffer` and returns how many were read; 0 means the end.
  /// Throws IoError when the read fails.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
  /// Releases the source once everything was read; throws IoError when that fails.
  virtual void close() {}
};

/// Bytes held in memory (not copied: they must outlive the source). `chunk` limits each read,
/// so tests can make lines and line ends straddle reads.
class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes,
                            std::size_t chunk = std::numeric_limits<std::size_t>::max());
  /// A temporary string would be gone before the first read.
  MemoryByteSource(std::string&&, std::size_t = 0) = delete;
  std::size_t read(char* buffer, std::size_t size) override;

 private:
  std::string_view m_bytes;
  std::size_t m_chunk;
  std::size_t m_pos = 0;
};

/// A file opened for reading with the system's calls.
class FileByteSource final : public ByteSource {
 public:
  /// Opens `path`. Throws IoError: "Invalid filename" for an empty path or one holding a NUL,
  /// "File access denied" for a directory, kNotARegularFile for a device, FIFO or socket
  /// (refused before anything is read), and the error of the failed open otherwise.
  explicit FileByteSource(const std::string& path);
  /// Closes the file if close() was not called, ignoring the result: this runs when a load
  /// failed already.
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  std::size_t read(char* buffer, std::size_t size) override;
  void close() override;

 private:
  int m_fd = -1;
};

/// The name of a module as KiCad's legacy reader takes it from its `$MODULE` line: everything
/// after the first word, trimmed of blanks, TABs and other white space (line ends, VT, FF) at
/// both ends, the line ending at a NUL byte as KiCad's C strings do. Quotes and inner blanks
/// belong to the name, and it has no length limit.
std::string_view moduleNameOfLine(std::string_view line);

/// Reads a library into `table`, which is cleared first: every module becomes one record,
/// named from its `$MODULE` line (moduleNameOfLine), its body the lines up to its end line, each followed by one
/// CR. Lines end at CR LF, CR or LF; a Ctrl-Z byte ends the input. A module that is still open
/// when the next `$MODULE` line or the end comes is stored with the lines gathered so far. The
/// table's unit becomes millimetres, as in KiCad 6, when a line outside the modules and before
/// any `$INDEX` line begins with "Units" (letters in any case) and a blank or TAB, and its next
/// word is "mm" exactly; decimil otherwise. The table is then sorted by name with its first record
/// current. Notifications are suspended throughout, so the table sends one at the end.
/// Throws IoError when the source fails, or with kLineTooLong on a line over 16 MB; the table
/// then holds what was read so far.
void readLibrary(ByteSource& source, ModuleTable& table, ReadObserver* observer = nullptr);

/// Chooses, by a module's stored name (as the table keeps it: cut at a NUL),
/// whether a read keeps the module's body. A command that answers from the names alone, or from
/// one module, need not hold every body of a large library in memory.
using BodyFilter = std::function<bool(std::string_view name)>;

/// readLibrary keeping only the bodies that `keepBody` accepts; the other records have a null
/// body. Names, order, unit and notifications are those of readLibrary. An empty filter keeps
/// every body.
void readLibrary(ByteSource& source, ModuleTable& table, const BodyFilter& keepBody,
                 ReadObserver* observer = nullptr);

/// Reads a library into a fresh table, closes the source and only then replaces the content of
/// `table` with it and makes its first record current: one notification. When reading or
/// closing fails, IoError is thrown and `table` is left exactly as it was, without a
/// notification. `observer` sees the reading and may refuse the result (ReadObserver::finished).
void loadLibrary(ByteSource& source, ModuleTable& table, ReadObserver* observer = nullptr);
/// loadLibrary keeping only the bodies that `keepBody` accepts (see readLibrary).
void loadLibrary(ByteSource& source, ModuleTable& table, const BodyFilter& keepBody,
                 ReadObserver* observer = nullptr);

/// loadLibrary from the file at `path` (see FileByteSource for the errors of opening it). A
/// file that is not a footprint library (LoadWarnings::isLibrary) is refused with
/// NotALibraryError and `table` is left as it was. `warnings`, when given, receives what the
/// load found.
void loadLibraryFile(const std::string& path, ModuleTable& table,
                     LoadWarnings* warnings = nullptr);
/// loadLibraryFile keeping only the bodies that `keepBody` accepts (see readLibrary).
void loadLibraryFile(const std::string& path, ModuleTable& table, const BodyFilter& keepBody,
                     LoadWarnings* warnings = nullptr);

}  // namespace trevak
