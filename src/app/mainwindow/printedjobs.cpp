#include "app/mainwindow/printedjobs.h"

#include "base/printspool.h"

#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

namespace app {

QString PrintedJobs::UserFolder() {
  const passwd* pw = getpwuid(geteuid());
  return pw ? QString::fromStdString(base::PrintSpoolFolder(pw->pw_name)) : QString();
}

PrintedJobs::PrintedJobs(const QString& folder, QObject* parent)
    : QObject(parent), folder_(folder) {
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
    watch();
    emit Changed();
  });
  watch();
}

void PrintedJobs::watch() {
  if (folder_.isEmpty()) return;
  // The nearest folder that is there: the user's own, else the one it will appear in. On a
  // machine where nothing was printed yet even the spool root is made with the first job.
  QString nearest = folder_;
  while (!QFileInfo(nearest).isDir()) {
    const QString up = QFileInfo(nearest).absolutePath();
    if (up == nearest) return;
    nearest = up;
  }
  const QStringList watched = watcher_.directories();
  if (watched == QStringList{nearest}) return;
  if (!watched.isEmpty()) watcher_.removePaths(watched);
  watcher_.addPath(nearest);
}

QStringList PrintedJobs::Waiting() const {
  if (folder_.isEmpty()) return {};
  const QDir dir(folder_);
  QStringList jobs;
  // Dot files are hidden from the listing unless asked for: the backend's unfinished ones.
  for (const QFileInfo& f :
       dir.entryInfoList({"*.pdf", "*.ps"}, QDir::Files, QDir::Time | QDir::Reversed))
    jobs << f.absoluteFilePath();
  return jobs;
}

QString PrintedJobs::Title(const QString& job) {
  return QString::fromStdString(base::PrintJobTitle(QFileInfo(job).fileName().toStdString()));
}

}  // namespace app
