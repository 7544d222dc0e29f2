// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/text_switch.h"

#include <QKeyEvent>
#include <QPainter>

namespace trevak {

TextSwitch::TextSwitch(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setFocusPolicy(Qt::StrongFocus);
}

QSize TextSwitch::sizeHint() const { return {36, 44}; }

void TextSwitch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF slot(width() / 2.0 - 5, 4, 10, height() - 8);
  painter.setPen(QColor(64, 64, 64));
  painter.setBrush(isChecked() ? QColor(0, 160, 0) : QColor(128, 128, 128));
  painter.drawRoundedRect(slot, 4, 4);
  const qreal knob = 14;
  const qreal y = isChecked() ? slot.top() - 1 : slot.bottom() - knob + 1;
  painter.setBrush(palette().button());
  painter.drawRoundedRect(QRectF(width() / 2.0 - 9, y, 18, knob), 3, 3);
  if (hasFocus()) {
    painter.setPen(QPen(palette().highlight(), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void TextSwitch::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    setChecked(!isChecked());
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void TextSwitch::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    event->accept();
    return;
  }
  QAbstractButton::keyReleaseEvent(event);
}

}  // namespace trevak
