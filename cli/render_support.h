// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGuiApplication>
#include <QString>
#include <memory>
#include <string>

namespace trevak::cli {

/// Text drawing needs a QGuiApplication. Makes one when the caller has none, headless unless a
/// platform was asked for; nullptr when one exists already.
std::unique_ptr<QGuiApplication> ensureGuiApplication();

/// A module name made safe as a file name: path separators, characters that some systems
/// refuse and control characters become '_'; other bytes are taken as Latin-1, as the window
/// shows them.
QString safeFileStem(const std::string& name);

}  // namespace trevak::cli
