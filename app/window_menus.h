// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <initializer_list>

class QAbstractItemModel;
class QAbstractItemView;
class QAction;
class QMenu;
class QUndoStack;
class QWidget;

namespace trevak {

/// The module commands of the menu "Editar", each doing what its button or key does.
struct EditCommands {
  QAction* copy = nullptr;    ///< "Copiar para edição" (Insert): the copy button
  QAction* remove = nullptr;  ///< "Apagar módulos" (Delete, in the edit grid): the trash button
  QAction* rename = nullptr;  ///< "Renomear" (F2): the edit grid's name editor
  QAction* find = nullptr;    ///< "Localizar" (Ctrl+F): the search pane's filter
};

/// Adds the module commands to `menu` after a separator. Delete acts only while the focus is in
/// `editGrid`, so elsewhere it keeps deleting characters; the menu item works from anywhere.
EditCommands addEditCommands(QMenu& menu, QWidget& editGrid);

/// Opens the name editor on the current row of `grid`, focus in it; nothing without a row.
void renameCurrentRow(QAbstractItemView& grid);

/// Keeps the texts of `undo` and `redo` naming the step they take ("&Desfazer Apagar módulos").
void nameUndoSteps(QUndoStack& stack, QAction& undo, QAction& redo);

/// Keeps `actions` enabled exactly while `model` shows at least one row.
void enableWhileFilled(QAbstractItemModel& model, std::initializer_list<QAction*> actions);

/// What "Sobre" tells: the version, the licence and the KiCad formats read and written.
QString aboutText();

/// Adds the menu "Ajuda" with "Sobre o Trevak..." to the menu bar of `window`; returns that
/// item.
QAction* addHelpMenu(QWidget& window);

}  // namespace trevak
