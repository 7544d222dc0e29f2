// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>
#include <vector>

#include "drawing/drawing_state.h"
#include "drawing/preview.h"

namespace trevak::test {

inline constexpr QRgb kGreen = 0xff008000u;
inline constexpr QRgb kRed = 0xffff0000u;
inline constexpr QRgb kOlive = 0xff808000u;
inline constexpr QRgb kBlue = 0xff0000ffu;

/// A fresh drawing state with its own working surface and one pane picture as the target.
class DrawingTest : public ::testing::Test {
 protected:
  DrawingTest() {
    st.imagem_trabalho = &work;
    st.imagem_destino = &pane;
  }

  /// Redraws the given module lines into the pane at `escala`.
  void draw(std::initializer_list<std::string_view> lines, bool texts = false, int escala = 100) {
    st.escala = escala;
    redesenhar(st, std::vector<std::string_view>(lines), texts);
  }

  QRgb at(int x, int y) const { return work.pixel(x, y); }

  /// Pixels of `color` in the box x1..x2, y1..y2 (inclusive) of the working surface.
  int count(QRgb color, int x1, int y1, int x2, int y2) const {
    int n = 0;
    for (int y = y1; y <= y2; ++y) {
      for (int x = x1; x <= x2; ++x) n += work.pixel(x, y) == color ? 1 : 0;
    }
    return n;
  }

  /// Pixels that are not white in the box.
  int ink(int x1, int y1, int x2, int y2) const {
    return (x2 - x1 + 1) * (y2 - y1 + 1) - count(kWhite, x1, y1, x2, y2);
  }

  Surface work;
  PanePicture pane;
  estado_desenho st;
};

}  // namespace trevak::test
