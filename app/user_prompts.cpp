// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/user_prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <utility>

namespace trevak {

QtUserPrompts::QtUserPrompts(QWidget* parent, QString title)
    : m_parent(parent), m_title(std::move(title)) {}

namespace {

bool isPrettyFolderPath(const QString& path) {
  return path.endsWith(QStringLiteral(".pretty"), Qt::CaseInsensitive) && QFileInfo(path).isDir();
}

// A file dialog for which a folder named `*.pretty` is an answer: Open with one selected or its
// path typed, or a double click on it, chooses it instead of showing what it holds. Qt's own
// dialog is used, since the platform's offers no way to pick a folder among files.
class LibraryFileDialog final : public QFileDialog {
 public:
  LibraryFileDialog(QWidget* parent, bool prettyFolders)
      : QFileDialog(parent), m_prettyFolders(prettyFolders) {
    if (!m_prettyFolders) return;
    setOption(QFileDialog::DontUseNativeDialog, true);
    connect(this, &QFileDialog::directoryEntered, this, [this](const QString& folder) {
      if (isPrettyFolderPath(folder)) choose(folder);
    });
  }
  /// The `.pretty` folder chosen, if one was.
  const std::optional<QString>& prettyFolder() const { return m_folder; }

 protected:
  void accept() override {
    const QStringList files = selectedFiles();
    if (m_prettyFolders && !files.isEmpty() && isPrettyFolderPath(files.first())) {
      choose(files.first());
      return;
    }
    QFileDialog::accept();
  }

 private:
  void choose(const QString& folder) {
    m_folder = folder;
    // QDialog's own end: the file dialog's would open the folder.
    QDialog::done(QDialog::Accepted);
  }
  bool m_prettyFolders;
  std::optional<QString> m_folder;
};

}  // namespace

std::optional<QString> QtUserPrompts::runFileDialog(const FileDialogRequest& request, bool save) {
  LibraryFileDialog dialog(m_parent, request.acceptPrettyFolders);
  if (!request.title.isEmpty()) dialog.setWindowTitle(request.title);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // A typed name need not exist: a missing file is reported by the loader, as a read failure.
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!request.filters.isEmpty()) dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.defaultSuffix);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  if (!request.initialFolder.isEmpty()) dialog.setDirectory(request.initialFolder);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  if (dialog.prettyFolder()) return dialog.prettyFolder();
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

std::optional<QString> QtUserPrompts::askOpenPath(const FileDialogRequest& request) {
  return runFileDialog(request, false);
}

std::optional<QString> QtUserPrompts::askSavePath(const FileDialogRequest& request) {
  return runFileDialog(request, true);
}

std::optional<QStringList> QtUserPrompts::askOpenPaths(const FileDialogRequest& request) {
  QFileDialog dialog(m_parent);
  if (!request.title.isEmpty()) dialog.setWindowTitle(request.title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (!request.filters.isEmpty()) dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.initialFolder.isEmpty()) dialog.setDirectory(request.initialFolder);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files;
}

namespace {

// Qt's folder dialog refuses a folder that does not exist; this one can take a typed name whose
// parent exists, for the caller to make.
class FolderDialog final : public QFileDialog {
 public:
  FolderDialog(QWidget* parent, bool newFolderAllowed)
      : QFileDialog(parent), m_newFolderAllowed(newFolderAllowed) {}

  void accept() override {
    const QStringList typed = selectedFiles();
    if (m_newFolderAllowed && typed.size() == 1) {
      const QFileInfo info(typed.first());
      if (!info.exists() && !info.fileName().isEmpty() && info.dir().exists()) {
        QDialog::accept();
        return;
      }
    }
    QFileDialog::accept();
  }

 private:
  bool m_newFolderAllowed;
};

}  // namespace

