// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <utility>

namespace trevak {

QtUserPrompts::QtUserPrompts(QWidget* parent, QString title)
    : m_parent(parent), m_title(std::move(title)) {}

std::optional<QString> QtUserPrompts::runFileDialog(const FileDialogRequest& request, bool save) {
  QFileDialog dialog(m_parent);
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

std::optional<QString> QtUserPrompts::askFolder(const FileDialogRequest& request) {
  QFileDialog dialog(m_parent);
  if (!request.title.isEmpty()) dialog.setWindowTitle(request.title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (!request.initialFolder.isEmpty()) dialog.setDirectory(request.initialFolder);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList folders = dialog.selectedFiles();
  if (folders.isEmpty()) return std::nullopt;
  return folders.first();
}

bool QtUserPrompts::confirmDiscard() {
  QMessageBox box(QMessageBox::Warning, m_title, QString::fromUtf16(kDiscardQuestion),
                  QMessageBox::Yes | QMessageBox::Cancel, m_parent);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Yes;
}

void QtUserPrompts::showError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, m_title, text, QMessageBox::Ok, m_parent);
  box.exec();
}

void QtUserPrompts::showInfo(const QString& text) {
  QMessageBox box(QMessageBox::Information, m_title, text, QMessageBox::Ok, m_parent);
  box.exec();
}

}  // namespace trevak
