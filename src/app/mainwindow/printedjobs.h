// Jobs printed to the Brindle printer by this user: the backend leaves each in the user's
// spool folder, and the main window opens a new fax with each. The folder (and the spool
// root above it) may not be there before the first job, so the nearest folder that is
// there is watched until it appears.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>

namespace app {

class PrintedJobs : public QObject {
  Q_OBJECT
 public:
  // The folder of the user running the program (see base/printspool.h).
  static QString UserFolder();

  explicit PrintedJobs(const QString& folder, QObject* parent = nullptr);

  // Finished jobs, oldest first, as full paths. Files the backend is still writing have
  // names starting with a dot and are left out.
  QStringList Waiting() const;
  // The title the job was printed with (the fax's subject), from its file name.
  static QString Title(const QString& job);

 signals:
  void Changed();  // jobs may have come

 private:
  void watch();

  QString folder_;
  QFileSystemWatcher watcher_;
};

}  // namespace app
