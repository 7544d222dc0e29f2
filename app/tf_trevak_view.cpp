// SPDX-License-Identifier: GPL-3.0-or-later
// The editor window's room to grow and its memory: the fit buttons and the previews' wheel zoom
// and panning, the "Bibliotecas recentes" menus, and the settings read at start and written
// when the window closes. The rest of the window is in tf_trevak.cpp.
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>
#include <exception>

#include "app/dock_panel.h"
#include "app/exact_panes.h"
#include "app/preview_widget.h"
#include "app/preview_zoom.h"
#include "app/recent_libraries.h"
#include "app/settings.h"
#include "app/text_switch.h"
#include "app/tf_trevak.h"

namespace trevak {

namespace {

QToolButton* fitButton(QWidget* pane, const char* name, int x, int y) {
  auto* button = new QToolButton(pane);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(x, y, 28, 23);
  QIcon icon(QStringLiteral(":/icons/fit_preview.svg"));
  if (icon.isNull()) icon = QIcon(QStringLiteral(":/icons/fit_preview.png"));
  button->setIcon(icon);
  button->setIconSize(QSize(16, 16));
  button->setToolTip(TfTrevak::tr("Ajustar à área"));
  button->setAutoRaise(true);
  button->setCheckable(true);
  return button;
}

constexpr int kDialogKinds = 3;

FileDialogKind dialogKind(int index) { return static_cast<FileDialogKind>(index); }

}  // namespace

void TfTrevak::buildViewTools() {
  // Beside the edit preview between "XX----" and "Nome"; left of the search preview.
  SB_ajustar1 = fitButton(Panel4, "SB_ajustar1", 332, 325);
  SB_ajustar2 = fitButton(Panel2, "SB_ajustar2", 7, 296);

  const auto reported = [this](void (TfTrevak::*redraw)()) {
    try {
      (this->*redraw)();
    } catch (const std::exception& failure) {
      reportFailure(failure);
    }
  };
  m_editNavigator = new PreviewNavigator(ScrollBox1, Image2, SB_ajustar1,
                                         {[this] { return m_drawing.escala_edicao; },
                                          [this, reported](int scale) {
                                            m_drawing.escala_edicao = scale;
                                            reported(&TfTrevak::redrawEditPane);
                                          },
                                          [reported] { reported(&TfTrevak::redrawEditPane); }},
                                         this);
  m_searchNavigator = new PreviewNavigator(ScrollBox2, Image3, SB_ajustar2,
                                           {[this] { return m_drawing.escala_pesquisa; },
                                            [this, reported](int scale) {
                                              m_drawing.escala_pesquisa = scale;
                                              reported(&TfTrevak::redrawSearchPane);
                                            },
                                            [reported] { reported(&TfTrevak::redrawSearchPane); }},
                                           this);

  // Each pane's recent libraries follow the item that loads that pane.
  auto* arquivo = menuBar()->findChild<QMenu*>(QStringLiteral("Arquivo1"));
  m_searchRecentMenu = new QMenu(tr("Bibliotecas de pesquisa recentes"), this);
  m_searchRecentMenu->setObjectName(QStringLiteral("Bibliotecasrecentes2"));
  m_editRecentMenu = new QMenu(tr("Bibliotecas de edição recentes"), this);
  m_editRecentMenu->setObjectName(QStringLiteral("Bibliotecasrecentes1"));
  if (arquivo != nullptr) {
    arquivo->insertMenu(Carregarbibliotecaparaedio1, m_searchRecentMenu);
    arquivo->insertMenu(Salvarbibliotecaemedio1, m_editRecentMenu);
  }
  const auto storeRecent = [this] {
    if (m_options.settings == nullptr) return;
    m_options.settings->setRecentLibraries(Pane::Edit, m_editRecent->paths());
    m_options.settings->setRecentLibraries(Pane::Search, m_searchRecent->paths());
    m_options.settings->sync();
  };
  m_editRecent =
      new RecentLibraries(m_editRecentMenu,
                          {[this](const QString& path) { openEditLibrary(path); },
                           [this](const QString& path) { showMissingRecent(path); }, storeRecent},
                          this);
  m_searchRecent =
      new RecentLibraries(m_searchRecentMenu,
                          {[this](const QString& path) {
                             m_searchDialogFileName = path;
                             openSearchLibrary(path);
                           },
                           [this](const QString& path) { showMissingRecent(path); }, storeRecent},
                          this);
}

void TfTrevak::showMissingRecent(const QString& path) {
  m_prompts->showError(missingRecentLibraryMessage(path));
}

void TfTrevak::rememberFolder(FileDialogKind dialog, const QString& path) {
  m_lastFolders[static_cast<int>(dialog)] = QFileInfo(path).absolutePath();
}

QString TfTrevak::rememberedFolder(FileDialogKind dialog) const {
  const QString& folder = m_lastFolders[static_cast<int>(dialog)];
  return !folder.isEmpty() && QDir(folder).exists() ? folder : QString();
}

int TfTrevak::fitPane(PreviewNavigator& navigator, const ModuleTable& table, int scale,
                      void (TfTrevak::*redraw)()) {
  const auto drawAt = [&](int at) -> std::optional<DrawnPicture> {
    if (table.IsEmpty()) return std::nullopt;
    m_drawing.escala = at;
    (this->*redraw)();
    // The exact drawing keeps the sketch's margins and steps, so the same fit applies to it.
    return m_exact->isOn() || (redraw == &TfTrevak::converter2 && m_exact->showsExact(Image3))
               ? m_exact->lastDrawn()
               : drawnPicture(m_drawing);
  };
  return fitScale(drawAt, scale, navigator.area());
}

void TfTrevak::restoreSettings() {
  Settings* settings = m_options.settings;
  if (settings == nullptr) return;
  const QByteArray geometry = settings->windowGeometry();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  const QByteArray splitter = settings->splitterState();
  if (!splitter.isEmpty()) m_panes->restoreState(splitter);
  for (int i = 0; i < kDialogKinds; ++i) m_lastFolders[i] = settings->lastFolder(dialogKind(i));
  m_searchDialogFileName = settings->lastSearchSource();
  m_drawing.escala_edicao = settings->paneScale(Pane::Edit);
  m_drawing.escala_pesquisa = settings->paneScale(Pane::Search);
  SB_ajustar1->setChecked(settings->paneFitting(Pane::Edit));
  SB_ajustar2->setChecked(settings->paneFitting(Pane::Search));
  RxSwitch1->setChecked(settings->textSwitch());
  m_exact->toggle()->setChecked(settings->exactDrawing());
  m_editRecent->setPaths(settings->recentLibraries(Pane::Edit));
  m_searchRecent->setPaths(settings->recentLibraries(Pane::Search));
}

void TfTrevak::storeSettings() {
  Settings* settings = m_options.settings;
  if (settings == nullptr) return;
  settings->setWindowGeometry(saveGeometry());
  settings->setSplitterState(m_panes->saveState());
  for (int i = 0; i < kDialogKinds; ++i) {
    if (!m_lastFolders[i].isEmpty()) settings->setLastFolder(dialogKind(i), m_lastFolders[i]);
  }
  if (!m_searchDialogFileName.isEmpty()) settings->setLastSearchSource(m_searchDialogFileName);
  settings->setPaneScale(Pane::Edit, m_drawing.escala_edicao);
  settings->setPaneScale(Pane::Search, m_drawing.escala_pesquisa);
  settings->setPaneFitting(Pane::Edit, SB_ajustar1->isChecked());
  settings->setPaneFitting(Pane::Search, SB_ajustar2->isChecked());
  settings->setTextSwitch(RxSwitch1->isChecked());
  settings->setExactDrawing(m_exact->isOn());
  settings->setRecentLibraries(Pane::Edit, m_editRecent->paths());
  settings->setRecentLibraries(Pane::Search, m_searchRecent->paths());
  settings->sync();
}

}  // namespace trevak
