// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_commands.h"

#include <unordered_map>

#include "library/length_units.h"
#include "library/module_edits.h"
#include "library/module_table.h"
#include "library/name_collation.h"

namespace trevak {

namespace {

constexpr std::string_view kNameField = "nome_Componente";
constexpr std::string_view kBodyField = "Comandos";
constexpr std::string_view kNamePlaceholder = ">NAME";

// Turns a to z into A to Z and nothing else: accented letters stay as they are, whatever the
// locale says.
std::string asciiUpper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

// A body as the edit library takes it from the search library: its lengths in the edit
// library's unit. An edit library without a unit yet takes the body as it is (and the search
// library's unit with it).
std::string bodyForEditLibrary(const ModuleTable& search, const ModuleTable& edit,
                               std::string body) {
  // A set of libraries may mix units: the module's own library decides.
  const LengthUnit from = search.currentUnit();
  LengthFieldConverter converter(from, edit.unit());
  if (!converter.converts()) return body;
  return convertBodyLengths(body, from, edit.unit());
}

// Opens every record of the edit library in turn and lets `change` rewrite it. The first
// record is shown before the walk, the last one after it, and nothing in between.
template <typename Change>
void editEveryRecord(ModuleTable& edit, Change change) {
  edit.MoveFirst();
  NotificationSuspension pause(edit);
  while (!edit.AtEnd()) {
    edit.EditRecord();
    change();
    edit.PostRecord();
    edit.MoveNext();
  }
}

}  // namespace

bool deleteCurrentModule(ModuleTable& edit) {
  if (edit.IsEmpty()) return false;
  edit.DeleteRecord();
  return true;
}

CopyResult copyCurrentModule(ModuleTable& search, ModuleTable& edit) {
  if (search.IsEmpty()) return CopyResult::NothingToCopy;
  if (search.recordAt(search.currentIndex()).format != ModuleFormat::Legacy) {
    return CopyResult::OtherFormat;
  }
  if (edit.LocateName(search.GetField(kNameField))) return CopyResult::Duplicate;
  edit.AppendRecord();
  edit.SetField(kNameField, search.GetField(kNameField));
  edit.SetField(kBodyField, bodyForEditLibrary(search, edit, search.GetField(kBodyField)));
  edit.PostRecord();
  if (edit.unit() == LengthUnit::None) edit.setUnit(search.currentUnit());
  edit.SortByName();
  return CopyResult::Copied;
}

void newLibrary(ModuleTable& edit) {
  edit.Clear();
  edit.setUnit(LengthUnit::None);
}

std::string libraryBaseName(std::string_view caption) {
  // "/" separates folders here; "\" and the drive colon still count, for paths typed the
  // Windows way.
  const std::size_t separator = caption.find_last_of("/\\:");
  std::string_view name =
      separator == std::string_view::npos ? caption : caption.substr(separator + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::string replaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
  if (pattern.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t hit = text.find(pattern); hit != std::string_view::npos;
       hit = text.find(pattern, from)) {
    result.append(text.substr(from, hit - from));
    result.append(replacement);
    from = hit + pattern.size();
  }
  result.append(text.substr(from));
  return result;
}

StripPlan planStripPrefix(const ModuleTable& edit, std::string_view caption) {
  const std::string base = libraryBaseName(caption);
  const std::string p1 = base + "-";
  const std::string p2 = asciiUpper(base) + "-";
  const auto rows = static_cast<std::size_t>(edit.RecordCount());
  StripPlan plan;
  std::vector<std::string> old(rows);
  plan.names.resize(rows);
  for (std::size_t row = 0; row < rows; ++row) {
    old[row] = edit.recordAt(static_cast<int>(row)).nome_Componente.value_or(std::string());
    plan.names[row] = replaceAll(replaceAll(old[row], p1, ""), p2, "");
  }
  // Every clash of a round is settled together, so that two modules stripped to one name both
  // keep theirs; a name kept can meet another stripped one, hence the rounds. Names equal as
  // sameModuleName says: ASCII names when equal in capitals (counted in a map, so that a
  // library of tens of thousands of modules takes no quadratic time), others by collation.
  const ModuleNameCollator collator;
  const auto isAscii = [](const std::string& name) {
    for (const char c : name) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
  };
  std::vector<bool> kept(rows, false);
  for (bool again = true; again;) {
    again = false;
    std::unordered_map<std::string, int> inCapitals;
    std::vector<std::size_t> others;  // rows whose names are not ASCII
    for (std::size_t row = 0; row < rows; ++row) {
      ++inCapitals[asciiUpper(plan.names[row])];
      if (!isAscii(plan.names[row])) others.push_back(row);
    }
    std::vector<bool> clashes(rows, false);
    for (std::size_t row = 0; row < rows; ++row) {
      if (kept[row] || plan.names[row] == old[row]) continue;
      const std::string& name = plan.names[row];
      bool clash = name.empty() || inCapitals[asciiUpper(name)] > 1;
      if (!isAscii(name)) {
        for (std::size_t other = 0; other < rows && !clash; ++other) {
          clash = other != row && sameModuleName(collator, name, plan.names[other]);
        }
      } else {
        for (const std::size_t other : others) {
          if (clash) break;
          clash = other != row && sameModuleName(collator, name, plan.names[other]);
        }
      }
      clashes[row] = clash;
    }
    for (std::size_t row = 0; row < rows; ++row) {
      if (!clashes[row]) continue;
      plan.names[row] = old[row];
      kept[row] = true;
      again = true;
    }
  }
  for (std::size_t row = 0; row < rows; ++row) {
    if (kept[row]) plan.kept.push_back(old[row]);
  }
  return plan;
}

std::vector<std::string> stripLibraryPrefix(ModuleTable& edit, std::string_view caption) {
  StripPlan plan = planStripPrefix(edit, caption);
  editEveryRecord(edit, [&] {
    const auto row = static_cast<std::size_t>(edit.currentIndex());
    if (row < plan.names.size()) edit.SetField(kNameField, plan.names[row]);
  });
  return std::move(plan.kept);
}

void fillNamePlaceholders(ModuleTable& edit) {
  editEveryRecord(edit, [&] {
    const std::string name = edit.GetField(kNameField);
    edit.SetField(kBodyField, replaceAll(edit.GetField(kBodyField), kNamePlaceholder, name));
  });
}

void moveBoth(ModuleTable& edit, ModuleTable& search, Move move) {
  for (ModuleTable* table : {&edit, &search}) {
    switch (move) {
      case Move::First:
        table->MoveFirst();
        break;
      case Move::Next:
        table->MoveNext();
        break;
      case Move::Prior:
        table->MovePrior();
        break;
      case Move::Last:
        table->MoveLast();
        break;
    }
  }
}

}  // namespace trevak
