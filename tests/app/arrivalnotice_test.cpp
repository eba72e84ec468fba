// The notice of an arrived fax through a stub notification service on a private bus: what
// the service is told, the action that opens the fax, and no harm where no service runs.
#include "app/mainwindow/arrivalnotice.h"
#include "support/privatebus.h"
#include "support/qtwait.h"

#include <gtest/gtest.h>
#include <QDBusConnectionInterface>
#include <QStandardPaths>
#include <QVariantMap>

namespace {

// What the desktop's notification daemon offers, as far as Brindle uses it.
class StubNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  struct Received {
    QString app, icon, summary, body;
    QStringList actions;
    QVariantMap hints;
  };
  QList<Received> received;

 public Q_SLOTS:
  uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
              const QString& body, const QStringList& actions, const QVariantMap& hints, int) {
    received.append({app, icon, summary, body, actions, hints});
    return uint(received.size()) + 40;
  }

 Q_SIGNALS:
  void ActionInvoked(uint id, const QString& action);
};

bool haveDaemon() { return !QStandardPaths::findExecutable("dbus-daemon").isEmpty(); }

}  // namespace

TEST(ArrivalNotice, NamesTheCallerAndPagesAndItsActionOpensTheFax) {
  if (!haveDaemon()) GTEST_SKIP() << "needs dbus-daemon (scripts/setup.sh installs it)";
  testutil::PrivateBus bus;
  ASSERT_FALSE(bus.address().isEmpty());
  QDBusConnection service = bus.Connect("notification-service");
  StubNotifications stub;
  ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications", &stub,
                                     QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
  ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));

  QStringList opened;
  app::FaxArrivalNotifier notifier([&](const QString& f) { opened << f; }, bus.Connect("brindle"));
  notifier.Notify("/faxes/FAX0001.BRX", "+1 555 0100", 3);
  notifier.Notify("/faxes/FAX0002.BRX", "", 1);
  ASSERT_TRUE(testutil::waitFor([&] { return stub.received.size() == 2; }));

  const auto& first = stub.received[0];
  EXPECT_EQ(first.app, "Brindle");
  EXPECT_TRUE(first.body.contains("+1 555 0100")) << first.body.toStdString();
  EXPECT_TRUE(first.body.contains("3 pages")) << first.body.toStdString();
  EXPECT_TRUE(stub.received[1].body.contains("1 page")) << stub.received[1].body.toStdString();
  EXPECT_FALSE(stub.received[1].body.contains("1 pages"));
  EXPECT_EQ(first.hints.value("desktop-entry").toString(), "brindle");
  ASSERT_TRUE(first.actions.contains("default"));

  // Clicking the second notice opens the second fax, and only that one. A notice of
  // another program (an id Brindle was not given) opens nothing.
  emit stub.ActionInvoked(99, "default");
  emit stub.ActionInvoked(42, "default");
  ASSERT_TRUE(testutil::waitFor([&] { return !opened.isEmpty(); }));
  testutil::waitFor([] { return false; }, 200);
  EXPECT_EQ(opened, QStringList{"/faxes/FAX0002.BRX"});
}

TEST(ArrivalNotice, NoServiceOrNoBusIsHarmless) {
  if (!haveDaemon()) GTEST_SKIP() << "needs dbus-daemon (scripts/setup.sh installs it)";
  testutil::PrivateBus bus;
  int opened = 0;
  app::FaxArrivalNotifier onBus([&](const QString&) { ++opened; }, bus.Connect("brindle"));
  onBus.Notify("/faxes/FAX0001.BRX", "caller", 1);
  app::FaxArrivalNotifier noBus([&](const QString&) { ++opened; },
                                QDBusConnection::connectToBus("unix:path=/nonexistent", "none"));
  noBus.Notify("/faxes/FAX0001.BRX", "caller", 1);
  testutil::waitFor([] { return false; }, 300);
  EXPECT_EQ(opened, 0);
}

#include "arrivalnotice_test.moc"
