// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRgb>
#include <cstdint>
#include <string>

#include "drawing/surface.h"
#include "library/tokenizer.h"

namespace trevak {

/// A pane's picture (Image2, Image3): a 2000 x 2000 raster that is never resized, and the size
/// of the control that shows the raster's top-left corner.
struct PanePicture {
  Surface raster;
  int width = Surface::kSize;   ///< the control's width; 0 when it shows nothing
  int height = Surface::kSize;  ///< the control's height; 0 when it shows nothing
};

/// The fixed colours of the drawing besides the four of the state: texts are teal.
inline constexpr QRgb kTeal = 0xff008080u;
inline constexpr QRgb kWhite = 0xffffffffu;  ///< background
inline constexpr QRgb kBlack = 0xff000000u;  ///< the redraw's pen; rectangular pads' drills

/// The drawing state shared by both panes: surfaces, scales, the bounding box of what the
/// current drawing converted, the drawing colours, the pad being gathered and the token array
/// of the line being interpreted. The window owns one; tests make fresh ones.
struct estado_desenho {
  Surface* imagem_trabalho = nullptr;     ///< the working surface (Image1)
  PanePicture* imagem_destino = nullptr;  ///< the pane the next redraw fills

  std::int32_t escala = 100;           ///< divisor of the conversion: 1 pixel = 1.15 x escala units
  std::int32_t escala_edicao = 100;    ///< the edit pane's scale, 40..210
  std::int32_t escala_pesquisa = 100;  ///< the search pane's scale, 40..210

  std::int32_t xmin = 2147483647;
  std::int32_t ymin = 2147483647;
  std::int32_t xmax = -2147483647 - 1;
  std::int32_t ymax = -2147483647 - 1;

  QRgb cor_ilha = 0xff008000u;      ///< pads STD and CONN: green
  QRgb cor_smd = 0xffff0000u;       ///< pads SMD: red
  QRgb cor_outra = 0xff808000u;     ///< any other pad: olive
  QRgb cor_contorno = 0xff0000ffu;  ///< outlines and round drills: blue

  // The pad being gathered. Never reset: a block that leaves a field out keeps the value of
  // the pad before it, even from another module or an earlier drawing.
  bool dentro_pad = false;
  std::string pad_forma;
  std::string pad_atributo;
  double pad_tam_x = 0;
  double pad_tam_y = 0;
  double pad_pos_x = 0;
  double pad_pos_y = 0;
  double pad_orientacao = 0;
  double pad_furo = 0;

  /// The line being interpreted, split.
  Tokens tokens;

  /// Back to the start values of the bounding box, as each redraw does first.
  void resetBox() {
    xmin = 2147483647;
    ymin = 2147483647;
    xmax = -2147483647 - 1;
    ymax = -2147483647 - 1;
  }
};

}  // namespace trevak
