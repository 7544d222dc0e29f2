// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/interpreter.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "drawing/coordinates.h"
#include "drawing/primitives.h"

namespace trevak {

namespace {

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsUpper(std::string_view keyword, std::string_view upper) {
  if (keyword.size() != upper.size()) return false;
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    if (upperAscii(keyword[i]) != upper[i]) return false;
  }
  return true;
}

/// Truncates toward zero, saturating at the 64-bit range (the conversion then saturates
/// further to 32 bits).
std::int64_t truncSaturated(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18) return INT64_MAX;
  if (v <= -9.2e18) return INT64_MIN;
  return static_cast<std::int64_t>(v);
}

struct PixelBox {
  int x1, y1, x2, y2;
};

/// Converts a library box given by its real corners, each truncated to an integer first.
PixelBox convertBox(estado_desenho& st, double x1, double y1, double x2, double y2) {
  PixelBox b{};
  b.x1 = converte_x(st, integerText(truncSaturated(x1)), true);
  b.y1 = converte_y(st, integerText(truncSaturated(y1)), true);
  b.x2 = converte_x(st, integerText(truncSaturated(x2)), true);
  b.y2 = converte_y(st, integerText(truncSaturated(y2)), true);
  return b;
}

void drawPad(estado_desenho& st) {
  QRgb color = st.cor_outra;
  if (st.pad_atributo == "STD" || st.pad_atributo == "CONN") {
    color = st.cor_ilha;
  } else if (st.pad_atributo == "SMD") {
    color = st.cor_smd;
  }
  st.dentro_pad = false;
  if (!st.pad_forma.empty() && st.pad_forma.front() == 'C') st.pad_tam_y = st.pad_tam_x;

  Surface& s = *st.imagem_trabalho;
  s.setPenColor(color);
  // Any rotation draws the pad turned by a quarter.
  const bool turned = st.pad_orientacao != 0;
  const double w = turned ? st.pad_tam_y : st.pad_tam_x;
  const double h = turned ? st.pad_tam_x : st.pad_tam_y;
  const double px = st.pad_pos_x, py = st.pad_pos_y, drill = st.pad_furo;

  // Each box is converted again every time it is drawn, so it widens the box each time.
  auto padBox = [&] { return convertBox(st, px - w / 2, py - h / 2, w / 2 + px, h / 2 + py); };
  auto drillBox = [&] {
    return convertBox(st, px - drill / 2, py - drill / 2, drill / 2 + px, drill / 2 + py);
  };

  if (st.pad_forma == "R") {
    s.setBrushColor(color);
    const PixelBox b = padBox();
    s.rectangle(b.x1, b.y1, b.x2, b.y2);
    s.setBrushColor(kBlack);
    const PixelBox d = drillBox();
    s.ellipse(d.x1, d.y1, d.x2, d.y2);
  } else {
    s.setBrushColor(color);
    PixelBox b = padBox();
    s.ellipse(b.x1, b.y1, b.x2, b.y2);
    s.setBrushColor(st.cor_contorno);
    const PixelBox d = drillBox();
    s.ellipse(d.x1, d.y1, d.x2, d.y2);
    s.setBrushColor(color);
    b = padBox();
    s.ellipse(b.x1, b.y1, b.x2, b.y2);
  }
}

}  // namespace

double readReal(std::string_view text) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p != end && *p == ' ') ++p;
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  // Only digits or a point may start the number: this keeps out "inf", "nan" and hexadecimal.
  if (p == end || !((*p >= '0' && *p <= '9') || *p == '.')) return 0;
  double value = 0;
  const auto result = std::from_chars(p, end, value, std::chars_format::general);
  if (result.ec != std::errc()) return 0;
  return negative ? -value : value;
}

void pad(estado_desenho& st) {
  if (!st.dentro_pad) st.dentro_pad = true;
  const Tokens& t = st.tokens;
  const std::string_view keyword = t.texto(1);
  if (keyword == "Sh") {
    st.pad_forma = t.texto(3);
    st.pad_tam_x = readReal(t.texto(4));
    st.pad_orientacao = readReal(t.texto(8));
    st.pad_tam_y = t.texto(5) == "0" ? readReal(t.texto(4)) : readReal(t.texto(5));
  }
  if (keyword == "At") st.pad_atributo = t.texto(2);
  if (keyword == "Dr") st.pad_furo = readReal(t.texto(2));
  if (keyword == "Po") {
    st.pad_pos_x = readReal(t.texto(2));
    st.pad_pos_y = readReal(t.texto(3));
    if (st.pad_pos_x == 0) st.pad_pos_x = 10;
    if (st.pad_pos_y == 0) st.pad_pos_y = 10;
  }
  if (keyword != "$EndPAD") return;
  drawPad(st);
}

void interpreta_linha(estado_desenho& st, std::string_view line, bool textSwitchOn) {
  if (line.empty()) return;
  separa_tokens(st.tokens, line);
  // A copy: the routines below leave the tokens alone, but the keyword must not depend on it.
  const std::string keyword(st.tokens.texto(1));
  if (st.dentro_pad) pad(st);
  if (equalsUpper(keyword, "S")) retangulo(st);
  if (equalsUpper(keyword, "$PAD")) pad(st);
  if (equalsUpper(keyword, "DA")) arco(st);
  if (!keyword.empty() && upperAscii(keyword.front()) == 'T') textos(st, textSwitchOn);
  if (equalsUpper(keyword, "DS")) linha(st);
  if (equalsUpper(keyword, "DC")) circulo(st);
  if (keyword.size() == 2 && upperAscii(keyword.front()) == 'F') titulos(st);
}

}  // namespace trevak
