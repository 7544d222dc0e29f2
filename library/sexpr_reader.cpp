// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/sexpr_reader.h"

#include <array>
#include <climits>

namespace trevak {
namespace {

enum ByteClass : std::uint8_t { kAtom, kBlank, kLineFeed, kOpen, kClose, kQuote, kNul };

constexpr std::array<std::uint8_t, 256> makeClasses() {
  std::array<std::uint8_t, 256> c{};
  for (auto& v : c) v = kAtom;
  c[static_cast<unsigned char>(' ')] = kBlank;
  c[static_cast<unsigned char>('\t')] = kBlank;
  c[static_cast<unsigned char>('\r')] = kBlank;
  c[static_cast<unsigned char>('\f')] = kBlank;
  c[static_cast<unsigned char>('\v')] = kBlank;
  c[static_cast<unsigned char>('\n')] = kLineFeed;
  c[static_cast<unsigned char>('(')] = kOpen;
  c[static_cast<unsigned char>(')')] = kClose;
  c[static_cast<unsigned char>('"')] = kQuote;
  c[0] = kNul;
  return c;
}

constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();

inline std::uint8_t classOf(char ch) { return kClasses[static_cast<unsigned char>(ch)]; }

int clampToInt(std::int64_t v) { return v > INT_MAX ? INT_MAX : static_cast<int>(v); }

int hexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

}  // namespace

SexprReader::SexprReader(std::string_view text) noexcept : text_(text) {}

SexprReader::Token SexprReader::fail(const char* message, std::size_t at) noexcept {
  // A string left open has counted its lines already: its error is at its start.
  if (at < lineStart_) {
    lineNo_ = tokLine_;
    lineStart_ = tokLineStart_;
  }
  // Count the lines up to `at` from the current line (the error may lie ahead of it).
  for (std::size_t i = lineStart_; i < at && i < text_.size(); ++i) {
    if (text_[i] == '\n') {
      ++lineNo_;
      lineStart_ = i + 1;
    }
  }
  tokStart_ = at;
  tokLine_ = lineNo_;
  tokLineStart_ = lineStart_;
  error_.message = message;
  error_.line = clampToInt(tokLine_);
  error_.column = clampToInt(static_cast<std::int64_t>(at - lineStart_) + 1);
  raw_ = {};
  token_ = Token::Error;
  pos_ = text_.size();
  return token_;
}

SexprReader::Token SexprReader::next() noexcept {
  if (token_ == Token::Error) return token_;
  const char* const data = text_.data();
  const std::size_t size = text_.size();
  std::size_t p = pos_;
  for (;;) {
    if (p >= size) {
      pos_ = p;
      if (depth_ > 0) return fail("expected ')' before the end of the file", p);
      tokStart_ = p;
      tokLine_ = lineNo_;
      tokLineStart_ = lineStart_;
      raw_ = {};
      return token_ = Token::End;
    }
    const std::uint8_t c = classOf(data[p]);
    if (c == kBlank) {
      ++p;
      continue;
    }
    if (c == kLineFeed) {
      ++p;
      ++lineNo_;
      lineStart_ = p;
      continue;
    }
    tokStart_ = p;
    tokLine_ = lineNo_;
    tokLineStart_ = lineStart_;
    escaped_ = false;
    switch (c) {
      case kOpen:
        pos_ = p + 1;
        ++depth_;
        raw_ = text_.substr(p, 1);
        return token_ = Token::Open;
      case kClose:
        if (depth_ == 0) {
          pos_ = p;
          return fail("unexpected ')' with no list open", p);
        }
        pos_ = p + 1;
        --depth_;
        raw_ = text_.substr(p, 1);
        return token_ = Token::Close;
      case kNul:
        pos_ = p;
        return fail("NUL byte in the text", p);
      case kQuote: {
        const std::size_t begin = p + 1;
        std::size_t q = begin;
        bool escaped = false;
        for (;;) {
          if (q >= size) {
            pos_ = p;
            return fail("string left open: no closing '\"' before the end of the file", p);
          }
          const char ch = data[q];
          if (ch == '"') break;
          if (ch == '\\') {
            escaped = true;
            ++q;  // the escaped byte never closes the string
            if (q < size && data[q] == '\0') {
              pos_ = p;
              return fail("NUL byte in the text", q);
            }
            if (q < size && data[q] == '\n') {
              ++lineNo_;
              lineStart_ = q + 1;
            }
            if (q < size) ++q;
            continue;
          }
          if (ch == '\n') {
            ++lineNo_;
            lineStart_ = q + 1;
          } else if (ch == '\0') {
            pos_ = p;
            return fail("NUL byte in the text", q);
          }
          ++q;
        }
        raw_ = text_.substr(begin, q - begin);
        escaped_ = escaped;
        pos_ = q + 1;
        return token_ = Token::String;
      }
      default: {
        std::size_t q = p + 1;
        while (q < size) {
          const std::uint8_t k = classOf(data[q]);
          if (k != kAtom && k != kQuote) break;
          ++q;
        }
        raw_ = text_.substr(p, q - p);
        pos_ = q;
        return token_ = Token::Atom;
      }
    }
  }
}

SexprReader::Token SexprReader::skipList() noexcept {
  // A byte loop over the bytes that matter (parentheses, quotes, line feeds, NUL): what a
  // skipped list holds is never looked at, so it costs no tokens.
  static constexpr std::array<std::uint8_t, 256> kSkip = [] {
    std::array<std::uint8_t, 256> c{};
    c[static_cast<unsigned char>('(')] = 1;
    c[static_cast<unsigned char>(')')] = 2;
    c[static_cast<unsigned char>('"')] = 3;
    c[static_cast<unsigned char>('\n')] = 4;
    c[0] = 5;
    return c;
  }();
  if (token_ == Token::Error) return token_;
  const char* const data = text_.data();
  const std::size_t size = text_.size();
  std::size_t p = pos_;
  std::int64_t open = 1;
  std::size_t lastQuote = token_ == Token::String ? pos_ - 1 : size;  // a string's closing quote
  for (;;) {
    while (p < size && kSkip[static_cast<unsigned char>(data[p])] == 0) ++p;
    if (p >= size) {
      pos_ = p;
      return fail("expected ')' before the end of the file", p);
    }
    switch (kSkip[static_cast<unsigned char>(data[p])]) {
      case 1:
        ++open;
        ++depth_;
        ++p;
        break;
      case 2:
        --depth_;
        if (--open == 0) {
          tokStart_ = p;
          tokLine_ = lineNo_;
          tokLineStart_ = lineStart_;
          raw_ = text_.substr(p, 1);
          escaped_ = false;
          pos_ = p + 1;
          return token_ = Token::Close;
        }
        ++p;
        break;
      case 3: {
        // An atom may hold a quote (KiCad 5's unquoted words): only a quote after a blank or
        // a parenthesis opens a string, as next() reads it.
        const bool opens = p == 0 || p - 1 == lastQuote ||
                           (classOf(data[p - 1]) != kAtom && classOf(data[p - 1]) != kQuote);
        if (!opens) {
          ++p;
          break;
        }
        tokStart_ = p;
        tokLine_ = lineNo_;
        tokLineStart_ = lineStart_;
        std::size_t q = p + 1;
        for (;;) {
          if (q >= size) {
            pos_ = p;
            return fail("string left open: no closing '\"' before the end of the file", p);
          }
          const char ch = data[q];
          if (ch == '"') break;
          if (ch == '\\') {
            ++q;
            if (q >= size) continue;
          }
          if (data[q] == '\0') {
            pos_ = p;
            return fail("NUL byte in the text", q);
          }
          if (data[q] == '\n') {
            ++lineNo_;
            lineStart_ = q + 1;
          }
          ++q;
        }
        lastQuote = q;
        p = q + 1;
        break;
      }
      case 4:
        ++p;
        ++lineNo_;
        lineStart_ = p;
        break;
      default:
        pos_ = p;
        return fail("NUL byte in the text", p);
    }
  }
}

std::string SexprReader::text() const {
  if (token_ == Token::String && escaped_) return unescapeSexprString(raw_);
  return std::string(raw_);
}

int SexprReader::line() const noexcept { return clampToInt(tokLine_); }

int SexprReader::column() const noexcept {
  return clampToInt(static_cast<std::int64_t>(tokStart_ - tokLineStart_) + 1);
}

std::string unescapeSexprString(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char ch = raw[i];
    if (ch != '\\' || i + 1 >= raw.size()) {
      out.push_back(ch);
      continue;
    }
    const char e = raw[++i];
    switch (e) {
      case 'a': out.push_back('\a'); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'v': out.push_back('\v'); break;
      case 'x': {
        int value = 0;
        int digits = 0;
        while (digits < 2 && i + 1 < raw.size() && hexValue(raw[i + 1]) >= 0) {
          value = value * 16 + hexValue(raw[++i]);
          ++digits;
        }
        if (digits == 0) out.push_back('x');
        else out.push_back(static_cast<char>(value));
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          int value = e - '0';
          for (int d = 1; d < 3 && i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7';
               ++d)
            value = value * 8 + (raw[++i] - '0');
          out.push_back(static_cast<char>(value & 0xff));
        } else {
          out.push_back(e);  // \" \\ and any other byte stand for themselves
        }
    }
  }
  return out;
}

