// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace trevak {

class UserPrompts;

/// The caption of the window's menu item.
inline constexpr char kTableAdditionCaption[] =
    QT_TRANSLATE_NOOP("QObject", "Adicionar à tabela de bibliotecas do KiCad...");

/// What the table-addition dialog starts with.
struct TableAdditionRequest {
  QString libraryFolder;  ///< the `.pretty` folder, empty when none is known yet
  QString nickname;       ///< proposed from the folder's name
  QString globalTable;    ///< the global table's file (where a new one would go when absent)
  bool globalExists = false;
  QString projectFolder;  ///< the project chosen last time, if any
};

/// The user's choice: the folder, the nickname, and the project whose table takes the row
/// (empty: the global table).
struct TableAdditionAnswer {
  QString libraryFolder;
  QString nickname;
  QString projectFolder;
};

/// The dialogs of the addition, so tests can answer them.
class TableAdditionPrompts {
 public:
  virtual ~TableAdditionPrompts() = default;
  /// The library, the table and the nickname; nullopt when the user cancels.
  virtual std::optional<TableAdditionAnswer> askTableAddition(const TableAdditionRequest& request) = 0;
  /// Asks to create the table `tableFile`, which does not exist yet; true to create.
  virtual bool confirmCreateTable(const QString& tableFile, bool global) = 0;
};

/// Qt's dialogs, modal to `parent`.
class QtTableAdditionPrompts final : public TableAdditionPrompts {
 public:
  explicit QtTableAdditionPrompts(QWidget* parent) : m_parent(parent) {}
  std::optional<TableAdditionAnswer> askTableAddition(const TableAdditionRequest& request) override;
  bool confirmCreateTable(const QString& tableFile, bool global) override;

 private:
  QWidget* m_parent;
};

/// "Adicionar à tabela de bibliotecas do KiCad...": adds a `.pretty` library (by default the
/// folder of the last export) to the user's global table or a project's, with a nickname the
/// table does not hold yet; the row's path is written under a variable where one fits and the
/// table keeps every other byte (`fp-lib-table.bak` holds the old file). A table that does not
/// exist yet is made only when the user agrees (the global one from the stock table's rows).
class KicadTableAddition : public QObject {
  Q_OBJECT

 public:
  KicadTableAddition(QWidget* window, UserPrompts& prompts);
  ~KicadTableAddition() override;

  /// The menu item, inserted into `menu` before `before` (at the end when null).
  QAction* install(QMenu* menu, QAction* before);
  /// Called after an export: its folder becomes the one proposed.
  void exported(const QString& folder);
  /// Runs the addition (the menu item's work).
  void run();
  /// For tests: other dialogs.
  void setPrompts(std::unique_ptr<TableAdditionPrompts> prompts);

 private:
  UserPrompts& m_prompts;
  std::unique_ptr<TableAdditionPrompts> m_ask;
  QString m_lastFolder;
  QString m_lastProject;
};

}  // namespace trevak
