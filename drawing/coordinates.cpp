// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/coordinates.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace trevak {

namespace {

constexpr std::int64_t kSaturate = std::int64_t{1} << 40;

int digitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::int32_t saturate32(std::int64_t v) {
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

std::int32_t pixelFor(std::int32_t escala, std::int32_t v) {
  // Extended precision, in exactly this order: the rounding of the library's own drawing
  // depends on it.
  const long double e = escala;
  const long double offset = std::trunc(e / 115.0L * 250.0L);
  const long double p = offset + std::trunc(static_cast<long double>(v) / e / 1.15L + 0.5L);
  if (std::isnan(p)) return 0;  // a zero scale is a caller's error; keep it defined
  return saturate32(static_cast<std::int64_t>(std::clamp(p, -9.0e18L, 9.0e18L)));
}

void widenAxis(std::int32_t p, std::int32_t& lo, std::int32_t& hi) {
  if (p < lo) lo = p;
  if (lo < 0) lo = 0;
  if (p > hi) hi = p;
}

}  // namespace

std::int32_t readInteger(std::string_view texto) {
  std::size_t i = 0;
  while (i < texto.size() && texto[i] == ' ') ++i;
  bool negative = false;
  if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) {
    negative = texto[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < texto.size() && (texto[i] == '$' || texto[i] == 'x' || texto[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < texto.size() && texto[i] == '0' &&
             (texto[i + 1] == 'x' || texto[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  std::int64_t magnitude = 0;
  for (; i < texto.size(); ++i) {
    const int d = digitValue(texto[i], hex);
    if (d < 0) return saturate32(magnitude);  // stopped early: the digits so far, unsigned
    magnitude = std::min(magnitude * (hex ? 16 : 10) + d, kSaturate);
  }
  return saturate32(negative ? -magnitude : magnitude);
}

std::string integerText(std::int64_t v) { return std::to_string(v); }

std::int32_t converte_x(estado_desenho& st, std::string_view texto, bool widen) {
  const std::int32_t p = pixelFor(st.escala, readInteger(texto));
  if (widen) widenAxis(p, st.xmin, st.xmax);
  return p;
}

std::int32_t converte_y(estado_desenho& st, std::string_view texto, bool widen) {
  const std::int32_t p = pixelFor(st.escala, readInteger(texto));
  if (widen) widenAxis(p, st.ymin, st.ymax);
  return p;
}

}  // namespace trevak
