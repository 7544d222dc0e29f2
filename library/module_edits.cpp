// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/module_edits.h"

#include "library/body_lines.h"
#include "library/length_units.h"
#include "library/name_collation.h"

namespace trevak {

namespace {

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool foldedEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  }
  return true;
}

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool sameModuleName(const ModuleNameCollator& collator, std::string_view a, std::string_view b) {
  if (foldedEqual(a, b)) return true;
  if (isAscii(a) && isAscii(b)) return false;
  return compareModuleNames(collator.sortKey(a), collator.sortKey(b)) == 0;
}

int rowOfOtherName(const ModuleTable& table, std::string_view name, int exceptRow) {
  const ModuleNameCollator collator;
  for (int row = 0; row < table.RecordCount(); ++row) {
    if (row == exceptRow) continue;
    const auto& other = table.recordAt(row).nome_Componente;
    if (other && sameModuleName(collator, name, *other)) return row;
  }
  return -1;
}

std::string followNameInLiLine(std::string_view body, std::string_view oldName,
                               std::string_view newName) {
  std::string out;
  out.reserve(body.size() + newName.size());
  bool changed = false;
  for (std::string_view line : splitBodyLines(body)) {
    std::size_t i = 0;
    while (i < line.size() && isBlankOrTab(line[i])) ++i;
    std::size_t j = i;
    while (j < line.size() && isBlankOrTab(line[j]) == false) ++j;
    const bool isLi = line.substr(i, j - i) == "Li";
    std::size_t k = j;
    while (k < line.size() && isBlankOrTab(line[k])) ++k;
    std::size_t end = line.size();
    while (end > k && isBlankOrTab(line[end - 1])) --end;
    if (!changed && isLi && k > j && line.substr(k, end - k) == oldName) {
      out.append(line.substr(0, k));
      out.append(newName);
      out.append(line.substr(end));
      changed = true;
    } else {
      out.append(line);
    }
    out.push_back('\r');
  }
  return changed ? out : std::string(body);
}

std::string bodyInUnit(std::string body, LengthUnit from, LengthUnit to) {
  const LengthFieldConverter converter(from, to);
  if (!converter.converts()) return body;
  return convertBodyLengths(body, from, to);
}

CopyPlan planCopy(const ModuleTable& search, const std::vector<int>& rows,
                  const ModuleTable& edit) {
  CopyPlan plan;
  const ModuleNameCollator collator;
  for (int row : rows) {
    if (row < 0 || row >= search.RecordCount()) continue;
    const ModuleRecord& record = search.recordAt(row);
    const std::string name = record.nome_Componente.value_or(std::string());
    if (record.format != ModuleFormat::Legacy) {
      plan.otherFormat.push_back(name);
      continue;
    }
    bool taken = rowOfOtherName(edit, name, -1) >= 0;
    for (const ModuleRecord& planned : plan.modules) {
      taken = taken || sameModuleName(collator, name, *planned.nome_Componente);
    }
    if (taken) {
      plan.duplicates.push_back(name);
      continue;
    }
    ModuleRecord copy;
    copy.nome_Componente = name;
    copy.Comandos = bodyInUnit(record.Comandos.value_or(std::string()), search.unit(), edit.unit());
    plan.modules.push_back(std::move(copy));
  }
  return plan;
}

}  // namespace trevak
