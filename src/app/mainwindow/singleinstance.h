// One running copy per data folder: a second start asks the first to come to the front
// and ends.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

namespace app {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(const QString& dataDir, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when another copy runs on the same data folder; it has then been asked to come
  // to the front.
  bool AnotherCopyRuns();
  // Starts answering later copies; `bringToFront` runs when one asks.
  void Listen(std::function<void()> bringToFront);

  static QString KeyFor(const QString& dataDir);

 private:
  bool askRunningCopy();

  QString key_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace app
