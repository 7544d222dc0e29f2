// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "drawing/drawing_state.h"

namespace trevak {

/// Reads a library integer the way the platform's integer reading does: leading blanks, an
/// optional sign, decimal digits, or hexadecimal after `$`, `x`, `X`, `0x` or `0X`. Reading
/// stops at the first other character; the digits read so far are then the value, without the
/// sign ("-1.5" reads 1, "12ab" reads 12). Empty text reads 0. Values beyond the 32-bit range
/// saturate.
std::int32_t readInteger(std::string_view texto);

/// Decimal text of an integer, as the drawing routines hand computed coordinates on.
std::string integerText(std::int64_t v);

/// The pixel column for the library X coordinate in `texto` at `st.escala`. When `widen` is
/// true, widens xmin/xmax and holds xmin at 0 or above.
std::int32_t converte_x(estado_desenho& st, std::string_view texto, bool widen);

/// The pixel row for the library Y coordinate in `texto`; as converte_x with ymin/ymax.
std::int32_t converte_y(estado_desenho& st, std::string_view texto, bool widen);

}  // namespace trevak
