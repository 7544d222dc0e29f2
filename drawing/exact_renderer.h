// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/exact_footprint.h"
#include "drawing/png_encoder.h"

class QPainter;

namespace trevak::exact {

/// A set of layers, one bit per layer number (0 back copper ... 28 edge cuts, then the layers
/// only `.kicad_mod` files name: kMargin ... kUserLayer9).
using LayerMask = std::uint64_t;
inline constexpr LayerMask kAllLayers = (LayerMask{1} << kLayerCount) - 1;

/// A text or pad number of a legacy file as KiCad reads it (and as the export writes it):
/// UTF-8 where its bytes are UTF-8, else Latin-1, one character a byte.
QString kicadText(std::string_view bytes);

/// The colour each layer is drawn in on the white background.
QColor layerColor(int layer);

/// The layers named in a comma-separated list of KiCad layer names, letter case ignored;
/// "*.Cu", "*.SilkS", "*.Mask", "*.Paste", "*.Adhes" name both sides (and, for copper, the
/// inner layers). nullopt when a name is unknown; `unknown` then receives it.
std::optional<LayerMask> parseLayerList(std::string_view list, std::string* unknown = nullptr);

/// What the exact drawing shows.
struct Options {
  LayerMask layers = kAllLayers;
  bool padNumbers = true;
  bool texts = true;         ///< reference, value and user texts that are visible
  bool hiddenTexts = false;  ///< also the texts marked invisible (only with `texts`)
};

/// One module drawn at its true shapes: every item is turned into a path in nanometres once,
/// and the same paths are then painted on any device (raster image, SVG generator, widget),
/// measured for the extent, and hit-tested for the pads under the mouse.
class ExactDrawing {
 public:
  ExactDrawing(Footprint footprint, const Options& options);

  const Footprint& footprint() const { return m_footprint; }
  const Options& options() const { return m_options; }

  /// The bounding box of everything drawn, texts and pad numbers' pads included, in nm; a null
  /// rectangle when nothing is drawn.
  QRectF extent() const { return m_extent; }
  /// The bounding box of the pads and the graphic items of the drawn layers (lines at their
  /// width, arcs as they sweep, drills left out, texts left out), in nm: what KiCad's own
  /// bounding boxes of the pads and drawings of the footprint cover.
  QRectF itemExtent() const { return m_itemExtent; }

  /// The transform that puts the extent in the middle of a `size` picture with at least
  /// `margin` pixels on every side, at the largest scale that fits.
  QTransform fitTransform(QSizeF size, double margin) const;
  /// The transform for a fixed scale (pixels per nm) with `margin` pixels around the extent,
  /// and the picture size it needs.
  QTransform scaleTransform(double pixelsPerNm, double margin, QSize* pictureSize) const;

  /// Paints the drawing: back layers first, front layers over them, then drills and pad
  /// numbers. `toDevice` maps nanometres to the painter's current coordinates; antialiased.
  /// The device is not cleared.
  void paint(QPainter& painter, const QTransform& toDevice) const;

  /// The index in footprint().pads of the topmost drawn pad covering `pointNm`, or -1.
  int padAt(QPointF pointNm) const;

 private:
  struct Item {
    QPainterPath path;   // in nm
    double width = 0;    // stroke width in nm; 0 hairline
    bool fill = false;   // fill the path (pads, polygons)
    bool stroke = true;  // outline it with the width
    bool roundEnds = false;  // an open line: a dot of the width at each end
    double discRadius = 0;   // a round pad: its radius and centre in nm
    QPointF discCentre;
    bool straight = false;   // a straight line, from the path's first point to its second
    char upright = 0;        // 'R' or 'O': a pad of that shape square to the axes, its size
    QSizeF uprightSize;      // in nm (centre in discCentre)
    double ringRadius = 0;   // a circle or arc: its radius in nm (centre in discCentre) and
    double arcStart = 0;     // for an arc its start and sweep, degrees counter-clockwise
    double arcSweep = 360;
    int layer = 21;
  };
  struct TextItem {
    QTransform place;  // text coordinates (font pixels) to nm
    QString text;
    QRectF box;        // in text coordinates
    int layer = 21;
    int weight = 400;
  };

  void addPad(int index);
  void addShape(const Shape& shape);
  void addText(const Text& text);
  void addTextBox(const Text& text);
  void paintPadNumbers(QPainter& painter, const QTransform& toDevice,
                       const QTransform& outer) const;

  Footprint m_footprint;
  Options m_options;
  std::vector<Item> m_items;
  std::vector<TextItem> m_texts;
  std::vector<int> m_padLayer;             // drawn layer of each pad, -1 when not drawn
  std::vector<QPainterPath> m_padOutline;  // nm
  std::vector<QPainterPath> m_drills;      // nm
  std::vector<double> m_roundHoles;        // a round drill's radius in nm, else 0
  QRectF m_extent;
  QRectF m_itemExtent;
};

/// A picture of the drawing whose longer side is `longSide` pixels (the other side follows the
/// extent's proportions), white, the drawing fitted with a margin. A drawing with nothing in
/// it gives a white square.
QImage renderImage(const ExactDrawing& drawing, int longSide);

/// renderImage's picture as PNG bytes (encodePng); empty when it cannot be encoded. Safe to
/// call from several threads at once, each with its own drawing.
QByteArray renderPng(const ExactDrawing& drawing, int longSide);

/// The picture size renderImage makes, and the transform it paints with.
QSize pictureSizeFor(const ExactDrawing& drawing, int longSide, QTransform* transform);

}  // namespace trevak::exact
