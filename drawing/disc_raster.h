// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace trevak::exact {

/// Antialiased discs painted straight into an RGB32 picture: a pixel is covered by how far
/// its centre lies inside the edge (fully from half a pixel in, not at all from half a pixel
/// out). Qt fills a small disc through its general path rasteriser, which costs as much for a
/// pad's hole or a line's round end as for a large shape; here only the pixels along the edge
/// are computed and the rest are filled whole.

/// Paints the disc of `radius` pixels around `centre` (pixel coordinates, a pixel's centre at
/// +0.5) in `colour`, over what is there. Parts outside the picture are left out; a disc
/// without a positive, finite size or place draws nothing, as does a picture not in RGB32.
void paintDisc(QImage& picture, QPointF centre, double radius, QRgb colour);

/// An oval as wide and high as `size`, upright: a stadium along its longer side, a disc when
/// both are equal.
void paintOval(QImage& picture, QPointF centre, QSizeF size, QRgb colour);

/// An upright rectangle, each pixel covered by the share of its area inside it.
void paintBox(QImage& picture, QRectF box, QRgb colour);

/// A straight line of `width` pixels from `a` to `b` with round ends (a disc when the two
/// meet).
void paintLine(QImage& picture, QPointF a, QPointF b, double width, QRgb colour);

/// A hole: the disc in white, then a line one pixel wide in `outline` along its edge.
void paintHole(QImage& picture, QPointF centre, double radius, QRgb outline);

/// The ring a line of `width` pixels along the circle of `radius` around `centre` covers, in
/// `colour`. With a sweep (degrees, counter-clockwise as the picture shows it, from `start`),
/// only the piece of the ring between the two angles, cut straight across at its ends (a
/// line's round ends are drawn as discs over them). A sweep of a whole turn or more, or none
/// at all, is the whole ring.
void paintRing(QImage& picture, QPointF centre, double radius, double width, QRgb colour,
               double start = 0, double sweep = 360);

}  // namespace trevak::exact
