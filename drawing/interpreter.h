// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "drawing/drawing_state.h"

namespace trevak {

/// Draws one module body line (without its terminator) onto `*st.imagem_trabalho`: splits it
/// into `st.tokens`, hands it to `pad` while a pad block is open, then tests its keyword
/// (letter case ignored) and calls each routine whose test holds, in this order: "S"
/// retangulo, "$PAD" pad, "DA" arco, first letter "T" textos, "DS" linha, "DC" circulo, two
/// characters starting "F" titulos. Module texts are drawn only when `textSwitchOn`.
void interpreta_linha(estado_desenho& st, std::string_view line, bool textSwitchOn);

/// Gathers the pad block line held in `st.tokens` into the pad fields (keywords compared
/// exactly) and draws the pad at its `$EndPAD`.
void pad(estado_desenho& st);

/// Reads a real number in the C locale: leading blanks, optional sign, digits with an optional
/// `.` fraction and `E`/`e` exponent. Reading stops at the first character that does not fit;
/// empty or unreadable text, infinities and NaN read 0.
double readReal(std::string_view text);

}  // namespace trevak
