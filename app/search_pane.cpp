// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/search_pane.h"

#include <QCoreApplication>
#include <QAbstractItemModel>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QTabWidget>
#include <QThread>
#include <string>
#include <utility>
#include <vector>

#include "app/header_strip.h"
#include "app/name_grid.h"
#include "app/user_prompts.h"
#include "library/library_set.h"
#include "library/module_table.h"

namespace trevak {

namespace {

constexpr int kFilterHeight = 21;
constexpr int kFilterGap = 2;
constexpr int kNameWidth = 261;
constexpr int kSetNameWidth = 150;
constexpr int kSetNicknameWidth = 110;
// A failure list longer than this is cut: the box must fit on the screen.
constexpr int kListedFailures = 20;

// Escape in the filter empties it.
class EscapeClears final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      static_cast<QLineEdit*>(watched)->clear();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

QString failureText(const std::vector<LibraryFailure>& failures) {
  QString text =
      failures.size() == 1
          ? SearchPane::tr("Não foi possível carregar 1 arquivo:")
          : SearchPane::tr("Não foi possível carregar %1 arquivos:").arg(failures.size());
  int listed = 0;
  for (const LibraryFailure& f : failures) {
    if (listed++ == kListedFailures) {
      text += SearchPane::tr("\n... e mais %1").arg(failures.size() - kListedFailures);
      break;
    }
    text += QStringLiteral("\n%1: %2").arg(QFile::decodeName(f.path.c_str()),
                                            QString::fromUtf8(f.message.c_str()));
  }
  return text;
}

}  // namespace

QString searchCountText(const ModuleTable& table) {
  if (table.filterText().find_first_not_of(" \t") == std::string::npos) {
    return QString::number(table.RecordCount());
  }
  return QStringLiteral("%1 /\n%2").arg(table.RecordCount()).arg(table.totalCount());
}

QString searchLoadedText(const ModuleTable& table, const QString& path) {
  const int loaded = table.totalCount();
  QString text = loaded == 1
                     ? SearchPane::tr("1 módulo carregado em %1").arg(path)
                     : SearchPane::tr("%1 módulos carregados em %2").arg(loaded).arg(path);
  if (table.filterText().find_first_not_of(" \t") != std::string::npos) {
    const int shown = table.RecordCount();
    text += shown == 1 ? SearchPane::tr(", 1 mostrado pelo filtro")
                       : SearchPane::tr(", %1 mostrados pelo filtro").arg(shown);
  }
  return text;
}

QString librarySetCaption(const QStringList& sources, int libraries) {
  const QString count = libraries == 1 ? SearchPane::tr("1 biblioteca")
                                       : SearchPane::tr("%1 bibliotecas").arg(libraries);
  if (sources.size() == 1) {
    return QStringLiteral("%1 (%2)").arg(QDir::cleanPath(QFileInfo(sources.front()).absoluteFilePath()), count);
  }
  // Several files or folders: the folder that holds them all, then each one's own name, so the
  // caption names what was loaded rather than only a folder above it.
  QString folder;
  QStringList names;
  for (const QString& source : sources) {
    const QFileInfo info(source);
    names << info.fileName();
    const QString f = QDir::cleanPath(info.absolutePath());
    if (folder.isNull()) {
      folder = f;
      continue;
    }
    // The deepest folder holding both.
    while (!(f == folder || f.startsWith(folder + QLatin1Char('/')) || folder == QLatin1String("/"))) {
      folder = QFileInfo(folder).path();
    }
  }
  return QStringLiteral("%1: %2 (%3)").arg(folder, names.join(QStringLiteral(", ")), count);
}

SearchPane::SearchPane(ModuleTable& table, UserPrompts& prompts, HeaderStrip& caption,
                       QTabWidget& pages, QWidget& contents, NameGrid& grid, QWidget& window)
    : QObject(&window), m_table(table), m_prompts(prompts), m_caption(caption), m_pages(pages),
      m_grid(grid) {
  const QRect g = grid.geometry();
  m_filter = new QLineEdit(&contents);
  m_filter->setObjectName(QStringLiteral("EditFiltro"));
  m_filter->setPlaceholderText(SearchPane::tr("Filtrar por nome, descrição, palavras-chave..."));
  m_filter->setToolTip(
      SearchPane::tr("Mostra os módulos que contêm todas as palavras (Esc limpa, Ctrl+F)"));
  m_filter->setClearButtonEnabled(true);
  m_filter->setGeometry(g.x(), g.y(), g.width(), kFilterHeight);
  grid.setGeometry(g.x(), g.y() + kFilterHeight + kFilterGap, g.width(),
                   g.height() - kFilterHeight - kFilterGap);
  m_filter->installEventFilter(new EscapeClears(m_filter));
  // With a set the grid shares its width between the name and the library's nickname.
  connect(grid.model(), &QAbstractItemModel::modelReset, this, [this] {
    if (m_grid.model()->columnCount() == 2) {
      m_grid.setColumnWidth(0, kSetNameWidth);
      m_grid.setColumnWidth(1, kSetNicknameWidth);
    } else {
      m_grid.setColumnWidth(0, kNameWidth);
    }
  });
  connect(m_filter, &QLineEdit::textChanged, this, &SearchPane::applyFilter);
}

void SearchPane::focusFilter() {
  m_pages.setCurrentIndex(0);
  m_filter->setFocus(Qt::ShortcutFocusReason);
  m_filter->selectAll();
}

SearchPane::~SearchPane() {
  if (m_control) m_control->cancel = true;
}

void SearchPane::applyFilter(const QString& text) {
  // Names and bodies are Latin-1; so is what the filter compares.
  const QByteArray bytes = text.toLatin1();
  m_table.setFilter(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void SearchPane::cancelLoad() {
  if (m_control) m_control->cancel = true;
}

bool SearchPane::loadSources(const QStringList& sources) {
  if (loading() || sources.isEmpty()) return false;
  std::vector<std::string> paths;
  for (const QString& s : sources) paths.push_back(QFile::encodeName(s).toStdString());
  return loadSet([paths](LoadControl* control) { return readLibrarySet(paths, control); }, sources, QString());
}

bool SearchPane::loadNamed(const std::vector<NamedLibrary>& libraries, const QString& caption) {
  if (loading() || libraries.empty()) return false;
  return loadSet([libraries](LoadControl* control) { return readNamedLibraries(libraries, control); },
                 {caption}, caption);
}

bool SearchPane::loadSet(const std::function<LibrarySetContents(LoadControl*)>& read,
                         const QStringList& sources, const QString& caption) {

  auto control = std::make_shared<LoadControl>();
  auto contents = std::make_shared<LibrarySetContents>();
  m_control = control;

  QPointer<QProgressDialog> progress =
      new QProgressDialog(SearchPane::tr("Carregando bibliotecas..."), SearchPane::tr("Cancelar"),
                          0, 0, m_grid.window());
  progress->setObjectName(QStringLiteral("ProgressoCarga"));
  progress->setWindowModality(Qt::WindowModal);
  progress->setMinimumDuration(300);
  progress->setAutoReset(false);
  progress->setAutoClose(false);
  connect(progress, &QProgressDialog::canceled, this, &SearchPane::cancelLoad);

  control->progress = [this, progress](std::size_t done, std::size_t total, std::size_t) {
    QMetaObject::invokeMethod(
        this,
        [this, progress, done, total] {
          if (progress) {
            progress->setMaximum(static_cast<int>(total));
            progress->setValue(static_cast<int>(done));
          }
          emit loadProgress(static_cast<int>(done), static_cast<int>(total));
        },
        Qt::QueuedConnection);
  };
  // The worker touches only its own table; the search library changes below, on this thread.
  std::unique_ptr<QThread> worker(
      QThread::create([read, control, contents] { *contents = read(control.get()); }));
  QEventLoop wait;
  connect(worker.get(), &QThread::finished, &wait, &QEventLoop::quit);
  worker->start();
  wait.exec();
  worker->wait();
  // Progress reports still queued belong to a load that is over.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  delete progress;
  m_control.reset();

  // A cancel that came after the last file still wins: the user asked for nothing to change.
  if (contents->cancelled || control->cancel) return false;
  if (contents->libraryCount == 0 && contents->failures.empty()) {
    m_prompts.showError(tr("Nenhuma biblioteca (*.mod ou .pretty) em %1")
                            .arg(sources.join(QStringLiteral(", "))));
    return false;
  }
  if (contents->libraryCount > 0) {
    commitLibrarySet(*contents, m_table);
    m_caption.setText(!caption.isEmpty()
                          ? tr("%1 (%2 bibliotecas)").arg(caption).arg(contents->libraryCount)
                          : librarySetCaption(sources, static_cast<int>(contents->libraryCount)));
  }
  if (!contents->failures.empty()) m_prompts.showError(failureText(contents->failures));
  return contents->libraryCount > 0;
}

}  // namespace trevak
