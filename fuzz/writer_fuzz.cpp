// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes that load into modules save and load back into the same names and bodies, and the
// file saved from that second load has the same bytes. Then a save over the file fails at one
// step (chosen by the input's length) and must leave the old file as it was and nothing beside
// it. All files live in memory behind the save's file layer.
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/library_writer.h"
#include "library/module_table.h"
#include "library/tokenizer.h"

namespace {

using trevak::ModuleTable;

void check(bool condition) {
  if (!condition) std::abort();
}

// No such folder exists, so the save sees a new file and every file operation goes to memory.
const std::string kTarget = "/nonexistent-trevak-fuzz/lib.mod";
const std::string kSecondTarget = "/nonexistent-trevak-fuzz/again.mod";

enum class Step { Create, Write, Flush, Close, Rename, None };

class MemoryFiles final : public trevak::SaveFileLayer {
 public:
  std::map<std::string, std::string> files;
  std::map<int, std::string> open;  // handle -> path
  Step failing = Step::None;

  int create(const std::string& path, mode_t, bool, int& handle) override {
    if (failing == Step::Create) return ENOSPC;
    if (files.count(path) != 0) return EEXIST;
    files[path];
    handle = m_next++;
    open[handle] = path;
    return 0;
  }
  int write(int handle, std::string_view data) override {
    check(open.count(handle) == 1);
    std::string& file = files[open[handle]];
    if (failing == Step::Write) {
      file.append(data.substr(0, data.size() / 2));
      return ENOSPC;
    }
    file.append(data);
    return 0;
  }
  int flush(int handle) override {
    check(open.count(handle) == 1);
    return failing == Step::Flush ? ENOSPC : 0;
  }
  int close(int handle) override {
    check(open.erase(handle) == 1);  // exactly once per created file
    return failing == Step::Close ? ENOSPC : 0;
  }
  int rename(const std::string& from, const std::string& to) override {
    if (failing == Step::Rename) return ENOSPC;
    const auto it = files.find(from);
    if (it == files.end()) return ENOENT;
    std::string bytes = std::move(it->second);
    files.erase(it);
    files[to] = std::move(bytes);
    return 0;
  }
  int remove(const std::string& path) override { return files.erase(path) == 1 ? 0 : ENOENT; }

 private:
  int m_next = 3;
};

using Module = std::pair<std::string, std::string>;  // name, body

std::vector<Module> contentOf(const ModuleTable& table) {
  std::vector<Module> modules;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const trevak::ModuleRecord& r = table.recordAt(row);
    modules.emplace_back(r.nome_Componente.value_or(""), r.Comandos.value_or(""));
  }
  return modules;
}

void load(std::string_view bytes, ModuleTable& table) {
  trevak::MemoryByteSource source(bytes);
  trevak::loadLibrary(source, table);
}

// The name a module comes back under: token 2 of its "$MODULE" line, which is the name up to
// its first blank.
std::string nameReadBack(const std::string& name) {
  // The whole rest of the module line, trimmed of white space as KiCad trims it.
  return std::string(trevak::moduleNameOfLine("$MODULE " + name));
}

// A name written alone on its index line that the reader takes for a module line ("$MODULE",
// "$module x", ...) brings an extra module in on the way back; the format cannot say
// otherwise.
bool indexLineOpensAModule(const std::string& name) {
  ModuleTable table;
  load(name, table);
  return !table.IsEmpty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ModuleTable first;
  load(bytes, first);
  if (first.IsEmpty()) return 0;  // nothing to save
  const std::vector<Module> before = contentOf(first);

  MemoryFiles memory;
  const trevak::SaveOptions options{trevak::HeaderTime{0, true}, &memory};
  trevak::saveLibrary(first, kTarget, options);
  check(memory.files.size() == 1 && memory.files.count(kTarget) == 1 && memory.open.empty());
  check(contentOf(first) == before);
  check(first.suspendCount() == 0);
  const std::string saved = memory.files[kTarget];

  ModuleTable second;
  load(saved, second);
  const std::vector<Module> after = contentOf(second);

  bool blanks = false;
  std::vector<Module> expected = before;
  for (Module& m : expected) {
    std::string back = nameReadBack(m.first);
    blanks = blanks || back != m.first;
    m.first = std::move(back);
  }
  if (!blanks && after == expected) {
    // The same modules in the same order, and so the same file when saved at the same moment.
    trevak::saveLibrary(second, kSecondTarget, options);
    check(memory.files[kSecondTarget] == saved);
  } else {
    // A name with a blank comes back cut and may sort elsewhere; a name that reads as a module
    // line brings extra modules in. Either way every module saved comes back.
    bool extraModules = false;
    for (const Module& m : before) extraModules = extraModules || indexLineOpensAModule(m.first);
    check(blanks || extraModules);
    std::vector<Module> got = after;
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    if (extraModules) {
      check(std::includes(got.begin(), got.end(), expected.begin(), expected.end()));
    } else {
      check(got == expected);
    }
  }

  // A save over the file that fails at one step keeps the old bytes and leaves no other file.
  const auto step = static_cast<Step>(size % 5);
  const std::map<std::string, std::string> filesBefore = memory.files;
  memory.failing = step;
  try {
    trevak::saveLibrary(first, kTarget, options);
    std::abort();
  } catch (const trevak::IoError& e) {
    check(std::string_view(e.what()) == "Disk full");
  }
  check(memory.files == filesBefore);
  check(memory.open.empty());
  check(first.suspendCount() == 0);
  check(contentOf(first) == before);
  return 0;
}
