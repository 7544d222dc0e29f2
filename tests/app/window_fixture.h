// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/header_strip.h"
#include "app/name_grid.h"
#include "app/tf_trevak.h"
#include "fake_prompts.h"

namespace trevak::test {

/// One module of a library written by a test: a name and its body lines.
struct TestModule {
  std::string name;
  std::vector<std::string> body;
};

/// A module that draws a segment of the given half length, so modules give pictures of
/// different sizes.
inline TestModule segmentModule(std::string name, int halfLength = 1000) {
  const std::string h = std::to_string(halfLength);
  return {std::move(name),
          {"Po 0 0 0 15 00000000 00000000 ~~", "Li " + std::string("X"),
           "DS -" + h + " -500 " + h + " 500 50 21", "T0 0 -600 400 400 0 80 N V 21 \">NAME\""}};
}

/// A fresh window with scripted prompts, a scratch folder and helpers to load libraries
/// through the window's own buttons.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    auto prompts = std::make_unique<FakePrompts>();
    prompts_ = prompts.get();
    WindowOptions options = windowOptions();
    window_ = std::make_unique<TfTrevak>(std::move(prompts), options);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  void TearDown() override { window_.reset(); }

  /// Options for the window under test; the default module folder does not exist.
  virtual WindowOptions windowOptions() {
    WindowOptions options;
    options.moduleFolder = m_dir.filePath(QStringLiteral("no-such-folder"));
    return options;
  }

  QString dirPath(const QString& name) const { return m_dir.filePath(name); }

  /// Writes a library file with CR LF line ends and returns its path.
  QString writeLibrary(const QString& fileName, const std::vector<TestModule>& modules) {
    std::string text = "PCBNEW-LibModule-V1  01/01/2010-00:00:00\r\n$INDEX\r\n";
    for (const auto& m : modules) text += m.name + "\r\n";
    text += "$EndINDEX\r\n";
    for (const auto& m : modules) {
      text += "$MODULE " + m.name + "\r\n";
      for (const auto& line : m.body) text += line + "\r\n";
      text += "$EndMODULE " + m.name + "\r\n";
    }
    text += "$EndLIBRARY\r\n";
    const QString path = m_dir.filePath(fileName);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    return path;
  }

  /// Modules named by a list, each drawing a segment.
  static std::vector<TestModule> modulesNamed(const std::vector<std::string>& names) {
    std::vector<TestModule> modules;
    int half = 500;
    for (const auto& n : names) modules.push_back(segmentModule(n, half += 250));
    return modules;
  }

  template <typename T = QWidget>
  T* find(const char* name) const {
    T* widget = window_->findChild<T*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  void click(const char* name) { find<QAbstractButton>(name)->click(); }
  void trigger(const char* name) { find<QAction>(name)->trigger(); }
  /// The text of a label or the caption of a header strip.
  QString text(const char* name) const {
    QWidget* widget = find(name);
    if (auto* strip = qobject_cast<HeaderStrip*>(widget)) return strip->text();
    return qobject_cast<QLabel*>(widget)->text();
  }

  /// Loads the edit library through "Carregar biblioteca", the dialog answering `path`.
  void loadEdit(const QString& path) {
    prompts_->openAnswers.push_back(path);
    click("SB_carregar");
  }
  /// Loads the search library through "Carregar origem".
  void loadSearch(const QString& path) {
    prompts_->openAnswers.push_back(path);
    click("RxSB_carregar2");
  }

  /// Selects exactly `rows` of a name grid.
  void selectRows(const char* grid, const std::vector<int>& rows) {
    auto* view = find<NameGrid>(grid);
    view->selectionModel()->clearSelection();
    for (int row : rows) {
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  /// Opens the edit grid's name editor on the current module (F2) and types `typed` over the
  /// name, leaving the editor open; nullptr when no editor opened.
  QLineEdit* startRename(const char* typed) {
    auto* grid = find<NameGrid>("DBGrid1");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F2);
    auto* editor = grid->findChild<QLineEdit*>();
    if (editor == nullptr) return nullptr;
    editor->selectAll();
    QTest::keyClicks(editor, typed);
    return editor;
  }

  /// Renames the edit grid's current module by typing into its editor (F2 ... Return).
  void renameCurrent(const char* typed) {
    QLineEdit* editor = startRename(typed);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor commits from the event loop, and the rename is taken after it.
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }

  /// The row the grid shows as current.
  int gridRow(const char* grid) const { return find<NameGrid>(grid)->currentIndex().row(); }
  /// The name of the table's current record.
  static std::string currentName(ModuleTable& table) {
    return table.IsEmpty() ? std::string() : table.GetField("nome_Componente");
  }
  /// All names in table order.
  static std::vector<std::string> names(const ModuleTable& table) {
    std::vector<std::string> out;
    for (int i = 0; i < table.RecordCount(); ++i) {
      out.push_back(table.recordAt(i).nome_Componente.value_or(""));
    }
    return out;
  }

  QTemporaryDir m_dir;
  FakePrompts* prompts_ = nullptr;
  std::unique_ptr<TfTrevak> window_;
};

}  // namespace trevak::test
