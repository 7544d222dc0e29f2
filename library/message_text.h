// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trevak {

/// The most bytes of a file's line that a message quotes.
inline constexpr std::size_t kMessageQuoteLimit = 200;

/// `bytes` from a library made safe for a terminal in a message: at most kMessageQuoteLimit
/// bytes are shown (then "..." and how many were left out), and every control byte (below 32,
/// and DEL) becomes `\xHH`, a backslash `\\`. Bytes from 128 up pass unchanged (UTF-8 names).
std::string messageQuote(std::string_view bytes);

}  // namespace trevak
