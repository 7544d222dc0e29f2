// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/keyboard_access.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

namespace trevak {

namespace {

class FilterIntoResults final : public QObject {
 public:
  FilterIntoResults(QLineEdit& filter, QAbstractItemView& results)
      : QObject(&filter), m_results(&results) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || m_results == nullptr) {
      return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool leads = key->key() == Qt::Key_Down || key->key() == Qt::Key_Return ||
                       key->key() == Qt::Key_Enter;
    if (!leads || modifiers != Qt::NoModifier) return QObject::eventFilter(watched, event);
    QAbstractItemModel* model = m_results->model();
    if (model == nullptr || model->rowCount() == 0) return true;
    QModelIndex row = m_results->currentIndex();
    if (!row.isValid()) row = model->index(0, 0);
    m_results->setFocus(Qt::TabFocusReason);
    m_results->selectionModel()->setCurrentIndex(
        row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_results->scrollTo(row);
    return true;
  }

 private:
  QPointer<QAbstractItemView> m_results;
};

// Watches the application's shortcut-override events: a control of the window that would take
// a key of one of the window's own enabled shortcuts for itself is told not to.
class WindowShortcutKeeper final : public QObject {
 public:
  explicit WindowShortcutKeeper(QWidget& window) : QObject(&window), m_window(&window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType()) {
      return QObject::eventFilter(watched, event);
    }
    auto* widget = static_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (widget->window() != m_window || !(key->modifiers() & Qt::ControlModifier) ||
        !isWindowShortcut(QKeySequence(key->keyCombination()))) {
      return QObject::eventFilter(watched, event);
    }
    event->ignore();
    return true;
  }

 private:
  bool isWindowShortcut(const QKeySequence& pressed) const {
    const QList<QAction*> actions = m_window->findChildren<QAction*>();
    for (const QAction* action : actions) {
      if (!action->isEnabled()) continue;
      for (const QKeySequence& keys : action->shortcuts()) {
        if (keys == pressed) return true;
      }
    }
    return false;
  }

  QWidget* m_window;
};

}  // namespace

void chainTabOrder(const QList<QWidget*>& chain) {
  for (qsizetype i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void leadFilterIntoResults(QLineEdit& filter, QAbstractItemView& results) {
  filter.installEventFilter(new FilterIntoResults(filter, results));
}

void keepWindowShortcuts(QWidget& window) {
  qApp->installEventFilter(new WindowShortcutKeeper(window));
}

}  // namespace trevak
