// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/module_edits.h"

#include <algorithm>
#include <cstdlib>

#include "library/body_lines.h"
#include "library/length_units.h"
#include "library/module_items.h"
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

LengthUnit unitOfRecord(const ModuleTable& search, const ModuleRecord& record) {
  const SourceLibrary* library = search.libraryOf(record);
  if (library != nullptr && library->unit != LengthUnit::None) return library->unit;
  return search.unit();
}

std::optional<UnitMismatch> findUnitMismatch(std::string_view body, LengthUnit unit) {
  if (unit == LengthUnit::None) return std::nullopt;
  const ModuleItems items = parseModuleItems(body, unit);
  // How lengths are written tells the units apart where sizes alone cannot: decimil files hold
  // whole numbers, millimetre files mostly fractions.
  const Nanometres step = unit == LengthUnit::Decimil ? 2540 : 1000000;
  std::vector<double> sides;
  std::size_t numbers = 0;
  std::size_t whole = 0;
  for (const PadItem& pad : items.pads) {
    const Nanometres side = std::min(std::abs(pad.size.x), std::abs(pad.size.y));
    if (side <= 0) continue;
    sides.push_back(static_cast<double>(side) / 1e6);
    for (const Nanometres v : {pad.size.x, pad.size.y, pad.position.x, pad.position.y}) {
      ++numbers;
      whole += v % step == 0 ? 1 : 0;
    }
  }
  if (sides.empty()) return std::nullopt;
  std::nth_element(sides.begin(), sides.begin() + static_cast<std::ptrdiff_t>(sides.size() / 2),
                   sides.end());
  const double median = sides[sides.size() / 2];
  if (unit == LengthUnit::Millimetre) {
    // Decimil numbers read as millimetres: pads of a metre, or of centimetres in whole numbers.
    const bool allWhole = whole == numbers;
    if (median > 100.0 || (median >= 10.0 && allWhole)) {
      return UnitMismatch{LengthUnit::Decimil, median};
    }
    return std::nullopt;
  }
  // Millimetre numbers read as decimils: pads of a tenth of a millimetre at most, written with
  // fractions (or too small to be any pad at all).
  const bool mostlyFractions = whole * 2 < numbers;
  if (median < 0.01 || (median < 0.06 && mostlyFractions)) {
    return UnitMismatch{LengthUnit::Millimetre, median};
  }
  return std::nullopt;
}

CopyPlan planCopy(const ModuleTable& search, const std::vector<int>& rows,
                  const ModuleTable& edit) {
  CopyPlan plan;
  plan.unit = edit.unit();
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
    const LengthUnit from = unitOfRecord(search, record);
    // A new edit library takes the unit of its first module's own library.
    if (plan.unit == LengthUnit::None) plan.unit = from;
    copy.Comandos = bodyInUnit(record.Comandos.value_or(std::string()), from, plan.unit);
    plan.modules.push_back(std::move(copy));
  }
  return plan;
}

}  // namespace trevak