std::string SexprTree::text(std::int32_t i) const {
  if (i < 0) return {};
  const SexprNode& n = (*this)[i];
  if (n.kind == SexprNode::Kind::List) return {};
  if (n.escaped) return unescapeSexprString(n.raw);
  return std::string(n.raw);
}

std::string_view SexprTree::head(std::int32_t i) const {
  if (i < 0) return {};
  const SexprNode& n = (*this)[i];
  if (n.kind != SexprNode::Kind::List || n.firstChild < 0) return {};
  const SexprNode& h = (*this)[n.firstChild];
  return h.kind == SexprNode::Kind::Atom ? h.raw : std::string_view{};
}

std::int32_t SexprTree::child(std::int32_t list, int index) const {
  if (list < 0 || index < 0) return -1;
  std::int32_t c = (*this)[list].firstChild;
  while (c >= 0 && index-- > 0) c = (*this)[c].nextSibling;
  return c;
}

std::int32_t SexprTree::find(std::int32_t list, std::string_view token) const {
  if (list < 0) return -1;
  for (std::int32_t c = (*this)[list].firstChild; c >= 0; c = (*this)[c].nextSibling) {
    if (head(c) == token) return c;
  }
  return -1;
}

int SexprTree::size(std::int32_t list) const {
  if (list < 0) return 0;
  int n = 0;
  for (std::int32_t c = (*this)[list].firstChild; c >= 0; c = (*this)[c].nextSibling) ++n;
  return n;
}

