// One running copy per data folder: a second start hands its request (come to the front,
// open these fax files, enter receive mode) to the first and ends.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;

namespace app {

// What a start asks for besides showing the main window.
struct StartRequest {
  QStringList faxFiles;  // absolute paths, opened in the viewer
  bool receive = false;  // enter receive mode
};

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(const QString& dataDir, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when another copy runs on the same data folder; it has then been handed the
  // request and asked to come to the front.
  bool AnotherCopyRuns(const StartRequest& request = {});
  // Starts answering later copies; `handle` runs with each request that arrives.
  void Listen(std::function<void(const StartRequest&)> handle);

  static QString KeyFor(const QString& dataDir);
  // The request as the local socket carries it, one line per item, and back.
  static QByteArray Encode(const StartRequest& request);
  static StartRequest Decode(const QByteArray& bytes);

 private:
  bool askRunningCopy(const StartRequest& request);

  QString key_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace app
