// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/io_error.h"
#include "library/library_reader.h"

namespace trevak {

/// The refusal of a file that is neither headed as a footprint library nor holds a module.
class NotALibraryError : public IoError {
 public:
  explicit NotALibraryError(const std::string& path);
};

/// One thing a librarian must know about a library that loaded.
struct LoadFinding {
  enum class Kind {
    HeaderMissing,    ///< the first line does not begin with the header word
    NameTooLong,      ///< a name over 60 bytes was cut
    CutNameCollides,  ///< a cut name equals another module's name
    NameCutAtBlank,   ///< the `$MODULE` line held more words than the name
    NameCutAtQuote,   ///< a double quote ended or enclosed the name
    EndLineMissing,   ///< the module had no `$EndMODULE` line
    DuplicateName,    ///< the file holds the name more than once (case ignored)
    UnitLineIgnored,  ///< a `Units` line that KiCad 6, and so the reader, does not take
  };
  Kind kind;
  std::string module;  ///< the module's name as stored; empty for the header
  std::string detail;  ///< the original name or line, where it says more
};

/// Watches a load (ReadObserver) and lists what was cut, lost or doubled on the way; also
/// tells a footprint library from any other file. Used by loadLibraryFile, the window and
/// `trevak-cli check`.
class LoadWarnings final : public ReadObserver {
 public:
  /// The header word as KiCad's legacy reader compares it: the first 18 characters of
  /// "PCBNEW-LibModule-V1", ASCII letters in any case, on the first line that is not blank
  /// or a comment, after its leading blanks.
  static constexpr std::string_view kHeaderWord = "PCBNEW-LibModule-V";

  /// Forgets an earlier load; `path` names the file in the refusal.
  void start(std::string path);

  /// True once the input showed the header word on its first line or held a `$MODULE` line.
  bool isLibrary() const { return m_headerSeen || m_modules > 0; }
  /// What the load found, in file order except the name checks made after sorting.
  const std::vector<LoadFinding>& findings() const { return m_findings; }

  bool line(std::string_view text) override;
  void moduleOpened(std::string_view line, std::string_view name) override;
  void moduleUnclosed() override;
  void unitLineIgnored(std::string_view line) override;
  /// Throws NotALibraryError when !isLibrary(); otherwise adds the findings about names.
  void finished(const ModuleTable& read) override;

 private:
  std::string m_path;
  bool m_firstLineSeen = false;
  bool m_headerSeen = false;
  std::size_t m_modules = 0;
  std::string m_openName;  // the stored name of the module opened last
  // Cut names and the names they came from.
  std::unordered_map<std::string, std::string> m_cutNames;
  std::vector<LoadFinding> m_findings;
};

/// One line about a finding, in Portuguese: "NOME: o que houve". Bytes from the file are shown
/// through messageQuote (control bytes escaped, at most 200 bytes of a line).
std::string describeFinding(const LoadFinding& finding);

}  // namespace trevak
