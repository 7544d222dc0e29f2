// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes load: the table that comes out holds names and bodies of the shape the reader
// promises, in name order, and reading the same bytes in small pieces gives the same table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/library_reader.h"
#include "library/module_table.h"
#include "library/name_collation.h"

namespace {

using trevak::ModuleRecord;
using trevak::ModuleTable;

void check(bool condition) {
  if (!condition) std::abort();
}

// The most modules the bytes can name: each needs a "$MODULE" keyword of its own.
std::size_t moduleLinesAtMost(std::string_view bytes) {
  std::size_t n = 0;
  for (std::size_t i = 0; i + 7 <= bytes.size(); ++i) {
    if (bytes[i] != '$') continue;
    bool match = true;
    for (std::size_t k = 1; k < 7 && match; ++k) {
      const char c = bytes[i + k];
      const char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
      match = u == "$MODULE"[k];
    }
    if (match) ++n;
  }
  return n;
}

void checkShape(const ModuleTable& table, std::string_view bytes) {
  check(table.mode() == trevak::TableMode::Browse);
  check(table.suspendCount() == 0);
  check(table.IsEmpty() ? table.currentIndex() == -1 && table.AtEnd()
                        : table.currentIndex() == 0 && !table.AtEnd());
  check(static_cast<std::size_t>(table.RecordCount()) <= moduleLinesAtMost(bytes));
  const trevak::ModuleNameCollator collator;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    check(r.nome_Componente.has_value() && r.Comandos.has_value() && !r.Ilhas.has_value());
    const std::string& name = *r.nome_Componente;
    const std::string& body = *r.Comandos;
    // A name is the trimmed rest of one line: no line break, Ctrl-Z or NUL, and no white space
    // at either end.
    check(name.find_first_of(std::string_view("\r\n\x1a\0", 4)) == std::string::npos);
    check(name.empty() || (name.front() != ' ' && name.front() != '\t' && name.back() != ' ' &&
                           name.back() != '\t'));
    // A body is whole lines, each followed by one CR; no line holds a line break or Ctrl-Z.
    check(body.empty() || body.back() == '\r');
    check(body.find_first_of("\n\x1a") == std::string::npos);
    check(body.size() <= bytes.size());
    if (row > 0) {
      const ModuleRecord& previous = table.recordAt(row - 1);
      check(trevak::compareModuleNames(collator.sortKey(*previous.nome_Componente),
                                       collator.sortKey(name)) <= 0);
      check(previous.creationNumber != r.creationNumber);
    }
  }
}

bool sameContent(const ModuleTable& a, const ModuleTable& b) {
  if (a.RecordCount() != b.RecordCount() || a.unit() != b.unit()) return false;
  for (int row = 0; row < a.RecordCount(); ++row) {
    const ModuleRecord& x = a.recordAt(row);
    const ModuleRecord& y = b.recordAt(row);
    if (x.nome_Componente != y.nome_Componente || x.Comandos != y.Comandos) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  ModuleTable whole;
  trevak::MemoryByteSource source(bytes);
  trevak::loadLibrary(source, whole);
  checkShape(whole, bytes);

  // Pieces of 1 to 16 bytes make lines, CR LF pairs and Ctrl-Z straddle the reads.
  ModuleTable pieces;
  trevak::MemoryByteSource pieceSource(bytes, 1 + size % 16);
  trevak::readLibrary(pieceSource, pieces);
  check(sameContent(whole, pieces));
  return 0;
}
