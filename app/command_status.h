// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QMainWindow;

namespace trevak {

/// The status bar of the window as the place of the last command's result: a hint shown while
/// the pointer is over a control or a menu item goes away with the pointer and the result
/// comes back; a result that says the library is saved goes once the library changes again.
class CommandStatus final : public QObject {
  Q_OBJECT

 public:
  explicit CommandStatus(QMainWindow& window);

  /// Shows the result of a command until the next one.
  void show(const QString& result);
  /// Shows a result that holds only while the edit library stays as it is (a save).
  void showUntilChanged(const QString& result);
  /// The edit library's modified flag changed to `modified`.
  void libraryModified(bool modified);
  /// The result shown when no hint covers it.
  QString result() const { return m_result; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QMainWindow& m_window;
  QString m_result;
  bool m_untilChanged = false;
};

}  // namespace trevak
