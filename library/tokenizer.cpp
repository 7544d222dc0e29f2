// SPDX-License-Identifier: GPL-3.0-or-later
#include "tokenizer.h"

namespace trevak {

namespace {

const ttoken kEmptySlot{};

bool isNumberText(std::string_view s) {
  for (char c : s) {
    if (c != '+' && c != '-' && c != '.' && (c < '0' || c > '9')) return false;
  }
  return true;
}

enum class State { Between, InToken, InQuotes };

}  // namespace

const ttoken& Tokens::operator[](int k) const {
  if (k < 1 || k > kSlots) return kEmptySlot;
  return tokens[static_cast<std::size_t>(k - 1)];
}

int separa_tokens(Tokens& t, std::string_view line) {
  // Slots past the previous line's count are empty already; clearing only the used ones keeps
  // a 60,000-line module from paying 300 string clears per line.
  for (int k = 0; k < t.ntokens; ++k) {
    t.tokens[static_cast<std::size_t>(k)].texto.clear();
    t.tokens[static_cast<std::size_t>(k)].tipo = tk_vazio;
  }
  int n = 1;
  std::string buffer;
  auto store = [&](TokenKind kind) {
    if (n <= Tokens::kSlots) {
      ttoken& slot = t.tokens[static_cast<std::size_t>(n - 1)];
      slot.texto = buffer;
      slot.tipo = kind;
      ++n;
    }
    // Tokens past the last slot are dropped; n stays at 301 so ntokens caps at 300.
  };

  State state = State::Between;
  for (char c : line) {
    const bool blank = c == ' ';
    const bool quote = c == '"';
    const bool lineEnd = c == '\r' || c == '\n';
    switch (state) {
      case State::Between:
        if (quote) {
          buffer.clear();
          state = State::InQuotes;
        } else if (!blank && !lineEnd) {
          buffer.assign(1, c);
          state = State::InToken;
        }
        break;
      case State::InToken:
        if (blank) {
          store(isNumberText(buffer) ? tk_numero : tk_palavra);
          state = State::Between;
        } else if (quote) {
          store(tk_palavra);
          buffer.clear();
          state = State::InQuotes;
        } else if (lineEnd) {
          // A stray line end ends the token like the end of the line does.
          store(tk_palavra);
          state = State::Between;
        } else {
          buffer.push_back(c);
        }
        break;
      case State::InQuotes:
        if (quote) {
          store(tk_palavra);
          buffer.clear();
          state = State::Between;
        } else {
          buffer.push_back(c);
        }
        break;
    }
  }
  if (state == State::InToken) store(tk_palavra);
  if (state == State::InQuotes) store(tk_aspas);

  t.ntokens = n - 1;
  return n;
}

}  // namespace trevak
