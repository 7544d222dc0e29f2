// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <cstdint>
#include <string_view>

namespace trevak {

/// How pen and brush pixels combine with what is already on the surface.
enum class PenMode {
  Copy,  ///< the drawing colour replaces the pixel
  Mask,  ///< the pixel becomes old AND drawing colour
};

/// A raster drawing surface with the semantics of a classic Windows device context: a current
/// pen (colour, one pixel wide, solid, copy or mask mode), a solid brush and a font whose colour
/// can change, all of which persist between operations.
///
/// Boxes are given by two corners (x1, y1)-(x2, y2) in any order; the larger column and row are
/// outside the box, so a box covers (x2 - x1) x (y2 - y1) pixels. Everything is clipped to the
/// surface. Coordinates beyond +-2^28 are pulled back to that range before drawing.
///
/// The surface remembers the rectangle that its operations have touched since it was last
/// filled whole. Everything outside that rectangle still has the colour of that fill, so a
/// later fill with the same colour only has to paint the touched part: clearing after a small
/// drawing costs what the drawing covered, not the whole raster. The pixels come out the same
/// either way.
class Surface {
 public:
  static constexpr int kSize = 2000;

  /// A white surface of the given size (2000 x 2000 unless told), black pen in copy mode, white
  /// brush, black font.
  explicit Surface(int width = kSize, int height = kSize);

  int width() const { return m_image.width(); }
  int height() const { return m_image.height(); }
  /// The raster itself (Format_RGB32).
  const QImage& image() const { return m_image; }
  /// The pixel at (x, y) (alpha always 0xff, as qRgb gives); white for points outside.
  QRgb pixel(int x, int y) const;

  void setPenColor(QRgb color) { m_penColor = color; }
  QRgb penColor() const { return m_penColor; }
  void setPenMode(PenMode mode) { m_penMode = mode; }
  PenMode penMode() const { return m_penMode; }
  /// The brush is always solid; only its colour changes.
  void setBrushColor(QRgb color) { m_brushColor = color; }
  QRgb brushColor() const { return m_brushColor; }
  void setFontColor(QRgb color) { m_fontColor = color; }
  QRgb fontColor() const { return m_fontColor; }

  /// Fills the box with the brush colour. The pen mode plays no part.
  void fillRect(int x1, int y1, int x2, int y2);
  /// A rectangle holding every pixel that may differ from the colour of the last fill of the
  /// whole surface (white for a new surface); empty when there is none. Every operation widens
  /// it by what it may have changed, within the surface; a fill in that colour over all of it
  /// empties it.
  QRect touchedArea() const;
  /// Moves the current position without drawing.
  void moveTo(int x, int y);
  /// Draws with the pen from the current position to (x, y), leaving the end pixel out, and
  /// makes (x, y) the current position. A line to the current position draws nothing.
  void lineTo(int x, int y);
  /// Outlines the box's border pixels with the pen and fills the pixels inside that border
  /// with the brush, both in the pen mode. An empty box draws nothing.
  void rectangle(int x1, int y1, int x2, int y2);
  /// The ellipse inscribed in the box: its outline pixels with the pen, the pixels inside the
  /// outline with the brush, both in the pen mode. An empty box draws nothing.
  void ellipse(int x1, int y1, int x2, int y2);
  /// The part of the outline of the ellipse inscribed in the box that runs counter-clockwise,
  /// as seen on the screen, from the ray through (xStart, yStart) to the ray through
  /// (xEnd, yEnd), both rays leaving the box's centre and passing through the centres of the
  /// given pixels. When the rays coincide the whole outline is drawn. Pen only, in the pen
  /// mode.
  void arc(int x1, int y1, int x2, int y2, int xStart, int yStart, int xEnd, int yEnd);
  /// Writes `text` (bytes taken as Latin-1) with the top-left corner of its first character
  /// cell at (x, y): the cells are filled with the brush colour, then the glyphs are drawn in
  /// the font colour, without antialiasing. Neither is masked. The font is DejaVu Sans at a
  /// pixel size of 11, whatever the screen. Only the first 65,536 characters are laid out,
  /// which is far more than reach the surface from any ordinary start. Needs a
  /// QGuiApplication; without one nothing is written.
  void textOut(int x, int y, std::string_view text);
  /// The font texts are written in: DejaVu Sans, pixel size 11, without antialiasing.
  static QFont font();
  /// The size of the cells that textOut fills for `text` (its first 65,536 characters).
  QSize textExtent(std::string_view text) const;
  /// Copies the w x h pixels at (srcX, srcY) of `source` to (dstX, dstY) of this surface.
  /// Source pixels outside `source` arrive white; destination pixels outside this surface are
  /// dropped.
  void copyFrom(const Surface& source, int srcX, int srcY, int dstX, int dstY, int w, int h);

 private:
  /// Widens the touched area by the columns [x1, x2) and rows [y1, y2), clipped to the surface.
  void touch(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);

  QImage m_image;
  QRgb m_background;  // the colour of every pixel outside the touched area
  // The touched area, columns [m_touchedX1, m_touchedX2) and rows [m_touchedY1, m_touchedY2);
  // empty while m_touchedX1 >= m_touchedX2.
  int m_touchedX1 = 0;
  int m_touchedY1 = 0;
  int m_touchedX2 = 0;
  int m_touchedY2 = 0;
  QRgb m_penColor;
  PenMode m_penMode = PenMode::Copy;
  QRgb m_brushColor;
  QRgb m_fontColor;
  int m_curX = 0;
  int m_curY = 0;
};

}  // namespace trevak
