// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes read as a footprint file: the s-expression reader, the tree, the summary and the
// .kicad_mod reader agree on whether the text is well formed, and whatever reads gives items
// and an inspect line without touching memory it does not own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "library/footprint_json.h"
#include "library/kicad_mod_reader.h"
#include "library/sexpr_reader.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  trevak::SexprReader reader(text);
  trevak::SexprReader::Token t;
  do {
    t = reader.next();
    check(reader.depth() >= 0);
    check(reader.offset() <= size);
  } while (t != trevak::SexprReader::Token::End && t != trevak::SexprReader::Token::Error);
  const trevak::SexprTree tree = trevak::readSexprTree(text);
  check(static_cast<bool>(tree.error) == (t == trevak::SexprReader::Token::Error));
  if (tree.error) check(tree.error.line >= 1 && tree.error.column >= 1);

  const trevak::KicadModSummary summary = trevak::summarizeKicadMod(text);
  check(summary.ok == summary.error.empty());
  static trevak::ModuleItems items;
  const trevak::KicadModInfo info = trevak::parseKicadMod(text, items);
  // A file the summary refuses is refused; one it accepts fails only on an item's field.
  if (!summary.ok) check(!info.ok && info.error == summary.error);
  if (!info.ok) check(items.pads.empty() && items.shapes.empty() && items.texts.empty());
  if (info.ok) {
    check(info.name == summary.name && info.version == summary.version);
    trevak::InspectOrigin origin;
    origin.name = info.name;
    const std::string json = trevak::inspectJson(origin, items);
    check(json.size() >= 2 && json.front() == '{' && json.back() == '}');
  }
  return 0;
}
