// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/primitives.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "drawing/coordinates.h"

namespace trevak {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

std::int64_t readInt(const Tokens& t, int k) { return readInteger(t.texto(k)); }

int toX(estado_desenho& st, std::int64_t v, bool widen) {
  return converte_x(st, integerText(v), widen);
}
int toY(estado_desenho& st, std::int64_t v, bool widen) {
  return converte_y(st, integerText(v), widen);
}

}  // namespace

std::int64_t roundHalfEven(long double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18L) return INT64_MAX;
  if (v <= -9.2e18L) return INT64_MIN;
  const long double lower = std::floor(v);
  const long double fraction = v - lower;
  auto n = static_cast<std::int64_t>(lower);
  if (fraction > 0.5L || (fraction == 0.5L && n % 2 != 0)) ++n;
  return n;
}

void linha(estado_desenho& st) {
  Surface& s = *st.imagem_trabalho;
  s.setPenColor(st.cor_contorno);
  s.setBrushColor(st.cor_contorno);
  const Tokens& t = st.tokens;
  const int x1 = converte_x(st, t.texto(2), true);
  const int y1 = converte_y(st, t.texto(3), true);
  const int x2 = converte_x(st, t.texto(4), true);
  const int y2 = converte_y(st, t.texto(5), true);
  s.moveTo(x1, y1);
  s.lineTo(x2, y2);
}

void retangulo(estado_desenho& st) {
  const Tokens& t = st.tokens;
  const int x1 = converte_x(st, t.texto(2), true);
  const int y1 = converte_y(st, t.texto(3), true);
  const int x2 = converte_x(st, t.texto(4), true);
  const int y2 = converte_y(st, t.texto(5), true);
  st.imagem_trabalho->rectangle(x1, y1, x2, y2);
}

void arco(estado_desenho& st) {
  Surface& s = *st.imagem_trabalho;
  s.setPenColor(st.cor_contorno);
  const Tokens& t = st.tokens;
  const std::int64_t cx = readInt(t, 2), cy = readInt(t, 3);
  const std::int64_t sx = readInt(t, 4), sy = readInt(t, 5);
  const std::int64_t angle = readInt(t, 6);

  std::int64_t n = roundHalfEven(static_cast<long double>(angle) / 10.0L);
  if (n > 180) n = (n - 1) % 180 + 1;  // subtracting 180 while above 180

  // The squared radius can pass 32 bits (and even 64) for far-apart points: extended
  // precision holds it.
  const auto dx = static_cast<long double>(sx - cx);
  const auto dy = static_cast<long double>(sy - cy);
  const std::int64_t r = roundHalfEven(std::sqrt(dx * dx + dy * dy));
  if (r == 0) return;

  const long double cosine = std::clamp(dx / static_cast<long double>(r), -1.0L, 1.0L);
  const std::int64_t a0 = roundHalfEven(std::acos(cosine) * 180.0L / kPi);
  const std::int64_t d = n - a0;
  const long double radians = static_cast<long double>(d) * kPi / 180.0L;
  const std::int64_t ex = (d == 90 || d == 270)
                              ? cx
                              : cx + roundHalfEven(std::cos(radians) * static_cast<long double>(r));
  const std::int64_t ey = (d == 0 || d == 180)
                              ? cy
                              : cy + roundHalfEven(std::sin(radians) * static_cast<long double>(r));

  const int x1 = toX(st, cx - r, false), y1 = toY(st, cy - r, false);
  const int x2 = toX(st, cx + r, false), y2 = toY(st, cy + r, false);
  const int xe = toX(st, ex, false), ye = toY(st, ey, false);
  const int xs = toX(st, sx, false), ys = toY(st, sy, false);
  // Counter-clockwise from the computed end back to the start point.
  s.arc(x1, y1, x2, y2, xe, ye, xs, ys);
}

void circulo(estado_desenho& st) {
  Surface& s = *st.imagem_trabalho;
  s.setPenColor(st.cor_contorno);
  s.setBrushColor(kWhite);
  const Tokens& t = st.tokens;
  const std::int64_t cx = readInt(t, 2), cy = readInt(t, 3), px = readInt(t, 4);
  std::int64_t r = std::abs(std::abs(cx) - std::abs(px));
  if (r < 1000) r = roundHalfEven(static_cast<long double>(r) / 0.7L);
  const int x1 = toX(st, cx - r, true), y1 = toY(st, cy - r, true);
  const int x2 = toX(st, cx + r, true), y2 = toY(st, cy + r, true);
  s.ellipse(x1, y1, x2, y2);
}

void textos(estado_desenho& st, bool textSwitchOn) {
  if (!textSwitchOn) return;
  Surface& s = *st.imagem_trabalho;
  s.setPenColor(kTeal);
  s.setBrushColor(kWhite);
  const Tokens& t = st.tokens;
  const std::string text(t.texto(t.ntokens));
  const int x = converte_x(st, t.texto(2), true);
  const int y = converte_y(st, t.texto(3), true);
  const std::string_view keyword = t.texto(1);
  const std::int64_t row = (keyword.size() >= 2 && keyword[1] == '0') ? std::int64_t{y} + 20 : y;
  s.textOut(x, static_cast<int>(std::min<std::int64_t>(row, INT32_MAX)), text);
}

void titulos(estado_desenho& st) {
  Surface& s = *st.imagem_trabalho;
  s.setFontColor(kTeal);
  const Tokens& t = st.tokens;
  const std::string text(t.texto(2));
  const int x = converte_x(st, t.texto(3), true);
  const int y = converte_y(st, t.texto(4), true);
  s.textOut(x, y, text);
}

}  // namespace trevak
