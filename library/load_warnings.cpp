// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/load_warnings.h"

#include <algorithm>
#include <utility>

#include "library/message_text.h"
#include "library/module_edits.h"
#include "library/module_table.h"
#include "library/name_collation.h"
#include "library/tokenizer.h"

namespace trevak {

namespace {

// An error code of the program's own, outside the system's error numbers.
constexpr int kNotALibraryCode = 1000;

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool startsWithIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (asciiUpper(text[i]) != asciiUpper(word[i])) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}


}  // namespace

NotALibraryError::NotALibraryError(const std::string& path)
    : IoError(kNotALibraryCode,
              "\"" + path +
                  "\" is not a KiCad module library: its first line does not start with "
                  "PCBNEW-LibModule-V and it holds no $MODULE line."),
      m_path(path) {}

void LoadWarnings::start(std::string path) {
  m_path = std::move(path);
  m_firstLineSeen = false;
  m_headerSeen = false;
  m_modules = 0;
  m_openName.clear();
  m_cutNames.clear();
  m_findings.clear();
}

bool LoadWarnings::line(std::string_view text) {
  if (m_firstLineSeen) return false;
  std::size_t i = 0;
  while (i < text.size() && isBlankOrTab(text[i])) ++i;
  const std::string_view rest = text.substr(i);
  // KiCad's reader passes over blank lines and comments before it looks for the header.
  if (trimmed(rest).empty() || rest.front() == '#') return true;
  m_firstLineSeen = true;
  m_headerSeen = startsWithIgnoringCase(rest, kHeaderWord);
  if (!m_headerSeen) {
    m_findings.push_back({LoadFinding::Kind::HeaderMissing, {}, std::string(trimmed(text))});
  }
  return false;
}

namespace {

// The second word of a line as older tools took it, before their cut at 60 bytes.
std::string oldToolWord(std::string_view line) {
  if (line.find('"') == std::string_view::npos) {
    std::size_t i = 0;
    while (i < line.size() && isBlankOrTab(line[i])) ++i;
    while (i < line.size() && !isBlankOrTab(line[i])) ++i;
    while (i < line.size() && isBlankOrTab(line[i])) ++i;
    std::size_t j = i;
    while (j < line.size() && !isBlankOrTab(line[j])) ++j;
    return std::string(line.substr(i, j - i));
  }
  Tokens tokens;
  std::string blanks(line);
  std::replace(blanks.begin(), blanks.end(), '\t', ' ');
  separa_tokens(tokens, blanks);
  return std::string(tokens.texto(2));
}

}  // namespace

std::string oldToolModuleName(std::string_view line) {
  std::string word = oldToolWord(line);
  if (word.size() > kOldToolNameLimit) word.resize(kOldToolNameLimit);
  return word;
}

void LoadWarnings::moduleOpened(std::string_view line, std::string_view name) {
  ++m_modules;
  const std::string stored(name.substr(0, name.find('\0')));
  m_openName = stored;
  const bool quote = stored.find('"') != std::string::npos;
  const bool blank = stored.find_first_of(" \t") != std::string::npos;
  std::string old = oldToolWord(line);
  const bool tooLong = old.size() > kOldToolNameLimit;
  if (tooLong) old.resize(kOldToolNameLimit);
  if (quote || blank) {
    m_findings.push_back(
        {quote ? LoadFinding::Kind::NameCutAtQuote : LoadFinding::Kind::NameCutAtBlank, stored,
         old});
  }
  if (tooLong) m_findings.push_back({LoadFinding::Kind::NameTooLong, stored, old});
  if (old != stored) m_cutNames.emplace(stored, old);
}

void LoadWarnings::moduleUnclosed() {
  m_findings.push_back({LoadFinding::Kind::EndLineMissing, m_openName, {}});
}

void LoadWarnings::unitLineIgnored(std::string_view line) {
  m_findings.push_back({LoadFinding::Kind::UnitLineIgnored, {}, std::string(line)});
}

void LoadWarnings::finished(const ModuleTable& read) {
  if (!isLibrary()) throw NotALibraryError(m_path);
  // The table is sorted: equal names stand next to each other.
  const ModuleNameCollator collator;
  const int count = read.RecordCount();
  int row = 0;
  while (row < count) {
    const std::string name = read.recordAt(row).nome_Componente.value_or(std::string());
    int end = row + 1;
    while (end < count) {
      const std::string other = read.recordAt(end).nome_Componente.value_or(std::string());
      if (!sameModuleName(collator, name, other)) break;
      ++end;
    }
    if (end - row > 1) {
      m_findings.push_back({LoadFinding::Kind::DuplicateName, name, std::to_string(end - row)});
    }
    row = end;
  }
  if (m_cutNames.empty()) return;
  // Names older tools would make equal: each whole name under the name such a tool reads,
  // letter case ignored as the duplicate check ignores it for ASCII names.
  const auto folded = [](std::string text) {
    for (char& c : text) c = asciiUpper(c);
    return text;
  };
  std::unordered_map<std::string, int> olderNames;
  for (row = 0; row < count; ++row) {
    const std::string name = read.recordAt(row).nome_Componente.value_or(std::string());
    const auto cut = m_cutNames.find(name);
    ++olderNames[folded(cut == m_cutNames.end() ? name : cut->second)];
  }
  for (row = 0; row < count; ++row) {
    const std::string name = read.recordAt(row).nome_Componente.value_or(std::string());
    const auto cut = m_cutNames.find(name);
    if (cut == m_cutNames.end()) continue;
    const int same = olderNames[folded(cut->second)];
    if (same > 1) {
      m_findings.push_back({LoadFinding::Kind::CutNameCollides, name,
                            cut->second + " (" + std::to_string(same) + ")"});
    }
  }
}

std::string describeFinding(const LoadFinding& finding) {
  const std::string who =
      finding.module.empty() ? std::string("(header)") : messageQuote(finding.module);
  switch (finding.kind) {
    case LoadFinding::Kind::HeaderMissing:
      return who + ": the first line does not start with PCBNEW-LibModule-V";
    case LoadFinding::Kind::NameTooLong:
      return who + ": name over 60 bytes; older tools cut it at 60 (" +
             messageQuote(finding.detail) + ")";
    case LoadFinding::Kind::CutNameCollides:
      return who + ": older tools give this and another module the same name " + finding.detail;
    case LoadFinding::Kind::NameCutAtBlank:
      return who + ": name with a blank; older tools cut it at the blank (" +
             messageQuote(finding.detail) + ")";
    case LoadFinding::Kind::NameCutAtQuote:
      return who + ": name with quotes; older tools cut it or drop the quotes (" +
             messageQuote(finding.detail) + ")";
    case LoadFinding::Kind::EndLineMissing:
      return who + ": module without an $EndMODULE line";
    case LoadFinding::Kind::DuplicateName:
      return who + ": name repeated " + finding.detail + " times in the file";
    case LoadFinding::Kind::UnitLineIgnored:
      return who + ": a Units line KiCad ignores; lengths are read in decimils (" +
             messageQuote(finding.detail) + ")";
  }
  return who;
}

}  // namespace trevak
