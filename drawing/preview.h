// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <string_view>
#include <vector>

#include "drawing/drawing_state.h"
#include "library/module_table.h"

namespace trevak {

/// The widest and tallest picture a pane shows: the surface and its two margins.
inline constexpr int kMaxPictureSide = 2100;

/// Clears the working surface (pen and brush left white) and the visible area of
/// `*st.imagem_destino`, when one is set.
void apagarimage1(estado_desenho& st);

/// The edit pane's "Apagar": clears the working surface and the visible area of `image2`.
/// The picture keeps its size; the box, the scales and the target are left alone.
void limparEdicao(estado_desenho& st, PanePicture& image2);

/// Draws a module into `*st.imagem_destino` at `st.escala`: resets the box, clears, sets the
/// working surface's pen black in mask mode, interprets every line, then copies the boxed
/// area with a 50-pixel margin into the top-left of the target's raster and sizes the picture
/// to xmax - xmin + 100 by ymax - ymin + 100.
///
/// The picture is a blank white 101 x 101 when no conversion widened the box; a side above
/// kMaxPictureSide is cut to it; a side below 1 makes the picture 0 x 0 (it shows nothing).
/// The caller has checked that the pane's table is not empty and set the target and escala;
/// without a working surface and a target nothing happens.
///
/// `unit` is the unit of the pane's library (ModuleTable::unit()). In millimetres every line's
/// length fields are first converted to whole 1/10000 inch (LengthFieldConverter), so the
/// module is drawn at its true size by the same rules; any other unit draws the lines as they are.
void redesenhar(estado_desenho& st, const std::vector<std::string_view>& lines, bool textSwitchOn,
                LengthUnit unit = LengthUnit::Decimil);

/// What the pane shows: the top-left width x height of its raster, white past the raster's
/// edge. A null image when the picture is 0 x 0.
QImage paneImage(const PanePicture& picture);

}  // namespace trevak
