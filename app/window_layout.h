// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLayout>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QSize>

class QMainWindow;
class QSplitter;

namespace trevak {

/// How much of a pane's growth each edge of a control follows: 0 keeps the edge where the
/// designed layout puts it, 1 moves it by the whole growth. Left and right follow the growth in
/// width, top and bottom the growth in height. A control whose near and far edges follow alike
/// keeps its size and only moves. When a pane is smaller than designed, only whole shares
/// follow: what sits between the upper and the lower part stays, and the lower part gives up
/// the room.
struct EdgeShares {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

/// Lays the children of one widget out from their designed geometry: at the designed size every
/// control sits exactly where it was placed; a larger (or smaller) size moves and stretches each
/// control's edges by their share of the difference. The difference is measured on a
/// `reference` widget (the laid-out widget itself, or the page control around a page), so pages
/// whose own size the page control decides still grow with it.
class GrowingLayout final : public QLayout {
 public:
  /// `reference` stands at `designed` when the window has its designed size.
  GrowingLayout(QWidget* parent, QWidget* reference, QSize designed);
  ~GrowingLayout() override;

  /// Lays `widget` (a child of the laid-out widget) out from its current geometry, which is
  /// taken as its designed one.
  void follow(QWidget* widget, EdgeShares shares);
  /// How far the reference is from its designed size; a shrink counts up to kMaximumShrink.
  QSize growth() const;

  /// How much lower than designed a pane may get before it is cut off instead: the text switch
  /// still clears the bottom row then. A pane never gets narrower than designed, since its
  /// bottom row of buttons fills its designed width.
  static constexpr QSize kMaximumShrink{0, 120};

  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

 private:
  struct Entry {
    QLayoutItem* item;
    QRect designed;
    EdgeShares shares;
  };
  QList<Entry> m_entries;
  QPointer<QWidget> m_reference;
  QSize m_designed;
};

/// The share of a pane's extra height that its page control (name grid, body view) takes;
/// the preview below it takes the rest.
inline constexpr double kGridHeightShare = 0.4;

/// The edit pane, the navigation strip and the search pane side by side in a splitter the user
/// can drag. Both panes share extra width; the strip keeps its width. No handle takes room: at
/// the designed size the panels touch as they always did.
QSplitter* makePaneSplitter(QWidget* editPane, QWidget* strip, QWidget* searchPane,
                            const QList<int>& designedWidths);

/// Makes every pane of `window` grow with it: the page controls, name grids, body views and
/// previews take the room, the buttons keep their size and move with the edge they belong to.
/// Controls are found by their names; a name the window lacks is passed over. Call once, after
/// every control has its designed geometry.
void installGrowingPanes(QMainWindow* window, QSize editPane, QSize searchPane);

/// A window larger than its screen's available area (a large scale factor, a small screen, a
/// size remembered from another screen) is made as small as its layout allows and moved to the
/// area's corner; one that fits stays where it is.
void keepInsideScreen(QWidget& window);

}  // namespace trevak
