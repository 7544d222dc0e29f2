// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/message_text.h"

namespace trevak {

std::string messageQuote(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  const std::string_view shown = bytes.substr(0, kMessageQuoteLimit);
  std::string out;
  out.reserve(shown.size() + 16);
  for (const char ch : shown) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c == 127) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += ch;
    }
  }
  if (bytes.size() > shown.size()) {
    out += "... (" + std::to_string(bytes.size() - shown.size()) + " bytes more)";
  }
  return out;
}

}  // namespace trevak
