// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/preview.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "drawing/interpreter.h"

namespace trevak {

namespace {

void clearWorkingSurface(Surface& work) {
  work.setPenColor(kWhite);
  work.setBrushColor(kWhite);
  work.fillRect(0, 0, Surface::kSize, Surface::kSize);
}

void clearVisibleArea(PanePicture& picture) {
  picture.raster.setBrushColor(kWhite);
  picture.raster.fillRect(0, 0, picture.width, picture.height);
}

/// A picture side from the box, in 64 bits so that no extreme wraps.
std::int64_t pictureSide(std::int32_t lo, std::int32_t hi) {
  return std::min<std::int64_t>(std::int64_t{hi} - lo + 100, kMaxPictureSide);
}

}  // namespace

void apagarimage1(estado_desenho& st) {
  clearWorkingSurface(*st.imagem_trabalho);
  if (st.imagem_destino != nullptr) clearVisibleArea(*st.imagem_destino);
}

void limparEdicao(estado_desenho& st, PanePicture& image2) {
  clearWorkingSurface(*st.imagem_trabalho);
  clearVisibleArea(image2);
}

void redesenhar(estado_desenho& st, const std::vector<std::string_view>& lines, bool textSwitchOn) {
  if (st.imagem_trabalho == nullptr || st.imagem_destino == nullptr) return;
  st.resetBox();
  apagarimage1(st);
  Surface& work = *st.imagem_trabalho;
  work.setPenColor(kBlack);
  work.setPenMode(PenMode::Mask);
  for (std::string_view line : lines) interpreta_linha(st, line, textSwitchOn);

  PanePicture& target = *st.imagem_destino;
  target.width = Surface::kSize;
  target.height = Surface::kSize;
  target.raster.setBrushColor(kWhite);
  target.raster.fillRect(0, 0, Surface::kSize, Surface::kSize);

  // No widening conversion: the maxima kept their reset values (a widened maximum is a pixel,
  // far above the 32-bit minimum).
  if (st.xmax == INT32_MIN || st.ymax == INT32_MIN) {
    target.width = 101;
    target.height = 101;
    return;
  }
  const std::int64_t w = pictureSide(st.xmin, st.xmax);
  const std::int64_t h = pictureSide(st.ymin, st.ymax);
  if (w < 1 || h < 1) {
    target.width = 0;
    target.height = 0;
    return;
  }
  target.width = static_cast<int>(w);
  target.height = static_cast<int>(h);
  target.raster.copyFrom(work, st.xmin - 50, st.ymin - 50, 0, 0, target.width, target.height);
}

QImage paneImage(const PanePicture& picture) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  const QImage& raster = picture.raster.image();
  const int w = std::min(picture.width, raster.width());
  const int h = std::min(picture.height, raster.height());
  // Each pixel is written once: the raster's part copied, only what lies past it filled.
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::memcpy(row, raster.constScanLine(y), static_cast<std::size_t>(w) * sizeof(QRgb));
    std::fill(row + w, row + picture.width, kWhite);
  }
  for (int y = h; y < picture.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(row, row + picture.width, kWhite);
  }
  return image;
}

}  // namespace trevak
