// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings.h"

#include <QSettings>
#include <QVariant>
#include <utility>

#include "app/preview_zoom.h"

namespace trevak {

namespace {

QString paneKey(Pane pane, const char* what) {
  return QStringLiteral("%1/%2").arg(
      pane == Pane::Edit ? QStringLiteral("edit") : QStringLiteral("search"), QLatin1String(what));
}

QString dialogKey(FileDialogKind dialog) {
  switch (dialog) {
    case FileDialogKind::EditOpen:
      return QStringLiteral("dialogs/editOpenFolder");
    case FileDialogKind::SearchOpen:
      return QStringLiteral("dialogs/searchOpenFolder");
    case FileDialogKind::Save:
      return QStringLiteral("dialogs/saveFolder");
  }
  return {};
}

/// A value of the kind asked for, or nothing: a hand-edited file may hold anything.
QString readString(const QSettings& store, const QString& key) {
  const QVariant value = store.value(key);
  return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QByteArray readBytes(const QSettings& store, const QString& key) {
  const QVariant value = store.value(key);
  return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

bool readBool(const QSettings& store, const QString& key) {
  const QVariant value = store.value(key);
  // INI files give back "true" and "false" as text.
  if (value.typeId() == QMetaType::Bool) return value.toBool();
  return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("true");
}

}  // namespace

QStringList cleanRecentList(const QStringList& paths) {
  QStringList out;
  for (const QString& path : paths) {
    if (path.trimmed().isEmpty() || out.contains(path)) continue;
    out << path;
    if (out.size() == kMaxRecentLibraries) break;
  }
  return out;
}

std::unique_ptr<Settings> Settings::forUser() {
  return std::unique_ptr<Settings>(new Settings(
      std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                  QStringLiteral("trevak"), QStringLiteral("trevak"))));
}

std::unique_ptr<Settings> Settings::inFile(const QString& path) {
  return std::unique_ptr<Settings>(
      new Settings(std::make_unique<QSettings>(path, QSettings::IniFormat)));
}

Settings::Settings(std::unique_ptr<QSettings> store) : m_store(std::move(store)) {}

Settings::~Settings() = default;

QByteArray Settings::windowGeometry() const {
  return readBytes(*m_store, QStringLiteral("window/geometry"));
}

void Settings::setWindowGeometry(const QByteArray& geometry) {
  m_store->setValue(QStringLiteral("window/geometry"), geometry);
}

QByteArray Settings::splitterState() const {
  return readBytes(*m_store, QStringLiteral("window/splitter"));
}

void Settings::setSplitterState(const QByteArray& state) {
  m_store->setValue(QStringLiteral("window/splitter"), state);
}

QString Settings::lastFolder(FileDialogKind dialog) const {
  return readString(*m_store, dialogKey(dialog));
}

void Settings::setLastFolder(FileDialogKind dialog, const QString& folder) {
  m_store->setValue(dialogKey(dialog), folder);
}

QString Settings::lastSearchSource() const {
  return readString(*m_store, QStringLiteral("search/lastSource"));
}

void Settings::setLastSearchSource(const QString& path) {
  m_store->setValue(QStringLiteral("search/lastSource"), path);
}

int Settings::paneScale(Pane pane) const {
  bool ok = false;
  const int scale = m_store->value(paneKey(pane, "scale")).toInt(&ok);
  return ok && isPaneScale(scale) ? scale : kNormalPaneScale;
}

void Settings::setPaneScale(Pane pane, int scale) {
  m_store->setValue(paneKey(pane, "scale"), scale);
}

bool Settings::paneFitting(Pane pane) const { return readBool(*m_store, paneKey(pane, "fit")); }

void Settings::setPaneFitting(Pane pane, bool on) { m_store->setValue(paneKey(pane, "fit"), on); }

bool Settings::textSwitch() const { return readBool(*m_store, QStringLiteral("preview/texts")); }

void Settings::setTextSwitch(bool on) { m_store->setValue(QStringLiteral("preview/texts"), on); }

bool Settings::exactDrawing() const { return readBool(*m_store, QStringLiteral("preview/exact")); }

void Settings::setExactDrawing(bool on) { m_store->setValue(QStringLiteral("preview/exact"), on); }

QString Settings::language() const {
  return readString(*m_store, QStringLiteral("window/language"));
}

void Settings::setLanguage(const QString& code) {
  m_store->setValue(QStringLiteral("window/language"), code);
}

QStringList Settings::recentLibraries(Pane pane) const {
  const QVariant value = m_store->value(paneKey(pane, "recent"));
  // One entry comes back from an INI file as a plain text, several as a list.
  if (value.typeId() == QMetaType::QString) return cleanRecentList({value.toString()});
  if (value.typeId() != QMetaType::QStringList && value.typeId() != QMetaType::QVariantList) {
    return {};
  }
  return cleanRecentList(value.toStringList());
}

void Settings::setRecentLibraries(Pane pane, const QStringList& paths) {
  m_store->setValue(paneKey(pane, "recent"), cleanRecentList(paths));
}

void Settings::sync() { m_store->sync(); }

}  // namespace trevak
