// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_menus.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>
#include <QVector>

#include "app/version.h"

namespace trevak {

namespace {

QAction* menuItem(QMenu& menu, const char* name, const QString& caption, const QKeySequence& keys) {
  QAction* action = menu.addAction(caption);
  action->setObjectName(QLatin1String(name));
  action->setShortcut(keys);
  return action;
}

QString stepText(const QString& verb, const QString& step) {
  return step.isEmpty() ? verb : QStringLiteral("%1 %2").arg(verb, step);
}

}  // namespace

EditCommands addEditCommands(QMenu& menu, QWidget& editGrid) {
  EditCommands commands;
  menu.addSeparator();
  commands.copy = menuItem(menu, "Copiarparaedicao1", QObject::tr("&Copiar para edição"),
                           QKeySequence(Qt::Key_Insert));
  commands.remove = menuItem(menu, "Apagarmodulos1", QObject::tr("&Apagar módulos"),
                             QKeySequence(QKeySequence::Delete));
  // Delete is the text controls' key too: it deletes modules only from the edit grid.
  commands.remove->setShortcutContext(Qt::WidgetShortcut);
  editGrid.addAction(commands.remove);
  commands.rename = menuItem(menu, "Renomear1", QObject::tr("Re&nomear"), QKeySequence(Qt::Key_F2));
  menu.addSeparator();
  commands.find =
      menuItem(menu, "Localizar1", QObject::tr("&Localizar"), QKeySequence(QKeySequence::Find));
  return commands;
}

void renameCurrentRow(QAbstractItemView& grid) {
  const QModelIndex current = grid.currentIndex();
  if (!current.isValid()) return;
  grid.setFocus(Qt::ShortcutFocusReason);
  grid.edit(current);
}

void nameUndoSteps(QUndoStack& stack, QAction& undo, QAction& redo) {
  const auto name = [&stack, &undo, &redo] {
    undo.setText(stepText(QObject::tr("&Desfazer"), stack.undoText()));
    redo.setText(stepText(QObject::tr("&Refazer"), stack.redoText()));
  };
  QObject::connect(&stack, &QUndoStack::undoTextChanged, &undo, name);
  QObject::connect(&stack, &QUndoStack::redoTextChanged, &redo, name);
  name();
}

void enableWhileFilled(QAbstractItemModel& model, std::initializer_list<QAction*> actions) {
  const QVector<QAction*> targets(actions);
  const auto update = [&model, targets] {
    for (QAction* action : targets) action->setEnabled(model.rowCount() > 0);
  };
  for (QAction* action : targets) {
    QObject::connect(&model, &QAbstractItemModel::modelReset, action, update);
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, action, update);
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, action, update);
  }
  update();
}

QString aboutText() {
  return QObject::tr(
             "<p><b>Trevak %1</b></p>"
             "<p>Criação e cópia de módulos (footprints) para o KiCad.</p>"
             "<p>Lê bibliotecas de módulos do KiCad em formato antigo (<tt>.mod</tt>, "
             "<tt>PCBNEW-LibModule-V1</tt>), placas <tt>.brd</tt> e pastas <tt>.pretty</tt> de "
             "pegadas <tt>.kicad_mod</tt>, e as tabelas de bibliotecas do KiCad "
             "(<tt>fp-lib-table</tt>). Grava bibliotecas <tt>.mod</tt> e exporta pastas "
             "<tt>.pretty</tt> para o KiCad atual.</p>"
             "<p>Licença: GNU GPL versão 3 ou posterior (GPL-3.0-or-later). Sem garantia "
             "alguma.</p>")
      .arg(QLatin1String(versionText()));
}

QAction* addHelpMenu(QWidget& window) {
  auto* main = qobject_cast<QMainWindow*>(&window);
  if (main == nullptr) return nullptr;
  QMenu* help = main->menuBar()->addMenu(QObject::tr("A&juda"));
  help->setObjectName(QStringLiteral("Ajuda1"));
  return menuItem(*help, "Sobre1", QObject::tr("&Sobre o Trevak..."), QKeySequence());
}

}  // namespace trevak