std::string_view SexprTree::source(std::string_view text, std::int32_t i) const {
  if (i < 0) return {};
  const SexprNode& n = (*this)[i];
  const char* begin = n.kind == SexprNode::Kind::String ? n.raw.data() - 1 : n.raw.data();
  const auto from = static_cast<std::size_t>(begin - text.data());
  if (from > text.size() || n.end < from || n.end > text.size()) return {};
  return text.substr(from, n.end - from);
}

SexprTree readSexprTree(std::string_view text) {
  SexprTree tree;
  SexprReader reader(text);
  // For each open list: its index and its last element so far (-1 when none yet).
  struct Open {
    std::int32_t list;
    std::int32_t last;
  };
  std::vector<Open> open;
  std::int32_t lastTop = -1;
  auto attach = [&](std::int32_t index) {
    if (open.empty()) {
      if (lastTop < 0) tree.firstTop = index;
      else tree.nodes[static_cast<std::size_t>(lastTop)].nextSibling = index;
      lastTop = index;
      return;
    }
    Open& o = open.back();
    if (o.last < 0) tree.nodes[static_cast<std::size_t>(o.list)].firstChild = index;
    else tree.nodes[static_cast<std::size_t>(o.last)].nextSibling = index;
    o.last = index;
  };
  for (;;) {
    const SexprReader::Token t = reader.next();
    if (t == SexprReader::Token::End) break;
    if (t == SexprReader::Token::Error) {
      tree.error = reader.error();
      tree.nodes.clear();
      tree.nodes.shrink_to_fit();
      tree.firstTop = -1;
      return tree;
    }
    if (t == SexprReader::Token::Close) {
      tree.nodes[static_cast<std::size_t>(open.back().list)].end = reader.offset();
      open.pop_back();
      continue;
    }
    if (tree.nodes.size() >= static_cast<std::size_t>(INT32_MAX)) {
      tree.error = {"too many elements in the text", reader.line(), reader.column()};
      tree.nodes.clear();
      tree.firstTop = -1;
      return tree;
    }
    SexprNode node;
    node.kind = t == SexprReader::Token::Open   ? SexprNode::Kind::List
                : t == SexprReader::Token::Atom ? SexprNode::Kind::Atom
                                                : SexprNode::Kind::String;
    node.raw = reader.raw();
    node.escaped = reader.escaped();
    node.line = reader.line();
    node.column = reader.column();
    node.end = reader.offset();
    const auto index = static_cast<std::int32_t>(tree.nodes.size());
    tree.nodes.push_back(node);
    attach(index);
    if (t == SexprReader::Token::Open) open.push_back({index, -1});
  }
  return tree;
}

}  // namespace trevak
