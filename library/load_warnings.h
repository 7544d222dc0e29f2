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
/// Its text is English, as the command line prints it; the window words it in its own language
/// from path().
class NotALibraryError : public IoError {
 public:
  explicit NotALibraryError(const std::string& path);
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

/// Older module-library tools kept a name to its first word (a quote ending or enclosing it)
/// and to this many bytes. Names are read whole here, as KiCad reads them; the load warnings
/// report the names such a tool would have changed.
inline constexpr std::size_t kOldToolNameLimit = 60;

/// The name an older tool took from a `$MODULE` line: the line's second word (blanks and TABs
/// separate words, quotes group them and are dropped), cut to kOldToolNameLimit bytes.
std::string oldToolModuleName(std::string_view line);

/// One thing a librarian must know about a library that loaded. The name checks are findings,
/// not changes: the table holds every name whole.
struct LoadFinding {
  enum class Kind {
    HeaderMissing,    ///< the first line does not begin with the header word
    NameTooLong,      ///< an older tool would cut this name (its first word) at 60 bytes
    CutNameCollides,  ///< older tools would give this name and another one the same name
    NameCutAtBlank,   ///< the name holds a blank or TAB: older tools keep its first word
    NameCutAtQuote,   ///< the name holds a double quote, which older tools drop or stop at
    EndLineMissing,   ///< the module had no `$EndMODULE` line
    DuplicateName,    ///< the file holds the name more than once (case ignored)
    UnitLineIgnored,  ///< a `Units` line that KiCad 6, and so the reader, does not take
  };
  Kind kind;
  std::string module;  ///< the module's whole name; empty for the header
  std::string detail;  ///< the name an older tool reads, or a count, where it says more
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
  // Whole names that older tools would change, and what they would make of them.
  std::unordered_map<std::string, std::string> m_cutNames;
  std::vector<LoadFinding> m_findings;
};

/// One line about a finding, in Portuguese: "NOME: o que houve". Bytes from the file are shown
/// through messageQuote (control bytes escaped, at most 200 bytes of a line).
std::string describeFinding(const LoadFinding& finding);

}  // namespace trevak
