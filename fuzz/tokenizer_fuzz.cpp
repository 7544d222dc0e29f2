// SPDX-License-Identifier: GPL-3.0-or-later
// Any line of bytes splits without touching memory outside the token array.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "library/tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static trevak::Tokens tokens;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const int next = trevak::separa_tokens(tokens, line);
  if (tokens.ntokens < 0 || tokens.ntokens > trevak::Tokens::kSlots || next != tokens.ntokens + 1)
    std::abort();
  for (int k = tokens.ntokens + 1; k <= trevak::Tokens::kSlots; ++k) {
    if (!tokens[k].texto.empty() || tokens[k].tipo != trevak::tk_vazio) std::abort();
  }
  return 0;
}
