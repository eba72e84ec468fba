// A D-Bus daemon of the test's own, so that services a test fakes (the notification
// service, the modem manager's name) never meet the machine's buses.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace testutil {

class PrivateBus {
 public:
  PrivateBus() {
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (daemon_.waitForReadyRead(20000))
      address_ = QString::fromLatin1(daemon_.readLine()).trimmed();
  }
  ~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    daemon_.waitForFinished(20000);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const QString& address() const { return address_; }
  // A connection of its own to the bus; each peer of a test takes one.
  QDBusConnection Connect(const QString& name) {
    names_ << name;
    return QDBusConnection::connectToBus(address_, name);
  }

 private:
  QProcess daemon_;
  QString address_;
  QStringList names_;
};

}  // namespace testutil
