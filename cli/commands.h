// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace trevak {
class ModuleTable;
}

namespace trevak::cli {

/// Each command gets its own arguments (the command word removed) and returns the exit status:
/// 0 success, 1 a refusal or a missing module, 2 a usage or file error.
using Args = std::vector<std::string>;

/// For an argument loop: after "--" every argument is an operand (a name may start with '-').
/// True when `arg` was taken, as that "--" or as an operand after it; the loop goes on to the
/// next argument then.
inline bool takenAfterDoubleDash(const std::string& arg, bool& operandsOnly,
                                 std::vector<std::string>& operands) {
  if (operandsOnly) {
    operands.push_back(arg);
    return true;
  }
  operandsOnly = arg == "--";
  return operandsOnly;
}

int cmdList(const Args& args, std::ostream& out, std::ostream& err);
int cmdShow(const Args& args, std::ostream& out, std::ostream& err);
/// list and show handing the table they loaded to `keep` instead of freeing it, for a process
/// that ends right after them (see runProcess).
int cmdList(const Args& args, std::ostream& out, std::ostream& err,
            std::unique_ptr<ModuleTable>& keep);
int cmdShow(const Args& args, std::ostream& out, std::ostream& err,
            std::unique_ptr<ModuleTable>& keep);
int cmdRender(const Args& args, std::ostream& out, std::ostream& err);
/// `render ... --exact`: the exact drawing as PNG or SVG (cmdRender hands these over).
int cmdRenderExact(const Args& args, std::ostream& out, std::ostream& err);
int cmdCopy(const Args& args, std::ostream& out, std::ostream& err);
int cmdDelete(const Args& args, std::ostream& out, std::ostream& err);
int cmdStripPrefix(const Args& args, std::ostream& out, std::ostream& err);
int cmdFillNames(const Args& args, std::ostream& out, std::ostream& err);
/// `rename LIB OLD NEW`: one module of a `.mod` or `.pretty` library.
int cmdRename(const Args& args, std::ostream& out, std::ostream& err);
int cmdNormalize(const Args& args, std::ostream& out, std::ostream& err);
int cmdExport(const Args& args, std::ostream& out, std::ostream& err);
int cmdCheck(const Args& args, std::ostream& out, std::ostream& err);
int cmdFind(const Args& args, std::ostream& out, std::ostream& err);
/// `inspect LIB NAME|--all`: footprints as JSON objects, one a line.
int cmdInspect(const Args& args, std::ostream& out, std::ostream& err);
/// `tables [--kicad | --table FILE|FOLDER]`: a KiCad library table's rows, resolved.
int cmdTables(const Args& args, std::ostream& out, std::ostream& err);
/// `table add NICKNAME PATH [--kicad | --table FILE|FOLDER] [--create]`.
int cmdTable(const Args& args, std::ostream& out, std::ostream& err);
/// `--kicad` and `--table X` replaced by the one source argument tableSource makes.
Args expandTableOptions(const Args& args);

}  // namespace trevak::cli
