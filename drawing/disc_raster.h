// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPointF>

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

/// A hole: the disc in white, then a line one pixel wide in `outline` along its edge.
void paintHole(QImage& picture, QPointF centre, double radius, QRgb outline);

}  // namespace trevak::exact
