// SPDX-License-Identifier: GPL-3.0-or-later
// Shared test main: fixed locale, headless platform, and the application object the layer needs.
#include <gtest/gtest.h>

#include <QLocale>
#include <clocale>
#include <cstdlib>

#if defined(TREVAK_TEST_APP_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(TREVAK_TEST_APP_GUI)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Name order follows the user's locale: tests pin one so they hold on any machine.
  setenv("LC_ALL", "en_US.UTF-8", 1);
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  TestApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
