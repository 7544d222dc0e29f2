// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "drawing/drawing_state.h"

namespace trevak {

// The outline and text primitives. Each reads the line held in `st.tokens` (token 1 is the
// keyword) and draws onto `*st.imagem_trabalho`. What they set on the surface (pen, brush,
// font colour) stays there for the primitives after them.

/// "DS": a segment in cor_contorno from (2, 3) to (4, 5), end pixel left out; brush left
/// cor_contorno. Widens the box.
void linha(estado_desenho& st);

/// "S": a rectangle with corners (2, 3) and (4, 5) in the current pen and brush. Widens the box.
void retangulo(estado_desenho& st);

/// "DA": the arc around centre (2, 3) through start point (4, 5) over the angle of token 6 in
/// tenths of a degree, in cor_contorno. Never widens the box.
void arco(estado_desenho& st);

/// "DC": a circle around (2, 3) whose radius comes from token 4 (an x only), outlined in
/// cor_contorno with a white brush. Radii below 1000 are divided by 0.7. Widens the box.
void circulo(estado_desenho& st);

/// Keywords starting "T": the line's last token at (2, 3), 20 rows lower for "T0", on white
/// cells. Only when `textSwitchOn`; then pen teal, brush white, and the box widened by the
/// unshifted point.
void textos(estado_desenho& st, bool textSwitchOn);

/// Two-character keywords starting "F": the font colour becomes teal for good and token 2 is
/// written at (3, 4) on cells of the current brush colour. Widens the box.
void titulos(estado_desenho& st);

/// Rounds to the nearest integer, halves to the even neighbour (90.5 gives 90, 91.5 gives 92).
/// Values beyond the 64-bit range saturate; NaN gives 0.
std::int64_t roundHalfEven(long double v);

}  // namespace trevak
