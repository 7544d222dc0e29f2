// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/header_strip.h"

#include <QLabel>
#include <QPainter>

namespace trevak {

HeaderStrip::HeaderStrip(const QString& title, const char* titleName, QPoint titlePos,
                         QWidget* parent)
    : QFrame(parent), m_title(new QLabel(title, this)) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  m_title->setObjectName(QLatin1String(titleName));
  QFont bold = m_title->font();
  bold.setBold(true);
  m_title->setFont(bold);
  m_title->move(titlePos);
  m_title->adjustSize();
}

void HeaderStrip::setText(const QString& caption) {
  m_caption = caption;
  setToolTip(caption);
  update();
}

void HeaderStrip::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  // Centred in the strip, but never over the title.
  const int side = m_title->geometry().right() + 4;
  const QRect area = contentsRect().adjusted(side, 0, -side, 0);
  const QString shown = fontMetrics().elidedText(m_caption, Qt::ElideMiddle, area.width());
  painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, shown);
}

}  // namespace trevak
