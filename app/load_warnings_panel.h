// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QString>
#include <vector>

#include "library/load_warnings.h"

class QLabel;
class QToolButton;

namespace trevak {

/// A strip in the status bar telling, once per load, what the load warnings found: how many
/// findings and in which file, and the findings themselves in its tooltip. Hidden while there is
/// nothing to tell; its close button dismisses it until the next load.
class LoadWarningsPanel final : public QFrame {
  Q_OBJECT

 public:
  explicit LoadWarningsPanel(QWidget* parent = nullptr);

  /// Shows the findings of the library loaded from `path`, or hides the panel when none.
  void showFindings(const QString& path, const std::vector<LoadFinding>& findings);
  /// Every finding, one line each, as shown in the tooltip.
  QString details() const { return m_details; }

 private:
  QLabel* m_text;
  QToolButton* m_close;
  QString m_details;
};

}  // namespace trevak
