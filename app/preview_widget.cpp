// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_widget.h"

#include <QPaintEvent>
#include <QPainter>

namespace trevak {

PreviewWidget::PreviewWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWidget::setRaster(const QImage* raster) {
  m_raster = raster;
  update();
}

void PreviewWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.fillRect(area, Qt::white);
  if (m_raster != nullptr) painter.drawImage(area.topLeft(), *m_raster, area);
}

}  // namespace trevak
