// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/user_prompts.h"

namespace trevak::test {

/// Scripted answers for the window's dialogs, with a record of everything that was asked.
/// A question without a scripted answer is a test failure and is answered with "cancel".
class FakePrompts final : public UserPrompts {
 public:
  std::deque<std::optional<QString>> openAnswers;
  std::deque<std::optional<QString>> saveAnswers;
  /// Discard question answers: true for "Descartar", false for "Cancelar"...
  std::deque<bool> discardAnswers;
  /// ... or, taken first while any is scripted, the answer itself.
  std::deque<DiscardAnswer> discardChoices;
  QStringList discardLibraries;  // the library each discard question named
  QStringList abouts;
  std::deque<bool> replaceAnswers;
  QStringList replaceQuestions;
  QStringList replaceDetails;
  std::deque<bool> overwriteAnswers;
  QStringList overwriteQuestions;  // the files asked about
  /// Several files at once (an empty list cancels); when none is scripted, an open answer is
  /// taken as one file.
  std::deque<QStringList> openManyAnswers;
  std::deque<std::optional<QString>> folderAnswers;
  std::vector<FileDialogRequest> folderRequests;
  /// A progress report answers "stop" once this many steps are done (-1: never).
  int stopProgressAt = -1;

  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;
  int discardQuestions = 0;
  QStringList errors;
  QStringList infos;
  QStringList summaries;
  QStringList summaryDetails;
  /// Every advance of every progress report, in order.
  std::vector<int> progressSteps;
  std::vector<int> progressTotals;
  /// Run while a box or dialog is up, for tests that look at the window then.
  std::function<void()> whileErrorShown;
  std::function<void()> whileSaveDialogShown;

  std::optional<QString> askOpenPath(const FileDialogRequest& request) override {
    openRequests.push_back(request);
    if (openAnswers.empty()) {
      ADD_FAILURE() << "unexpected open dialog";
      return std::nullopt;
    }
    auto answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
  }

  std::optional<QString> askSavePath(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    if (whileSaveDialogShown) whileSaveDialogShown();
    if (saveAnswers.empty()) {
      ADD_FAILURE() << "unexpected save dialog";
      return std::nullopt;
    }
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }

  std::optional<QStringList> askOpenPaths(const FileDialogRequest& request) override {
    if (openManyAnswers.empty()) {
      std::optional<QString> one = askOpenPath(request);
      if (!one) return std::nullopt;
      return QStringList{*one};
    }
    openRequests.push_back(request);
    const QStringList answer = openManyAnswers.front();
    openManyAnswers.pop_front();
    if (answer.isEmpty()) return std::nullopt;
    return answer;
  }

  std::optional<QString> askFolder(const FileDialogRequest& request) override {
    folderRequests.push_back(request);
    if (folderAnswers.empty()) {
      ADD_FAILURE() << "unexpected folder dialog";
      return std::nullopt;
    }
    auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
  }

  DiscardAnswer confirmDiscard(const QString& library) override {
    ++discardQuestions;
    discardLibraries << library;
    if (!discardChoices.empty()) {
      const DiscardAnswer answer = discardChoices.front();
      discardChoices.pop_front();
      return answer;
    }
    if (discardAnswers.empty()) {
      ADD_FAILURE() << "unexpected discard question";
      return DiscardAnswer::Cancel;
    }
    const bool answer = discardAnswers.front();
    discardAnswers.pop_front();
    return answer ? DiscardAnswer::Discard : DiscardAnswer::Cancel;
  }

  bool confirmOverwriteChanged(const QString& file) override {
    overwriteQuestions << file;
    if (overwriteAnswers.empty()) {
      ADD_FAILURE() << "unexpected question about a changed file";
      return false;
    }
    const bool answer = overwriteAnswers.front();
    overwriteAnswers.pop_front();
    return answer;
  }

  void showError(const QString& text) override {
    errors << text;
    if (whileErrorShown) whileErrorShown();
  }

  void showInfo(const QString& text) override { infos << text; }

  void showAbout(const QString& text) override { abouts << text; }

  bool confirmReplace(const QString& text, const QString& details) override {
    replaceQuestions << text;
    replaceDetails << details;
    if (replaceAnswers.empty()) {
      ADD_FAILURE() << "unexpected question about replacing files";
      return false;
    }
    const bool answer = replaceAnswers.front();
    replaceAnswers.pop_front();
    return answer;
  }

  void showSummary(const QString& text, const QString& details) override {
    summaries << text;
    summaryDetails << details;
  }

  std::unique_ptr<ProgressReport> startProgress(const QString&, int total) override {
    progressTotals.push_back(total);
    struct Recorder final : ProgressReport {
      FakePrompts& owner;
      explicit Recorder(FakePrompts& o) : owner(o) {}
      bool advance(int done) override {
        owner.progressSteps.push_back(done);
        return owner.stopProgressAt < 0 || done < owner.stopProgressAt;
      }
    };
    return std::make_unique<Recorder>(*this);
  }
};

}  // namespace trevak::test
