// A lock file marks the running copy and a local socket carries the request to come to
// the front (with the files to open); both are named after a hash of the data folder.
#include "app/mainwindow/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace app {

namespace {
// Lines of a request: "raise" always, "receive", and "open <path>" per file. A path
// holds no line feed on any file system a user names from a desktop, but one that does
// is carried percent-encoded all the same.
constexpr char kRaise[] = "raise";
constexpr char kReceive[] = "receive";
constexpr char kOpen[] = "open ";
}  // namespace

QByteArray SingleInstance::Encode(const StartRequest& request) {
  QByteArray out = QByteArray(kRaise) + '\n';
  if (request.receive) out += QByteArray(kReceive) + '\n';
  for (const QString& file : request.faxFiles)
    out += QByteArray(kOpen) + file.toUtf8().toPercentEncoding("/ ") + '\n';
  return out;
}

StartRequest SingleInstance::Decode(const QByteArray& bytes) {
  StartRequest request;
  for (const QByteArray& line : bytes.split('\n')) {
    if (line == kReceive) request.receive = true;
    if (line.startsWith(kOpen))
      request.faxFiles << QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(int(sizeof kOpen) - 1)));
  }
  return request;
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

bool SingleInstance::askRunningCopy(const StartRequest& request) {
  QLocalSocket socket;
  socket.connectToServer(key_);
  if (!socket.waitForConnected(500)) return false;
  socket.write(Encode(request));
  socket.waitForBytesWritten(1000);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::AnotherCopyRuns(const StartRequest& request) {
  if (lock_->tryLock(0)) return false;
  // The running copy may still be starting up: give it a little time to listen.
  QDeadlineTimer deadline(5000);
  while (!deadline.hasExpired()) {
    if (askRunningCopy(request)) return true;
    if (lock_->tryLock(0)) return false;  // it ended meanwhile
    QThread::msleep(100);
  }
  return true;
}

void SingleInstance::Listen(std::function<void(const StartRequest&)> handle) {
  QLocalServer::removeServer(key_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this, handle] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      // The request is whole when the other copy hangs up.
      auto* received = new QByteArray;
      connect(s, &QLocalSocket::readyRead, s, [s, received] { *received += s->readAll(); });
      connect(s, &QLocalSocket::disconnected, this, [s, received, handle] {
        *received += s->readAll();
        const StartRequest request = Decode(*received);
        delete received;
        s->deleteLater();
        if (handle) handle(request);
      });
    }
  });
  server_->listen(key_);
}

}  // namespace app
