// SPDX-License-Identifier: GPL-3.0-or-later
#include <charconv>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/load_warnings.h"
#include "library/message_text.h"
#include "library/library_set.h"
#include "library/module_edits.h"
#include "library/module_table.h"
#include "library/pretty_library.h"
#include "library/record_items.h"
#include "library/save_cleanup.h"

namespace trevak::cli {

namespace {

// check of a `.pretty` folder, a `.kicad_mod` file or a folder of libraries: the footprints
// that could not be read, those whose file name and inside name disagree, and the tokens the
// reader did not know.
// The findings of the footprints' contents: tokens the reader skipped (a finding each file),
// and items kept that the drawing does not show (zones, groups: counted, not a fault).
std::size_t reportFootprintFindings(const ModuleTable& table, std::ostream& out) {
  std::size_t findings = 0;
  ModuleItems items;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    if (r.format != ModuleFormat::KicadMod) continue;
    const SourceLibrary* library = table.libraryOf(r);
    const std::string id =
        (library != nullptr ? library->nickname + ":" : std::string()) + r.nome_Componente.value_or("");
    std::string error;
    if (!moduleItemsOf(r, LengthUnit::Millimetre, items, &error)) {
      out << id << ": " << error << '\n';
      ++findings;
      continue;
    }
    if (!items.unknownTokens.empty()) {
      out << id << ": unknown tokens skipped:";
      for (const std::string& token : items.unknownTokens) out << ' ' << token;
      out << '\n';
      ++findings;
    }
    if (!items.keptItems.empty()) {
      out << id << ": " << items.keptItems.size()
          << (items.keptItems.size() == 1 ? " item" : " items")
          << " kept as text that the drawing does not show\n";
    }
  }
  return findings;
}

int checkFootprintLibraries(const std::string& path, std::ostream& out, std::ostream& err) {
  LibrarySetContents set = readLibrarySet({path});
  std::size_t findings = 0;
  for (const LibraryFailure& f : set.failures) {
    out << f.path << ": " << f.message << '\n';
    ++findings;
  }
  for (const LibraryFailure& f : set.nameMismatches) {
    out << f.path << ": the file name and the footprint's name disagree: " << f.message << '\n';
    ++findings;
  }
  findings += reportFootprintFindings(*set.table, out);
  if (!out) return 2;
  if (set.libraryCount == 0 && !set.failures.empty()) {
    err << "trevak-cli: " << path << ": no library could be read\n";
    return 2;
  }
  return findings == 0 ? 0 : 1;
}

}  // namespace

int cmdCheck(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1 || (args[0].size() > 1 && args[0].front() == '-')) {
    err << "usage: trevak-cli check LIB.mod|LIB.pretty|FOOTPRINT.kicad_mod|FOLDER\n";
    return 2;
  }
  const std::string& path = args[0];
  const LibraryKind kind = libraryKindOf(path);
  if (kind == LibraryKind::PrettyFolder || kind == LibraryKind::KicadModFile) {
    return checkFootprintLibraries(path, out, err);
  }
  LoadWarnings warnings;
  ModuleTable table;
  try {
    loadLibraryFile(path, table, &warnings);
  } catch (const IoError& e) {
    err << "trevak-cli: " << path << ": " << e.what() << '\n';
    return 2;
  }
  for (const LoadFinding& finding : warnings.findings()) out << describeFinding(finding) << '\n';
  // Modules whose lengths were left in another library's unit by a copy that did not convert.
  bool wrongUnit = false;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& record = table.recordAt(row);
    const auto mismatch = findUnitMismatch(record.Comandos.value_or(std::string()), table.unit());
    if (!mismatch) continue;
    wrongUnit = true;
    const bool mm = mismatch->likelier == LengthUnit::Millimetre;
    char digits[32];  // in the C locale whatever the user's
    const auto written = std::to_chars(digits, digits + sizeof digits, mismatch->medianPadSideMm,
                                       std::chars_format::general, 4);
    const std::string_view median(digits, static_cast<std::size_t>(written.ptr - digits));
    out << record.nome_Componente.value_or(std::string()) << ": lengths that fit "
        << (mm ? "millimetres far better than decimils" : "decimils far better than millimetres")
        << " (median pad side " << median << " mm)\n";
  }
  // Temporary files of saves that were ended before they finished, beside the library.
  const std::vector<std::string> leftovers = interruptedSaveLeftovers(path);
  for (const std::string& leftover : leftovers) {
    out << "(folder): " << messageQuote(leftover)
        << ": left by a save that was ended before it finished; the library does not need it\n";
  }
  if (!out) return 2;
  return warnings.findings().empty() && !wrongUnit && leftovers.empty() ? 0 : 1;
}

}  // namespace trevak::cli
