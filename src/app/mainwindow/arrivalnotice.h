// The desktop notification of a fax that arrived: who sent it and how many pages, with an
// action that opens it in the viewer. Sent over the session bus to the freedesktop
// notification service; without a bus or a service nothing is shown and nothing waits.
#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

namespace app {

// "From <station>, 1 page" / "From an unknown sender, 3 pages".
QString ArrivalNoticeText(const QString& caller, int pages);

class FaxArrivalNotifier : public QObject {
  Q_OBJECT
 public:
  FaxArrivalNotifier(std::function<void(const QString& file)> openFile, QDBusConnection bus,
                     QObject* parent = nullptr);

  // Shows the notice for `file`; returns at once.
  void Notify(const QString& file, const QString& caller, int pages);

 private Q_SLOTS:
  void actionInvoked(uint id, const QString& action);
  void notificationClosed(uint id, uint reason);

 private:
  std::function<void(const QString&)> openFile_;
  QDBusConnection bus_;
  QHash<uint, QString> files_;  // notification id -> the fax it names
};

}  // namespace app
