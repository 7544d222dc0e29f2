// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QString>

class QLabel;

namespace trevak {

/// A pane's header strip: a raised panel with a bold title in its top-left corner and a
/// caption (the library's file path) centred in it. A caption too wide for the strip is shown
/// with its middle left out and in full as the tooltip; text() is always the whole caption.
class HeaderStrip final : public QFrame {
  Q_OBJECT

 public:
  HeaderStrip(const QString& title, const char* titleName, QPoint titlePos,
              QWidget* parent = nullptr);

  QString text() const { return m_caption; }
  void setText(const QString& caption);
  QLabel* titleLabel() const { return m_title; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* m_title;
  QString m_caption;
};

}  // namespace trevak
