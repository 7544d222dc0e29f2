// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <functional>
#include <optional>

class QAbstractButton;
class QScrollArea;
class QTimer;

namespace trevak {

struct estado_desenho;

/// The scales of a pane (divisors of the drawing): "+ Zoom" and "- Zoom" step between them.
inline constexpr int kMinPaneScale = 40;
inline constexpr int kMaxPaneScale = 210;
inline constexpr int kPaneScaleStep = 10;
inline constexpr int kNormalPaneScale = 100;
/// Fitting goes past the buttons' largest drawing, down to this divisor in steps of one, so a
/// small module fills a large pane (drawn at that scale, not stretched).
inline constexpr int kMinFitScale = 5;

/// True for a scale the zoom buttons can reach: 40, 50, ..., 210.
bool isPaneScale(int scale);

/// What one redraw of a pane gave: the picture's size, and whether the drawing ran off the
/// working surface (so the picture shows it cut).
struct DrawnPicture {
  QSize size;
  bool cut = false;
};

/// The picture of the last redraw in `st`: its target's size, cut when the box touches the
/// working surface's edges (the conversion holds columns and rows left of 0 at 0).
DrawnPicture drawnPicture(const estado_desenho& st);

/// The scale at which a module fills `area`: the smallest pane scale (the largest drawing)
/// whose picture fits the area whole; below the buttons' 40, any whole divisor down to
/// kMinFitScale. `drawAt` redraws the pane at a scale and says what it
/// gave (nullopt: the pane has nothing to draw). The first redraw is at `current` and predicts
/// the rest, since a picture's box shrinks as the scale grows; the last redraw made is always
/// at the scale returned. When nothing fits, the largest scale.
int fitScale(const std::function<std::optional<DrawnPicture>(int scale)>& drawAt, int current,
             QSize area);

/// The scroll position that keeps the drawing's point under the pointer after a zoom: the
/// picture's box scales by oldScale / newScale about its corner, 50 pixels in from the picture's.
/// `scroll` is the scroll bar's value, `pointer` the pointer in the viewport, `offset` where the
/// picture sits in the scrolled area.
int anchoredScroll(int scroll, int pointer, int offset, int oldScale, int newScale);

/// Fit, wheel zoom and drag to pan for one pane's preview. The wheel steps the pane's scale as
/// the zoom buttons do, about the pointer; dragging with the left or middle button scrolls the
/// picture; the fit button, while down, makes every redraw choose the scale that fills the
/// scroll box, and a resized scroll box redraws. The pane's drawing stays the window's: this
/// object calls back for it.
class PreviewNavigator final : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<int()> scale;             ///< the pane's scale
    std::function<void(int scale)> zoomTo;  ///< sets the pane's scale and redraws the pane
    std::function<void()> redraw;           ///< redraws the pane at its scale (or fitting)
  };

  /// `box` scrolls the pane's `picture`; `fitButton` (checkable) turns fitting on and off.
  PreviewNavigator(QScrollArea* box, QWidget* picture, QAbstractButton* fitButton, Hooks hooks,
                   QObject* parent = nullptr);

  /// True while redraws fit the module to the scroll box.
  bool fitting() const;
  /// Turns fitting on or off, as the fit button does; turning it on redraws.
  void setFitting(bool on);
  /// The room a fitting picture may take: the scroll box without frame and scroll bars, less
  /// the picture's offset in it.
  QSize area() const;
  /// Steps the scale by `steps` (positive: larger drawing) keeping the point at `pointer` (in
  /// the viewport) where it is. Turns fitting off. False when the scale is at its end already.
  bool zoomAbout(int steps, QPoint pointer);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void onFitToggled(bool on);
  bool wheel(QEvent* event);
  bool pan(QEvent* event);

  QPointer<QScrollArea> m_box;
  QPointer<QWidget> m_picture;
  const QObject* m_viewport = nullptr;
  QPointer<QAbstractButton> m_fitButton;
  Hooks m_hooks;
  QTimer* m_refit;
  int m_wheelAngle = 0;
  bool m_panning = false;
  QPoint m_panStart;
  QPoint m_scrollStart;
};

}  // namespace trevak
