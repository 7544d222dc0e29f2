// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_zoom.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "drawing/drawing_state.h"

namespace trevak {

namespace {

/// A picture is its box with a margin of 50 pixels on every side.
constexpr int kMargin = 50;

/// One notch of an ordinary mouse wheel.
constexpr int kWheelNotch = 120;

/// How long a resized scroll box waits before fitting again, so dragging the window's edge
/// redraws once at the end instead of at every step.
constexpr int kRefitDelayMs = 60;

bool fitsIn(const std::optional<DrawnPicture>& picture, QSize area) {
  // Nothing to draw fits anywhere.
  if (!picture) return true;
  return !picture->cut && picture->size.width() <= area.width() &&
         picture->size.height() <= area.height();
}

}  // namespace

bool isPaneScale(int scale) {
  return scale >= kMinPaneScale && scale <= kMaxPaneScale && scale % kPaneScaleStep == 0;
}

DrawnPicture drawnPicture(const estado_desenho& st) {
  DrawnPicture drawn;
  if (st.imagem_destino != nullptr) {
    drawn.size = QSize(st.imagem_destino->width, st.imagem_destino->height);
  }
  const bool boxed = st.xmax != INT32_MIN && st.ymax != INT32_MIN;
  drawn.cut = boxed && (st.xmin <= 0 || st.ymin <= 0 || st.xmax >= Surface::kSize - 1 ||
                        st.ymax >= Surface::kSize - 1);
  return drawn;
}

int fitScale(const std::function<std::optional<DrawnPicture>(int)>& drawAt, int current,
             QSize area) {
  if (current < kMinFitScale || current > kMaxPaneScale) current = kNormalPaneScale;
  const std::optional<DrawnPicture> first = drawAt(current);
  if (!first) return current;

  // The box (the picture less its margins) shrinks in proportion to the scale, so the first
  // picture tells which scale should just fit.
  int scale = kMaxPaneScale;
  const int roomW = area.width() - 2 * kMargin;
  const int roomH = area.height() - 2 * kMargin;
  if (roomW > 0 && roomH > 0) {
    const double boxW = std::max(first->size.width() - 2 * kMargin, 1);
    const double boxH = std::max(first->size.height() - 2 * kMargin, 1);
    const double needed = std::max(boxW * current / roomW, boxH * current / roomH);
    if (needed > kMinPaneScale - kPaneScaleStep) {
      const double steps = std::ceil(needed / kPaneScaleStep - 1e-9);
      scale = static_cast<int>(
          std::clamp(steps * kPaneScaleStep, double{kMinPaneScale}, double{kMaxPaneScale}));
    } else {
      scale = static_cast<int>(std::max(std::ceil(needed - 1e-9), double{kMinFitScale}));
    }
  }
  std::optional<DrawnPicture> last = scale == current ? first : drawAt(scale);
  // Rounding, texts and a drawing cut at the surface's edge can make the prediction short.
  while (!fitsIn(last, area) && scale < kMaxPaneScale) {
    scale = scale < kMinPaneScale ? std::min(kMinPaneScale, scale + std::max(1, scale / 4))
                                  : scale + kPaneScaleStep;
    last = drawAt(scale);
  }
  return scale;
}

int anchoredScroll(int scroll, int pointer, int offset, int oldScale, int newScale) {
  if (oldScale <= 0 || newScale <= 0) return scroll;
  const double inBox = static_cast<double>(scroll) + pointer - offset - kMargin;
  const double moved = inBox * oldScale / newScale;
  return static_cast<int>(std::lround(moved + kMargin + offset - pointer));
}

PreviewNavigator::PreviewNavigator(QScrollArea* box, QWidget* picture, QAbstractButton* fitButton,
                                   Hooks hooks, QObject* parent)
    : QObject(parent),
      m_box(box),
      m_picture(picture),
      m_fitButton(fitButton),
      m_hooks(std::move(hooks)),
      m_refit(new QTimer(this)) {
  m_refit->setSingleShot(true);
  m_refit->setInterval(kRefitDelayMs);
  connect(m_refit, &QTimer::timeout, this, [this] {
    if (fitting()) m_hooks.redraw();
  });
  if (m_fitButton != nullptr) {
    m_fitButton->setCheckable(true);
    connect(m_fitButton, &QAbstractButton::toggled, this, &PreviewNavigator::onFitToggled);
  }
  m_box->viewport()->installEventFilter(this);
  m_viewport = m_box->viewport();
}

bool PreviewNavigator::fitting() const {
  return m_fitButton != nullptr && m_fitButton->isChecked();
}

void PreviewNavigator::setFitting(bool on) {
  if (m_fitButton != nullptr) m_fitButton->setChecked(on);
}

void PreviewNavigator::onFitToggled(bool on) {
  if (on) m_hooks.redraw();
}

QSize PreviewNavigator::area() const {
  const int frame = 2 * m_box->frameWidth();
  const QPoint offset = m_picture != nullptr ? m_picture->pos() : QPoint();
  return {m_box->width() - frame - offset.x(), m_box->height() - frame - offset.y()};
}

bool PreviewNavigator::zoomAbout(int steps, QPoint pointer) {
  const int oldScale = m_hooks.scale();
  // Past the buttons' largest drawing (a fitted small module) the wheel only steps back to it.
  if (oldScale < kMinPaneScale && steps > 0) return false;
  // The buttons' steps, and their ends: a larger drawing is a smaller divisor.
  const int newScale =
      oldScale < kMinPaneScale
          ? kMinPaneScale
          : std::clamp(oldScale - steps * kPaneScaleStep, kMinPaneScale, kMaxPaneScale);
  if (newScale == oldScale || !isPaneScale(newScale)) return false;
  QScrollBar* h = m_box->horizontalScrollBar();
  QScrollBar* v = m_box->verticalScrollBar();
  const int scrollX = h->value();
  const int scrollY = v->value();
  setFitting(false);
  m_hooks.zoomTo(newScale);
  const QPoint offset = m_picture != nullptr ? m_picture->pos() : QPoint();
  h->setValue(anchoredScroll(scrollX, pointer.x(), offset.x(), oldScale, newScale));
  v->setValue(anchoredScroll(scrollY, pointer.y(), offset.y(), oldScale, newScale));
  return true;
}

bool PreviewNavigator::eventFilter(QObject* watched, QEvent* event) {
  // Compared as an address only: while the scroll box is being destroyed its viewport still
  // sends events, and the box must not be touched then.
  if (watched != m_viewport) return false;
  switch (event->type()) {
    case QEvent::Wheel:
      return wheel(event);
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
      return pan(event);
    case QEvent::Resize:
      if (fitting()) m_refit->start();
      return false;
    default:
      return false;
  }
}

bool PreviewNavigator::wheel(QEvent* event) {
  auto* wheelEvent = static_cast<QWheelEvent*>(event);
  // Fine-grained wheels and touchpads send parts of a notch; they add up to whole steps.
  m_wheelAngle += wheelEvent->angleDelta().y();
  const int steps = m_wheelAngle / kWheelNotch;
  m_wheelAngle -= steps * kWheelNotch;
  if (steps != 0) zoomAbout(steps, wheelEvent->position().toPoint());
  return true;
}

bool PreviewNavigator::pan(QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  QWidget* viewport = m_box->viewport();
  const QPoint at = mouse->globalPosition().toPoint();
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::MiddleButton) return false;
      m_panning = true;
      m_panStart = at;
      m_scrollStart = {m_box->horizontalScrollBar()->value(), m_box->verticalScrollBar()->value()};
      viewport->setCursor(Qt::ClosedHandCursor);
      return true;
    case QEvent::MouseMove:
      if (!m_panning) return false;
      m_box->horizontalScrollBar()->setValue(m_scrollStart.x() - (at.x() - m_panStart.x()));
      m_box->verticalScrollBar()->setValue(m_scrollStart.y() - (at.y() - m_panStart.y()));
      return true;
    default:
      if (!m_panning) return false;
      m_panning = false;
      viewport->unsetCursor();
      return true;
  }
}

}  // namespace trevak
