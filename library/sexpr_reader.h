// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trevak {

/// Where and why a text is not a well-formed s-expression. `message` is empty when it is.
struct SexprError {
  std::string message;  ///< English, e.g. "expected ')' before the end of the file"
  int line = 0;         ///< 1-based; 0 when there is no error
  int column = 0;       ///< 1-based byte column
  explicit operator bool() const { return !message.empty(); }
};

/// A pull parser of KiCad's s-expressions over a byte buffer, without recursion: nesting is a
/// counter, so no file can exhaust the stack. Tokens are `(`, `)`, atoms (any run of bytes
/// without blanks, parentheses or a leading quote: KiCad 5's unquoted strings, numbers, words)
/// and quoted strings with KiCad's escapes (`\"` `\\` `\a` `\b` `\f` `\n` `\r` `\t` `\v`,
/// `\x` with up to two hexadecimal digits, up to three octal digits; any other escaped byte
/// stands for itself). Blanks are space, tab, CR, LF, FF and VT; lines are counted at LF.
///
/// Errors stop the reader (every later next() returns Error again): a `)` with no list open,
/// the end of the text inside a list or a string, and a NUL byte (KiCad stops reading a file
/// there, so taking the rest would show what KiCad does not). The text must outlive the reader.
class SexprReader {
 public:
  enum class Token : std::uint8_t { Open, Close, Atom, String, End, Error };

  explicit SexprReader(std::string_view text) noexcept;

  /// Reads the next token. End at the end of the text with every list closed.
  Token next() noexcept;
  Token token() const noexcept { return token_; }

  /// An atom's bytes, or a string's bytes between the quotes with escapes not resolved.
  std::string_view raw() const noexcept { return raw_; }
  /// True for a string holding at least one backslash.
  bool escaped() const noexcept { return escaped_; }
  /// The atom, or the string with its escapes resolved.
  std::string text() const;

  /// Line and column of the current token's first byte (of the error for Error).
  int line() const noexcept;
  int column() const noexcept;
  /// Lists open after the current token (an Open counts itself, a Close no longer counts).
  std::int64_t depth() const noexcept { return depth_; }

  /// Inside a list (just after its Open or any of its elements, not after its Close): reads
  /// up to and including the Close of that list. Returns Close, or Error.
  Token skipList() noexcept;

  const SexprError& error() const noexcept { return error_; }
  /// Bytes read so far.
  std::size_t offset() const noexcept { return pos_; }

 private:
  Token fail(const char* message, std::size_t at) noexcept;

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t lineStart_ = 0;  // offset of the current line's first byte
  std::int64_t lineNo_ = 1;
  std::size_t tokStart_ = 0;
  std::int64_t tokLine_ = 1;
  std::size_t tokLineStart_ = 0;
  std::int64_t depth_ = 0;
  std::string_view raw_;
  bool escaped_ = false;
  Token token_ = Token::End;
  SexprError error_;
};

/// Resolves KiCad's escapes in the bytes between a string's quotes (see SexprReader).
std::string unescapeSexprString(std::string_view raw);

/// One node of a SexprTree: a list, an atom or a string.
struct SexprNode {
  enum class Kind : std::uint8_t { List, Atom, String };
  Kind kind = Kind::List;
  bool escaped = false;   ///< a string with escapes: read it through SexprTree::text
  std::string_view raw;   ///< atom bytes, or string bytes between quotes (escapes unresolved)
  int line = 0;           ///< 1-based line of the node's first byte
  int column = 0;         ///< 1-based byte column
  std::int32_t firstChild = -1;   ///< a list's first element, -1 when empty or not a list
  std::int32_t nextSibling = -1;  ///< the next element of the enclosing list, -1 at its end
  std::size_t end = 0;  ///< offset in the text just past the node (past a list's ')')
};

/// A whole text read as s-expressions, kept in one flat array (building and destroying it
/// recurse nowhere). The text must outlive the tree.
class SexprTree {
 public:
  std::vector<SexprNode> nodes;  ///< in text order; a list precedes its elements
  std::int32_t firstTop = -1;    ///< the first top-level node
  SexprError error;              ///< set when the text is not well formed (nodes then empty)

  const SexprNode& operator[](std::int32_t i) const { return nodes[static_cast<std::size_t>(i)]; }
  /// An atom's text or a string's resolved text; empty for a list.
  std::string text(std::int32_t i) const;
  /// A list's first element when it is an atom (KiCad's token: `pad`, `at`...); else empty.
  std::string_view head(std::int32_t i) const;
  /// The i-th element of a list (0 is the head), or -1.
  std::int32_t child(std::int32_t list, int index) const;
  /// The first element of `list` that is a list headed by `token`, or -1.
  std::int32_t find(std::int32_t list, std::string_view token) const;
  /// Elements of a list, the head included.
  int size(std::int32_t list) const;
  /// The node's bytes in `text` (the text the tree was read from), as written.
  std::string_view source(std::string_view text, std::int32_t i) const;
};

/// Reads `text` into a tree. On malformed text, `error` is set and the tree is empty.
SexprTree readSexprTree(std::string_view text);

}  // namespace trevak
