// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_widget.h"

#include <QPaintEvent>
#include <QPainter>
#include <utility>

namespace trevak {

PreviewWidget::PreviewWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWidget::setImage(QImage image) {
  m_image = std::move(image);
  update();
}

void PreviewWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.fillRect(area, Qt::white);
  if (m_image.isNull()) return;
  // An image made for a denser screen holds more pixels than the widget has points.
  const qreal density = m_image.devicePixelRatio();
  const QRectF source(area.x() * density, area.y() * density, area.width() * density,
                      area.height() * density);
  painter.drawImage(QRectF(area), m_image, source);
}

}  // namespace trevak