std::optional<QString> QtUserPrompts::askFolder(const FileDialogRequest& request) {
  FolderDialog dialog(m_parent, request.newFolderAllowed);
  if (!request.title.isEmpty()) dialog.setWindowTitle(request.title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  // The platform's own dialog would not ask this one whether to take a new name.
  if (request.newFolderAllowed) dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!request.initialFolder.isEmpty()) dialog.setDirectory(request.initialFolder);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList folders = dialog.selectedFiles();
  if (folders.isEmpty()) return std::nullopt;
  return folders.first();
}

DiscardAnswer QtUserPrompts::confirmDiscard(const QString& library) {
  QMessageBox box(QMessageBox::Warning, m_title, QObject::tr(kDiscardQuestion),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_parent);
  box.setInformativeText(
      QObject::tr("As mudanças em %1 não foram salvas. Salve-as para não perdê-las.").arg(library));
  // Enter must not throw away a library: Cancel is the default.
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  box.button(QMessageBox::Save)->setText(QObject::tr("&Salvar"));
  box.button(QMessageBox::Discard)->setText(QObject::tr("&Descartar"));
  box.button(QMessageBox::Cancel)->setText(QObject::tr("&Cancelar"));
  switch (box.exec()) {
    case QMessageBox::Save:
      return DiscardAnswer::Save;
    case QMessageBox::Discard:
      return DiscardAnswer::Discard;
    default:
      return DiscardAnswer::Cancel;
  }
}

bool QtUserPrompts::confirmOverwriteChanged(const QString& file) {
  QMessageBox box(QMessageBox::Warning, m_title,
                  QObject::tr("O arquivo %1 foi mudado por outro programa depois de carregado. "
                              "Salvar por cima dessa mudança?")
                      .arg(file),
                  QMessageBox::Save | QMessageBox::Cancel, m_parent);
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  box.button(QMessageBox::Save)->setText(QObject::tr("Salvar por cima"));
  box.button(QMessageBox::Cancel)->setText(QObject::tr("Cancelar"));
  return box.exec() == QMessageBox::Save;
}

void QtUserPrompts::showError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, m_title, text, QMessageBox::Ok, m_parent);
  box.exec();
}

void QtUserPrompts::showInfo(const QString& text) {
  QMessageBox box(QMessageBox::Information, m_title, text, QMessageBox::Ok, m_parent);
  box.exec();
}

bool QtUserPrompts::confirmReplace(const QString& text, const QString& details) {
  QMessageBox box(QMessageBox::Warning, m_title, text, QMessageBox::Yes | QMessageBox::No,
                  m_parent);
  if (!details.isEmpty()) box.setDetailedText(details);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  box.button(QMessageBox::Yes)->setText(QObject::tr("&Substituir"));
  box.button(QMessageBox::No)->setText(QObject::tr("&Manter"));
  return box.exec() == QMessageBox::Yes;
}

void QtUserPrompts::showAbout(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QObject::tr("Sobre o Trevak"), text, QMessageBox::Ok,
                  m_parent);
  box.setTextFormat(Qt::RichText);
  box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
  box.exec();
}

void QtUserPrompts::showSummary(const QString& text, const QString& details) {
  QMessageBox box(QMessageBox::Information, m_title, text, QMessageBox::Ok, m_parent);
  if (!details.isEmpty()) box.setDetailedText(details);
  box.exec();
}

namespace {

// A window-modal progress dialog: setValue lets the window repaint and the Cancel button work.
class DialogProgress final : public ProgressReport {
 public:
  DialogProgress(QWidget* parent, const QString& text, int total)
      : m_dialog(text, QObject::tr("Cancelar"), 0, total, parent) {
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(500);
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
  }
  bool advance(int done) override {
    m_dialog.setValue(done);
    return !m_dialog.wasCanceled();
  }

 private:
  QProgressDialog m_dialog;
};

}  // namespace

std::unique_ptr<ProgressReport> QtUserPrompts::startProgress(const QString& text, int total) {
  return std::make_unique<DialogProgress>(m_parent, text, total);
}

}  // namespace trevak
