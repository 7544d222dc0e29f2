// SPDX-License-Identifier: GPL-3.0-or-later
// The real file dialog's answer for a `.pretty` folder: opening one chooses it.
#include "app/user_prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

namespace trevak::test {
namespace {

// The file dialog shown now, if any.
QFileDialog* shownDialog() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog != nullptr && dialog->isVisible()) {
      return dialog;
    }
  }
  return nullptr;
}

// Types `path` into the open file dialog's name field and presses its Open button; a dialog
// still up a moment later is cancelled, so that no test waits for ever. The timers end with
// `test`, so none reaches the next test's dialog.
void typeIntoDialog(QObject& test, const QString& path, QString* folderShown = nullptr) {
  QTimer::singleShot(50, &test, [path] {
    QFileDialog* dialog = shownDialog();
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(path);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  QTimer::singleShot(400, &test, [folderShown] {
    if (QFileDialog* dialog = shownDialog()) {
      if (folderShown != nullptr) *folderShown = dialog->directory().absolutePath();
      dialog->reject();
    }
  });
}

TEST(QtFileDialog, OpeningAPrettyFolderChoosesItWhenFoldersAreAnswers) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pretty = dir.filePath(QStringLiteral("Parts.pretty"));
  ASSERT_TRUE(QDir().mkpath(pretty));
  QtUserPrompts prompts(nullptr, QStringLiteral("t"));
  FileDialogRequest request;
  request.initialFolder = dir.path();
  request.acceptPrettyFolders = true;
  QObject test;
  typeIntoDialog(test, pretty);
  const std::optional<QString> answer = prompts.askOpenPath(request);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(QDir(*answer).absolutePath(), QDir(pretty).absolutePath());
}

TEST(QtFileDialog, AnOrdinaryFolderIsOpenedNotChosen) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString plain = dir.filePath(QStringLiteral("plain"));
  ASSERT_TRUE(QDir().mkpath(plain));
  QtUserPrompts prompts(nullptr, QStringLiteral("t"));
  FileDialogRequest request;
  request.initialFolder = dir.path();
  request.acceptPrettyFolders = true;
  QString shown;
  QObject test;
  typeIntoDialog(test, plain, &shown);
  // The dialog shows the folder's contents and stays up until cancelled.
  EXPECT_FALSE(prompts.askOpenPath(request).has_value());
  EXPECT_EQ(QDir(shown).absolutePath(), QDir(plain).absolutePath());
}

}  // namespace
}  // namespace trevak::test
