// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace trevak {

/// Kind of a token, as stored in `ttoken::tipo`. Values 2 to 5 are unused.
enum TokenKind : std::uint8_t {
  tk_palavra = 0,  ///< word: anything that is not a number, closed quoted text included
  tk_numero = 1,   ///< ended by a blank and made only of + - . 0-9
  tk_vazio = 6,    ///< empty slot past ntokens
  tk_aspas = 7,    ///< quoted text still open at the end of the line
};

/// One token of a footprint line.
struct ttoken {
  std::string texto;  ///< the characters, without surrounding quotes
  TokenKind tipo = tk_vazio;
};

/// The token array filled by `separa_tokens`: 300 slots numbered from 1.
struct Tokens {
  static constexpr int kSlots = 300;

  std::array<ttoken, kSlots> tokens{};  ///< tokens[0] is slot 1
  int ntokens = 0;                      ///< number of tokens of the last line split

  /// Slot k (1-based). Any k outside 1..300 reads as an empty `tk_vazio` slot.
  const ttoken& operator[](int k) const;
  /// Shorthand for `(*this)[k].texto`.
  std::string_view texto(int k) const { return (*this)[k].texto; }
};

/// Splits one line (without its terminator) into `t`. Every slot past the line's last token is
/// left empty; tokens beyond the 300th are dropped. Returns ntokens + 1.
int separa_tokens(Tokens& t, std::string_view line);

}  // namespace trevak
