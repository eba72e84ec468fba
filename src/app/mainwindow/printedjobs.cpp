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

PrintedJobs::PrintedJobs(const QString& folder, QObject* parent) : QObject(parent), folder_(folder) {
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
    watch();
    emit Changed();
  });
  watch();
}

void PrintedJobs::watch() {
  if (folder_.isEmpty()) return;
  if (QFileInfo(folder_).isDir()) {
    if (!watcher_.directories().contains(folder_)) watcher_.addPath(folder_);
  } else {
    const QString parent = QFileInfo(folder_).absolutePath();
    if (QFileInfo(parent).isDir() && !watcher_.directories().contains(parent)) watcher_.addPath(parent);
  }
}

QStringList PrintedJobs::Waiting() const {
  if (folder_.isEmpty()) return {};
  const QDir dir(folder_);
  QStringList jobs;
  // Dot files are hidden from the listing unless asked for: the backend's unfinished ones.
  for (const QFileInfo& f : dir.entryInfoList({"*.pdf", "*.ps"}, QDir::Files, QDir::Time | QDir::Reversed))
    jobs << f.absoluteFilePath();
  return jobs;
}

QString PrintedJobs::Title(const QString& job) {
  return QString::fromStdString(base::PrintJobTitle(QFileInfo(job).fileName().toStdString()));
}

}  // namespace app
