// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;

namespace trevak {

/// What a file dialog is to show. Empty texts leave the choice to the platform.
struct FileDialogRequest {
  QString title;          ///< window title; empty: the platform's default
  QStringList filters;    ///< Qt filter entries, first one selected; empty: no filter
  QString defaultSuffix;  ///< added to a typed name without a suffix
  QString fileName;       ///< the name (or full path) the dialog opens with
  QString initialFolder;  ///< the folder the dialog opens in; empty: the platform's choice
  bool confirmOverwrite = false;  ///< save dialogs: ask before replacing a file
  bool newFolderAllowed = false;  ///< folder dialogs: a folder name typed that does not exist
                                  ///< yet is taken (the caller makes it)
  /// A folder named `*.pretty` (a KiCad library) is an answer too: opening one chooses it
  /// instead of showing what it holds.
  bool acceptPrettyFolders = false;
};

/// A long task's progress as the user sees it.
class ProgressReport {
 public:
  virtual ~ProgressReport() = default;
  /// `done` steps of the total are done; false when the user asked to stop.
  virtual bool advance(int done) = 0;
};

/// The answers to the discard question.
enum class DiscardAnswer { Save, Discard, Cancel };

/// Every modal question and message of the editor window. The window never opens a dialog
/// itself, so tests can answer for the user and see what was asked.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  /// An open dialog; nullopt when the user cancels.
  virtual std::optional<QString> askOpenPath(const FileDialogRequest& request) = 0;
  /// A save dialog; nullopt when the user cancels.
  virtual std::optional<QString> askSavePath(const FileDialogRequest& request) = 0;
  /// An open dialog in which several existing files can be chosen; nullopt when the user
  /// cancels.
  virtual std::optional<QStringList> askOpenPaths(const FileDialogRequest& request) = 0;
  /// A folder dialog; nullopt when the user cancels.
  virtual std::optional<QString> askFolder(const FileDialogRequest& request) = 0;
  /// The warning "Biblioteca atual modificada, descartar?" naming the edit library `library`,
  /// with "Salvar", "Descartar" and "Cancelar", Cancel being the default and the answer when
  /// the box is closed.
  virtual DiscardAnswer confirmDiscard(const QString& library) = 0;
  /// The warning that the library file `file` was changed by another program since it was
  /// loaded, asking whether to write over that change; Cancel is the default. True to write.
  virtual bool confirmOverwriteChanged(const QString& file) = 0;
  /// A modal error box with one OK button, titled with the application's title.
  virtual void showError(const QString& text) = 0;
  /// A modal information box with one OK button.
  virtual void showInfo(const QString& text) = 0;
  /// A modal information box with one OK button and `details` the user can unfold.
  virtual void showSummary(const QString& text, const QString& details) = 0;
  /// A warning box with `text`, `details` the user can unfold, and the buttons "Substituir" and
  /// "Manter", Keep being the default and the answer when the box is closed; true to replace.
  virtual bool confirmReplace(const QString& text, const QString& details) = 0;
  /// The box "Sobre" with `text` (rich text) and one OK button.
  virtual void showAbout(const QString& text) = 0;
  /// Shows the progress of a task of `total` steps (only once it lasts), until the returned
  /// object is destroyed.
  virtual std::unique_ptr<ProgressReport> startProgress(const QString& text, int total) = 0;
};

/// The question that guards the edit library against losing unsaved changes.
inline constexpr char kDiscardQuestion[] =
    QT_TRANSLATE_NOOP("QObject", "Biblioteca atual modificada, descartar?");

/// The real prompts: Qt's file dialogs and message boxes, modal to `parent`.
class QtUserPrompts final : public UserPrompts {
 public:
  /// `title` heads the message boxes (see applicationTitle).
  QtUserPrompts(QWidget* parent, QString title);

  std::optional<QString> askOpenPath(const FileDialogRequest& request) override;
  std::optional<QString> askSavePath(const FileDialogRequest& request) override;
  std::optional<QStringList> askOpenPaths(const FileDialogRequest& request) override;
  std::optional<QString> askFolder(const FileDialogRequest& request) override;
  DiscardAnswer confirmDiscard(const QString& library) override;
  bool confirmOverwriteChanged(const QString& file) override;
  void showError(const QString& text) override;
  void showInfo(const QString& text) override;
  void showSummary(const QString& text, const QString& details) override;
  bool confirmReplace(const QString& text, const QString& details) override;
  void showAbout(const QString& text) override;
  std::unique_ptr<ProgressReport> startProgress(const QString& text, int total) override;

 private:
  std::optional<QString> runFileDialog(const FileDialogRequest& request, bool save);

  QWidget* m_parent;
  QString m_title;
};

}  // namespace trevak
