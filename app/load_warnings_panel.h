// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QString>
#include <vector>

#include "library/load_warnings.h"

class QDialog;
class QLabel;
class QToolButton;
class QTreeWidget;

namespace trevak {

/// A strip in the status bar telling, once per load, what the load warnings found: how many
/// findings and in which file. Clicking its text opens the list of findings, each beside its
/// module. Hidden while there is nothing to tell; its close button dismisses it until the next
/// load.
class LoadWarningsPanel final : public QFrame {
  Q_OBJECT

 public:
  explicit LoadWarningsPanel(QWidget* parent = nullptr);

  /// Shows the findings of the library loaded from `path`, or hides the panel when none.
  void showFindings(const QString& path, const std::vector<LoadFinding>& findings);
  /// Every finding, one line each ("module: what"), as the list shows them.
  QString details() const { return m_details.join(QLatin1Char('\n')); }
  /// Opens the list of findings (object name "LoadWarningsList"); what a click on the text does.
  void openList();
  /// The list's window, once opened.
  QDialog* list() const { return m_list; }

  /// What a finding says, without its module: Portuguese text around the bytes of the file,
  /// which are shown as Latin-1 as names are everywhere in the window.
  static QString findingText(const LoadFinding& finding);
  /// The module a finding is about, as the grid shows its name; "(cabeçalho)" for the header.
  static QString findingModule(const LoadFinding& finding);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fillList();

  QLabel* m_text;
  QToolButton* m_close;
  QString m_file;
  std::vector<LoadFinding> m_findings;
  QStringList m_details;
  QDialog* m_list = nullptr;
  QTreeWidget* m_tree = nullptr;
};

}  // namespace trevak
