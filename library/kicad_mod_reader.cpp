// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_mod_reader.h"

#include <charconv>
#include <cstdint>
#include <utility>

#include "library/sexpr_reader.h"

namespace trevak {
namespace {

using Token = SexprReader::Token;

void setError(KicadModSummary& s, std::string message, int line, int column) {
  s.ok = false;
  s.error = std::move(message);
  s.line = line;
  s.column = column;
}

bool isText(Token t) { return t == Token::Atom || t == Token::String; }

}  // namespace

std::string newerKicadMessage(long long version) {
  return "feito por um KiCad mais novo (versão " + std::to_string(version) + ")";
}

KicadModSummary summarizeKicadMod(std::string_view text) {
  KicadModSummary s;
  SexprReader r(text);
  auto fromReader = [&] {
    setError(s, r.error().message, r.error().line, r.error().column);
    return s;
  };
  Token t = r.next();
  if (t == Token::Error) return fromReader();
  if (t != Token::Open) {
    setError(s, t == Token::End ? "empty file: expected '(footprint'" : "expected '(footprint'",
             r.line(), r.column());
    return s;
  }
  t = r.next();
  if (t == Token::Error) return fromReader();
  if (t != Token::Atom || (r.raw() != "footprint" && r.raw() != "module")) {
    setError(s, "expected 'footprint' or 'module' after the first '('", r.line(), r.column());
    return s;
  }
  t = r.next();
  if (t == Token::Error) return fromReader();
  if (!isText(t)) {
    setError(s, "expected the footprint's name", r.line(), r.column());
    return s;
  }
  s.name = r.text();
  // Elements of the footprint list: the fields wanted are lists at depth 2 headed by a word.
  bool versionRefused = false;
  int refusedLine = 0, refusedColumn = 0;
  for (;;) {
    t = r.next();
    if (t == Token::Error) return fromReader();
    if (t == Token::Close && r.depth() == 0) break;
    if (t != Token::Open) continue;
    const int listLine = r.line(), listColumn = r.column();
    t = r.next();
    if (t == Token::Error) return fromReader();
    if (t == Token::Close) continue;  // "()"
    if (t == Token::Open) {
      if (r.skipList() == Token::Error) return fromReader();
      if (r.skipList() == Token::Error) return fromReader();
      continue;
    }
    const std::string_view key = t == Token::Atom ? r.raw() : std::string_view{};
    const bool wantVersion = key == "version";
    const bool wantDescr = key == "descr";
    const bool wantTags = key == "tags";
    if (!wantVersion && !wantDescr && !wantTags) {
      if (r.skipList() == Token::Error) return fromReader();
      continue;
    }
    t = r.next();
    if (t == Token::Error) return fromReader();
    if (isText(t)) {
      if (wantVersion) {
        long long v = 0;
        const std::string_view raw = r.raw();
        const auto [end, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), v);
        if (t != Token::Atom || ec != std::errc() || end != raw.data() + raw.size() || v < 0) {
          setError(s, "expected a whole number after 'version'", r.line(), r.column());
          return s;
        }
        if (v > kNewestKicadModVersion) {
          versionRefused = true;
          refusedLine = listLine;
          refusedColumn = listColumn;
          s.version = v > INT32_MAX ? INT32_MAX : static_cast<int>(v);
          s.error = newerKicadMessage(v);
        } else {
          s.version = static_cast<int>(v);
        }
      } else if (wantDescr) {
        s.description = r.text();
      } else {
        s.tags = r.text();
      }
      t = r.next();
      if (t == Token::Error) return fromReader();
    } else if (wantVersion) {
      setError(s, "expected a whole number after 'version'", r.line(), r.column());
      return s;
    }
    // Whatever else the list holds is skipped; a list left by its last token is closed.
    if (t == Token::Close) continue;
    if (t == Token::Open && r.skipList() == Token::Error) return fromReader();
    if (r.skipList() == Token::Error) return fromReader();
  }
  t = r.next();
  if (t == Token::Error) return fromReader();
  if (t != Token::End) {
    setError(s, "expected the end of the file after the footprint's closing ')'", r.line(),
             r.column());
    return s;
  }
  if (versionRefused) {
    s.ok = false;
    s.tooNew = true;
    s.line = refusedLine;
    s.column = refusedColumn;
    return s;
  }
  s.ok = true;
  return s;
}

}  // namespace trevak
