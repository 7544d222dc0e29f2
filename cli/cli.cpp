// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include <ostream>

#include "cli/commands.h"

namespace trevak::cli {

namespace {

constexpr const char* kUsage =
    "usage: trevak-cli COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  list LIB.mod                      module names in table order, one per line\n"
    "  list LIB.mod --units              the library's unit: mm or decimil\n"
    "  show LIB.mod NAME                 the body lines of module NAME (case ignored)\n"
    "  render LIB.mod NAME -o OUT.png [--scale N] [--texts]\n"
    "  render LIB.mod --all -o FOLDER [--scale N] [--texts]\n"
    "                                    draw modules as the window's preview does\n"
    "  copy SRC.mod DST.mod NAME... [--new] [-o OUT.mod]\n"
    "                                    copy modules from SRC into DST, lengths in DST's\n"
    "                                    unit (with --new DST takes SRC's unit)\n"
    "  delete LIB.mod NAME... [-o OUT.mod]\n"
    "  strip-prefix LIB.mod [-o OUT.mod] remove 'LIB-' from module names\n"
    "  fill-names LIB.mod [-o OUT.mod]   write each module's name over its >NAME placeholders\n"
    "  normalize LIB.mod [-o OUT.mod]    load and save (rewrites header, index and line ends)\n"
    "  find [--in name,desc,kw,lib] [--count] WORDS... -- LIB_OR_DIR...\n"
    "                                    NICKNAME<TAB>NAME of every module in which each\n"
    "                                    word occurs (case and accents ignored)\n"
    "\n"
    "The source of show, render and copy may be a folder: every *.mod under it is read,\n"
    "and a module is named NAME or NICKNAME:NAME (NICKNAME: the file name without .mod).\n"
    "\n"
    "Without -o a command that changes a library replaces it. SOURCE_DATE_EPOCH, when set,\n"
    "fixes the date written in the header.\n"
    "\n"
    "  --help       this text\n"
    "  --version    the program's version\n"
    "\n"
    "Exit status: 0 done, 1 refused or not found, 2 usage or file error.\n";

struct Command {
  const char* name;
  int (*run)(const Args&, std::ostream&, std::ostream&);
};

constexpr Command kCommands[] = {
    {"list", cmdList},           {"show", cmdShow},
    {"render", cmdRender},       {"copy", cmdCopy},
    {"delete", cmdDelete},       {"strip-prefix", cmdStripPrefix},
    {"fill-names", cmdFillNames}, {"normalize", cmdNormalize},
    {"find", cmdFind},
};

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  const std::string& command = args.front();
  if (command == "--help" || command == "-h" || command == "help") {
    out << kUsage;
    return 0;
  }
  if (command == "--version") {
    out << "trevak-cli 0.15 (20070705i)\n";
    return 0;
  }
  for (const Command& c : kCommands) {
    if (command == c.name) return c.run(Args(args.begin() + 1, args.end()), out, err);
  }
  err << "trevak-cli: unknown command '" << command << "'\n" << kUsage;
  return 2;
}

}  // namespace trevak::cli
