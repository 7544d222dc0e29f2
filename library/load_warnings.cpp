// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/load_warnings.h"

#include <utility>

#include "library/message_text.h"
#include "library/module_edits.h"
#include "library/module_table.h"
#include "library/name_collation.h"

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

// What follows the line's first word.
std::string_view afterFirstWord(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && isBlankOrTab(line[i])) ++i;
  while (i < line.size() && !isBlankOrTab(line[i])) ++i;
  return trimmed(line.substr(i));
}

}  // namespace

NotALibraryError::NotALibraryError(const std::string& path)
    : IoError(kNotALibraryCode,
              "O arquivo \"" + path +
                  "\" não é uma biblioteca de módulos do KiCad: a primeira linha não começa "
                  "com PCBNEW-LibModule-V e não há nenhuma linha $MODULE.") {}

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

void LoadWarnings::moduleOpened(std::string_view line, std::string_view name) {
  ++m_modules;
  const std::string stored(name.substr(0, ModuleTable::kNameLimit));
  m_openName = stored;
  const std::string_view whole = afterFirstWord(line);
  if (whole != name) {
    const bool quote = whole.find('"') != std::string_view::npos;
    m_findings.push_back(
        {quote ? LoadFinding::Kind::NameCutAtQuote : LoadFinding::Kind::NameCutAtBlank, stored,
         std::string(whole)});
  }
  if (name.size() > static_cast<std::size_t>(ModuleTable::kNameLimit)) {
    m_findings.push_back({LoadFinding::Kind::NameTooLong, stored, std::string(name)});
    m_cutNames.emplace(stored, std::string(name));
  }
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
    bool cut = m_cutNames.count(name) > 0;
    while (end < count) {
      const std::string other = read.recordAt(end).nome_Componente.value_or(std::string());
      if (!sameModuleName(collator, name, other)) break;
      cut = cut || m_cutNames.count(other) > 0;
      ++end;
    }
    if (end - row > 1) {
      m_findings.push_back(
          {cut ? LoadFinding::Kind::CutNameCollides : LoadFinding::Kind::DuplicateName, name,
           std::to_string(end - row)});
    }
    row = end;
  }
}

std::string describeFinding(const LoadFinding& finding) {
  const std::string who =
      finding.module.empty() ? std::string("(cabeçalho)") : messageQuote(finding.module);
  switch (finding.kind) {
    case LoadFinding::Kind::HeaderMissing:
      return who + ": a primeira linha não começa com PCBNEW-LibModule-V";
    case LoadFinding::Kind::NameTooLong:
      return who + ": nome com " + std::to_string(finding.detail.size()) +
             " bytes cortado em 60 (" + messageQuote(finding.detail) + ")";
    case LoadFinding::Kind::CutNameCollides:
      return who + ": depois do corte em 60 bytes, " + finding.detail + " módulos têm este nome";
    case LoadFinding::Kind::NameCutAtBlank:
      return who + ": nome cortado num espaço (" + messageQuote(finding.detail) + ")";
    case LoadFinding::Kind::NameCutAtQuote:
      return who + ": nome cortado numa aspa (" + messageQuote(finding.detail) + ")";
    case LoadFinding::Kind::EndLineMissing:
      return who + ": módulo sem linha $EndMODULE";
    case LoadFinding::Kind::DuplicateName:
      return who + ": nome repetido " + finding.detail + " vezes no arquivo";
    case LoadFinding::Kind::UnitLineIgnored:
      return who + ": linha Units que o KiCad ignora, medidas em décimos de mil (" +
             messageQuote(finding.detail) + ")";
  }
  return who;
}

}  // namespace trevak
