// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace trevak {

/// A two-state switch without a caption, drawn as a lever in a slot (up is on). A mouse click
/// toggles it and then emits clicked(); the space bar toggles it without emitting clicked().
class TextSwitch final : public QAbstractButton {
  Q_OBJECT

 public:
  explicit TextSwitch(QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
};

}  // namespace trevak
