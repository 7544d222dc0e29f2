// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/error_report.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <utility>

#include "app/user_prompts.h"

namespace trevak {
namespace {

struct TitleCase {
  const char* path;
  const char* title;
};

class ApplicationTitle : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitle, FromTheExecutableName) {
  EXPECT_EQ(applicationTitle(QString::fromUtf8(GetParam().path)),
            QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(Names, ApplicationTitle,
                         ::testing::Values(TitleCase{"trevak", "Trevak"},
                                           TitleCase{"/usr/local/bin/trevak", "Trevak"},
                                           TitleCase{"TREVAK.EXE", "Trevak"},
                                           TitleCase{"trevak.bin.old", "Trevak"},
                                           TitleCase{"C3PO.exe", "C3po"},
                                           TitleCase{".hidden", ""}));

struct StopCase {
  const char* message;
  const char* shown;
};

class FullStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(FullStop, AppendedOnlyAfterCharactersThatSortAfterTheStop) {
  EXPECT_EQ(withFullStop(QString::fromUtf8(GetParam().message)),
            QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FullStop,
    ::testing::Values(StopCase{"File not found", "File not found."},
                      StopCase{"I/O error 28", "I/O error 28."},
                      StopCase{"Field 'x' not found", "Field 'x' not found."},
                      StopCase{"Done.", "Done."}, StopCase{"Trailing blank ", "Trailing blank "},
                      StopCase{"Biblioteca vazia!", "Biblioteca vazia!"},
                      StopCase{"quoted 'x'", "quoted 'x'"}, StopCase{"(aside)", "(aside)"},
                      StopCase{"a-b-", "a-b-"}, StopCase{"path/", "path/."},
                      StopCase{"ação", "ação."}, StopCase{"", ""}));

// The real box: an error icon, one OK button, the application's title and the text as given.
TEST(QtUserPrompts, ErrorBoxIsModalWithTitleAndOneOkButton) {
  QtUserPrompts prompts(nullptr, QStringLiteral("Trevak"));
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Trevak"));
    EXPECT_EQ(box->text(), QStringLiteral("File not found."));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->button(QMessageBox::Ok)->click();
  });
  prompts.showError(QStringLiteral("File not found."));
  EXPECT_TRUE(seen);
}

TEST(QtUserPrompts, DiscardQuestionIsAWarningNamingTheLibraryWithSaveDiscardAndCancel) {
  QtUserPrompts prompts(nullptr, QStringLiteral("Trevak"));
  const std::pair<QMessageBox::StandardButton, DiscardAnswer> answers[] = {
      {QMessageBox::Save, DiscardAnswer::Save},
      {QMessageBox::Discard, DiscardAnswer::Discard},
      {QMessageBox::Cancel, DiscardAnswer::Cancel}};
  for (const auto& [button, answer] : answers) {
    QTimer::singleShot(0, [button = button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text(), QStringLiteral("Biblioteca atual modificada, descartar?"));
      EXPECT_TRUE(box->informativeText().contains("/lib/conn.mod"));
      EXPECT_EQ(box->icon(), QMessageBox::Warning);
      EXPECT_EQ(box->standardButtons(),
                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
      box->button(button)->click();
    });
    EXPECT_EQ(prompts.confirmDiscard(QStringLiteral("/lib/conn.mod")), answer);
  }
}

TEST(QtUserPrompts, ClosingTheDiscardQuestionCancels) {
  QtUserPrompts prompts(nullptr, QStringLiteral("Trevak"));
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    box->reject();
  });
  EXPECT_EQ(prompts.confirmDiscard(QStringLiteral("nova")), DiscardAnswer::Cancel);
}

TEST(QtUserPrompts, FolderDialogTakesANewFolderTypedByNameWhenAllowed) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtUserPrompts prompts(nullptr, QStringLiteral("Trevak"));
  FileDialogRequest request;
  request.initialFolder = dir.path();
  request.newFolderAllowed = true;
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("novo.pretty"));
    QMetaObject::invokeMethod(dialog, "accept");
  });
  const std::optional<QString> folder = prompts.askFolder(request);
  ASSERT_TRUE(folder.has_value());
  EXPECT_EQ(*folder, dir.filePath(QStringLiteral("novo.pretty")));
  EXPECT_FALSE(QFileInfo::exists(*folder));  // made by the export, not by the dialog
}

TEST(QtUserPrompts, ReplaceQuestionIsAWarningThatKeepsByDefault) {
  QtUserPrompts prompts(nullptr, QStringLiteral("Trevak"));
  for (const bool replace : {true, false}) {
    QTimer::singleShot(0, [replace] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->icon(), QMessageBox::Warning);
      EXPECT_EQ(box->detailedText(), QStringLiteral("R2.kicad_mod: diferente"));
      EXPECT_TRUE(box->defaultButton() == box->button(QMessageBox::No));
      EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QStringLiteral("&Substituir"));
      EXPECT_EQ(box->button(QMessageBox::No)->text(), QStringLiteral("&Manter"));
      if (replace) {
        box->button(QMessageBox::Yes)->click();
      } else {
        box->reject();
      }
    });
    EXPECT_EQ(prompts.confirmReplace(QStringLiteral("Exportação..."),
                                     QStringLiteral("R2.kicad_mod: diferente")),
              replace);
  }
}

}  // namespace
}  // namespace trevak
