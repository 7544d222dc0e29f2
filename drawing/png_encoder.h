// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

namespace trevak::exact {

/// A picture as the bytes of an RGB PNG file (alpha dropped), compressed for speed: the same
/// picture always gives the same bytes. Safe to call from several threads at once.
QByteArray encodePng(const QImage& picture);

}  // namespace trevak::exact
