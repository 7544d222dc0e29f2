// SPDX-License-Identifier: GPL-3.0-or-later
#include <charconv>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/library_source.h"
#include "library/io_error.h"
#include "library/kicad_export.h"
#include "library/message_text.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak::cli {

namespace {

constexpr const char* kExportUsage =
    "usage: trevak-cli export LIB.mod -o OUT.pretty [NAME...] [--force] [--jobs N]\n";

const char* noteText(KicadModNote::Kind kind) {
  switch (kind) {
    case KicadModNote::Kind::LineNotUnderstood:
      return "line not exported";
    case KicadModNote::Kind::PadSkipped:
      return "pad not exported";
    case KicadModNote::Kind::PadNameCut:
      return "pad name cut to 49 bytes";
  }
  return "";
}

}  // namespace

int cmdExport(const Args& args, std::ostream& out, std::ostream& err) {
  std::string output;
  bool force = false;
  unsigned jobs = 0;
  std::vector<std::string> positional;
  bool operandsOnly = false;  // after "--", a name may start with '-'
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (operandsOnly) {
      positional.push_back(a);
      continue;
    }
    if (a == "--") {
      operandsOnly = true;
      continue;
    }
    if (a == "-o" || a == "--output") {
      if (i + 1 >= args.size() || !output.empty()) {
        err << kExportUsage;
        return 2;
      }
      output = args[++i];
    } else if (a == "--jobs") {
      const std::string value = i + 1 < args.size() ? args[++i] : std::string();
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), jobs);
      if (value.empty() || ec != std::errc() || end != value.data() + value.size() || jobs == 0 ||
          jobs > 64) {
        err << "trevak-cli: export: --jobs takes a number of threads from 1 to 64\n"
            << kExportUsage;
        return 2;
      }
    } else if (a == "--force") {
      force = true;
    } else if (a.size() > 1 && a.front() == '-') {
      err << "trevak-cli: export: unknown option '" << a << "'\n" << kExportUsage;
      return 2;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.empty() || output.empty()) {
    err << kExportUsage;
    return 2;
  }
  const std::string& path = positional.front();
  ModuleTable table;
  std::size_t unread = 0;
  if (!loadSourceLibrary(path, table, err, &unread)) return 2;

  std::vector<ExportModule> all = exportModulesOf(table);
  std::vector<ExportModule> modules;
  if (positional.size() == 1) {
    modules = std::move(all);
  } else {
    std::set<int> rows;
    for (std::size_t k = 1; k < positional.size(); ++k) {
      if (!locateOrReport(table, path, positional[k], "export", err)) return 1;
      rows.insert(table.currentIndex());
    }
    for (const int row : rows) modules.push_back(all[static_cast<std::size_t>(row)]);
  }
  // Repeated names become NAME_v2... among the modules written, so that one module picked from
  // a set of libraries keeps its own name.
  const std::vector<std::string> names = exportFootprintNames(modules);

  ExportOptions options;
  options.force = force;
  options.threads = jobs;
  options.footprintNames = &names;
  ExportReport report;
  try {
    report = exportPretty(modules, table.unit(), output, options);
  } catch (const IoError& e) {
    err << "trevak-cli: " << output << ": " << e.what() << '\n';
    return 2;
  }

  for (const ExportedFootprint& f : report.footprints) {
    switch (f.outcome) {
      case ExportOutcome::Written:
        out << "written ";
        break;
      case ExportOutcome::Unchanged:
        out << "unchanged ";
        break;
      case ExportOutcome::Replaced:
        out << "replaced ";
        break;
      case ExportOutcome::RefusedDifferent:
        err << "trevak-cli: " << output << '/' << f.fileName
            << ": a different file is there (use --force to replace it)\n";
        break;
      case ExportOutcome::RefusedNotAFile:
        err << "trevak-cli: " << output << '/' << f.fileName << ": not a plain file, left alone\n";
        break;
      case ExportOutcome::RefusedName:
        err << "trevak-cli: module '" << messageQuote(f.moduleName)
            << "': empty name or control characters, not exported\n";
        break;
      case ExportOutcome::Failed:
        err << "trevak-cli: " << output << '/' << f.fileName << ": " << f.error << '\n';
        break;
    }
    if (f.outcome == ExportOutcome::Written || f.outcome == ExportOutcome::Unchanged ||
        f.outcome == ExportOutcome::Replaced) {
      out << f.fileName << '\n';
    }
    for (const KicadModNote& note : f.notes) {
      // Quoted: a line of the library may hold terminal control sequences, or be very long.
      err << "trevak-cli: " << messageQuote(f.footprintName) << ": " << noteText(note.kind)
          << " (line " << note.line << "): " << messageQuote(note.detail) << '\n';
    }
  }
  const std::size_t refused = report.count(ExportOutcome::RefusedDifferent) +
                              report.count(ExportOutcome::RefusedNotAFile) +
                              report.count(ExportOutcome::RefusedName);
  const std::size_t failed = report.count(ExportOutcome::Failed);
  out << report.count(ExportOutcome::Written) << " written, "
      << report.count(ExportOutcome::Unchanged) << " unchanged, "
      << report.count(ExportOutcome::Replaced) << " replaced, " << refused << " refused, "
      << failed << " failed";
  if (unread != 0) out << ", " << unread << (unread == 1 ? " file" : " files") << " not read";
  out << '\n';
  if (failed != 0) return 2;
  if (refused != 0 || unread != 0) return statusWithUnread(1, unread, "export", err);
  return out ? 0 : 2;
}

}  // namespace trevak::cli
