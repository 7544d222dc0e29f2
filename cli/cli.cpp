// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <new>
#include <ostream>

#include "cli/commands.h"
#include "cli/messages_language.h"
#include "library/message_text.h"
#include "library/module_table.h"

namespace trevak::cli {

namespace {

constexpr const char* kUsage =
    "usage: trevak-cli [--lang en|pt] COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  list LIB.mod                      module names in table order, one per line\n"
    "  list LIB.mod --units              the library's unit: mm or decimil\n"
    "  show LIB.mod NAME                 the body lines of module NAME (case ignored)\n"
    "  render LIB.mod NAME -o OUT.png [--scale N] [--texts]\n"
    "  render LIB.mod --all -o FOLDER [--scale N] [--texts]\n"
    "                                    draw modules as the window's preview does\n"
    "  render LIB.mod NAME --exact -o OUT.png|OUT.svg [--size PX] [--layers LIST]\n"
    "         [--no-pad-numbers] [--hidden-texts]\n"
    "  render LIB.mod --all --exact -o FOLDER [--svg]\n"
    "                                    the exact drawing: true shapes, angles and layers\n"
    "  copy SRC DST NAME... [--new] [--force] [-o OUT]\n"
    "                                    copy modules from SRC into DST (a .mod file or a\n"
    "                                    .pretty folder); into a .mod lengths in DST's unit\n"
    "                                    (with --new DST takes SRC's unit); into a .pretty a\n"
    "                                    .kicad_mod as it is, a .mod module as export writes it\n"
    "  delete LIB NAME... [-o OUT] [--force]\n"
    "                                    delete modules of a .mod file or .pretty folder\n"
    "  rename LIB OLD NEW [-o OUT] [--force]\n"
    "                                    rename one module; refused when NEW is taken (case\n"
    "                                    ignored)\n"
    "  strip-prefix LIB [-o OUT] [--force]\n"
    "                                    remove every 'LIB-' from module names\n"
    "  fill-names LIB [-o OUT] [--force] write each module's name over its >NAME placeholders\n"
    "  normalize LIB.mod [-o OUT.mod]    load and save (rewrites header, index and line ends)\n"
    "  export LIB.mod -o OUT.pretty [NAME...] [--force] [--jobs N]\n"
    "                                    write modules as KiCad footprints (.kicad_mod files);\n"
    "                                    a different file already there is replaced only\n"
    "                                    with --force\n"
    "  check LIB.mod                     what a load cuts or loses: one line per finding,\n"
    "                                    exit 1 when there is any\n"
    "  find [--in name,desc,kw,lib] [--count] WORDS... -- LIB_OR_DIR...\n"
    "                                    NICKNAME<TAB>NAME of every module in which each\n"
    "                                    word occurs (case and accents ignored)\n"
    "  inspect LIB NAME|--all            each footprint as one JSON object a line; LIB is a\n"
    "                                    .mod file, a .pretty folder, a .kicad_mod file,\n"
    "                                    --kicad or --table FILE|PROJECT_FOLDER\n"
    "  tables [--kicad | --table FILE|PROJECT_FOLDER]\n"
    "                                    KiCad's footprint library table (default: the\n"
    "                                    user's global one): its path, then NICKNAME, TYPE,\n"
    "                                    URI, RESOLVED PATH, STATE (ok, disabled, missing,\n"
    "                                    unset, unreadable) a row\n"
    "  table add NICKNAME PATH.pretty [--kicad | --table FILE|PROJECT_FOLDER] [--create]\n"
    "                                    add one row to a table (old file kept as\n"
    "                                    fp-lib-table.bak); --create makes a missing global\n"
    "                                    table from the stock table's rows\n"
    "\n"
    "--kicad (the global table) or --table FILE|PROJECT_FOLDER stands for a table's enabled\n"
    "libraries in place of the library of list, show, render, copy, export and find; a\n"
    "footprint is then named NICKNAME:NAME as KiCad names it.\n"
    "\n"
    "The source of show, render and copy may be a folder: every *.mod under it is read,\n"
    "and a module is named NAME or NICKNAME:NAME (NICKNAME: the file name without .mod).\n"
    "\n"
    "Without -o a command that changes a library replaces it. SOURCE_DATE_EPOCH, when set,\n"
    "fixes the date written in the header. On a .pretty folder only the footprint files\n"
    "that change are written; -o OUT.pretty writes a new folder (one with files in it only\n"
    "with --force), and --force also writes over files another program changed.\n"
    "\n"
    "  --lang en|pt the messages' language (also TREVAK_LANG): they are English; only the\n"
    "               footprint reader's newer-KiCad refusal is worded in Portuguese with pt\n"
    "  --help       this text\n"
    "  --version    the program's version\n"
    "\n"
    "Exit status: 0 done, 1 refused or not found, 2 usage or file error.\n";

struct Command {
  const char* name;
  int (*run)(const Args&, std::ostream&, std::ostream&);
};

CommandFunction renderCommand = nullptr;

int cmdRenderHere(const Args& args, std::ostream& out, std::ostream& err) {
  if (renderCommand != nullptr) return renderCommand(args, out, err);
  err << "trevak-cli: render runs in trevak-cli-render, which this process cannot start\n";
  return 2;
}

// The drawing program: beside this one (the build tree), else where the install put it.
std::string renderProgram() {
  std::string self(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n <= 0) return "trevak-cli-render";
  self.resize(static_cast<std::size_t>(n));
  const std::string folder = self.substr(0, self.rfind('/') + 1);
  const std::string beside = folder + "trevak-cli-render";
  if (::access(beside.c_str(), X_OK) == 0) return beside;
  return folder + TREVAK_RENDER_FROM_BINDIR;
}

// Runs `render` as trevak-cli-render in place of this process; returns only when that failed.
int execRender(const std::vector<std::string>& args) {
  const std::string program = renderProgram();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::cout.flush();
  std::cerr.flush();
  ::execv(program.c_str(), argv.data());
  std::cerr << "trevak-cli: cannot run " << program << ": " << std::strerror(errno) << '\n';
  return 2;
}

constexpr Command kCommands[] = {
    {"list", cmdList},
    {"show", cmdShow},
    {"render", cmdRenderHere},
    {"copy", cmdCopy},
    {"delete", cmdDelete},
    {"rename", cmdRename},
    {"strip-prefix", cmdStripPrefix},
    {"fill-names", cmdFillNames},
    {"normalize", cmdNormalize},
    {"export", cmdExport},
    {"check", cmdCheck},
    {"find", cmdFind},
    {"inspect", cmdInspect},
    {"tables", cmdTables},
    {"table", cmdTable},
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
    if (command != c.name) continue;
    const Args rest(args.begin() + 1, args.end());
    const bool tableCommand = command == "tables" || command == "table" || command == "find";
    return c.run(tableCommand ? rest : expandTableOptions(rest), out, err);
  }
  err << "trevak-cli: unknown command '" << command << "'\n" << kUsage;
  return 2;
}

void setRenderCommand(CommandFunction command) { renderCommand = command; }

int ControlEscapingBuffer::overflow(int ch) {
  if (ch == traits_type::eof()) return traits_type::not_eof(ch);
  const auto c = static_cast<unsigned char>(ch);
  // Line ends and TABs lay messages out; every other control byte is shown, not obeyed.
  if ((c < 32 && c != '\n' && c != '\t') || c == 127) {
    static constexpr char kHex[] = "0123456789abcdef";
    const char escaped[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
    return m_out->sputn(escaped, 4) == 4 ? ch : traits_type::eof();
  }
  return m_out->sputc(static_cast<char>(ch)) == traits_type::eof() ? traits_type::eof() : ch;
}

std::streamsize ControlEscapingBuffer::xsputn(const char* text, std::streamsize count) {
  for (std::streamsize i = 0; i < count; ++i) {
    if (overflow(static_cast<unsigned char>(text[i])) == traits_type::eof()) return i;
  }
  return count;
}

int ControlEscapingBuffer::sync() { return m_out->pubsync(); }

void runProcess(std::vector<std::string> args) {
  std::string languageError;
  if (!takeLanguageOption(args, languageError)) {
    std::cerr << "trevak-cli: " << languageError << '\n' << kUsage;
    std::cout.flush();
    std::_Exit(2);
  }
  std::unique_ptr<ModuleTable> kept;
  int status;
  // Messages may quote a library's bytes: on the terminal its control bytes are shown escaped.
  ControlEscapingBuffer escaping(std::cerr.rdbuf());
  std::ostream messages(&escaping);
  const std::string command = args.empty() ? std::string() : args.front();
  // No exception leaves the program uncaught: memory running out, or a fault no command
  // expected, ends it with a message and status 2 instead of an abort.
  try {
    if (command == "list" || command == "show") {
      const Args rest = expandTableOptions(Args(args.begin() + 1, args.end()));
      status = command == "list" ? cmdList(rest, std::cout, messages, kept)
                                 : cmdShow(rest, std::cout, messages, kept);
    } else if (command == "render" && renderCommand == nullptr) {
      status = execRender(args);
    } else {
      status = run(args, std::cout, messages);
    }
  } catch (const std::bad_alloc&) {
    kept.reset();
    messages << "trevak-cli: out of memory\n";
    status = 2;
  } catch (const std::exception& e) {
    messages << "trevak-cli: " << messageQuote(e.what()) << '\n';
    status = 2;
  }
  std::cout.flush();
  if (!std::cout && status == 0) status = 2;
  messages.flush();
  std::_Exit(status);
}

}  // namespace trevak::cli
