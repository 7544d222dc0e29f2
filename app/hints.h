// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QObject;

namespace trevak {

/// Gives every button and menu item of the editor window a hint saying what it does and to
/// which pane: a status tip, and a tooltip where the control has none of its own. Controls are
/// found by their object names; names the window lacks are passed over.
void applyHints(QObject& window);

}  // namespace trevak
