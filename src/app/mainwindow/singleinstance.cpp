// A lock file marks the running copy and a local socket carries the request to come to
// the front; both are named after a hash of the data folder.
#include "app/mainwindow/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace app {

namespace {
constexpr char kRaiseRequest[] = "raise\n";
}

QString SingleInstance::KeyFor(const QString& dataDir) {
  const QString canonical = QDir(dataDir).canonicalPath().isEmpty() ? QDir(dataDir).absolutePath()
                                                                    : QDir(dataDir).canonicalPath();
  const QByteArray hash =
      QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return QStringLiteral("brindle-") + QString::fromLatin1(hash);
}

SingleInstance::SingleInstance(const QString& dataDir, QObject* parent)
    : QObject(parent), key_(KeyFor(dataDir)) {
  lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(key_ + QStringLiteral(".lock")));
  lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::askRunningCopy() {
  QLocalSocket socket;
  socket.connectToServer(key_);
  if (!socket.waitForConnected(500)) return false;
  socket.write(kRaiseRequest);
  socket.waitForBytesWritten(1000);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::AnotherCopyRuns() {
  if (lock_->tryLock(0)) return false;
  // The running copy may still be starting up: give it a little time to listen.
  QDeadlineTimer deadline(5000);
  while (!deadline.hasExpired()) {
    if (askRunningCopy()) return true;
    if (lock_->tryLock(0)) return false;  // it ended meanwhile
    QThread::msleep(100);
  }
  return true;
}

void SingleInstance::Listen(std::function<void()> bringToFront) {
  QLocalServer::removeServer(key_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this, bringToFront] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      if (bringToFront) bringToFront();
    }
  });
  server_->listen(key_);
}

}  // namespace app
