// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QAbstractItemView;
class QLineEdit;
class QWidget;

namespace trevak {

/// Makes Tab go from each control of `chain` to the next one; Shift+Tab goes back. Controls
/// left out of the chain come after its last one, before its first.
void chainTabOrder(const QList<QWidget*>& chain);

/// Down, Enter or Return in `filter` moves the focus into `results` on its current row (the
/// first row when none is current), that row selected. With no rows shown the keys do nothing.
void leadFilterIntoResults(QLineEdit& filter, QAbstractItemView& results);

/// Keeps the shortcuts with Ctrl of `window`'s menu items (Ctrl+E, Ctrl+S, Ctrl+Z...) acting
/// whatever control has the focus: a line or text edit of the window no longer takes them for
/// its own editing keys. A shortcut whose item is disabled leaves the key to the control.
void keepWindowShortcuts(QWidget& window);

}  // namespace trevak
