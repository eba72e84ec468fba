// ModemManager's presence and the udev rule that keeps it away from a fax modem.
#include "windows/modembusy.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace windows {

namespace {

constexpr char kService[] = "org.freedesktop.ModemManager1";
constexpr char kRulesFile[] = "/etc/udev/rules.d/79-brindle-modem.rules";

QString firstLine(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(f.readLine()).trimmed();
}

// The USB device above the tty in the sysfs tree: the first folder upwards with both
// numbers. Empty strings when there is none (a built-in port, a pseudo-terminal).
std::pair<QString, QString> usbIds(const QString& ttyName, const QString& sysRoot) {
  QString dir = QFileInfo(sysRoot + "/class/tty/" + ttyName + "/device").canonicalFilePath();
  const QString root = QFileInfo(sysRoot).canonicalFilePath();
  while (!dir.isEmpty() && dir.startsWith(root) && dir != root) {
    const QString vendor = firstLine(dir + "/idVendor");
    const QString product = firstLine(dir + "/idProduct");
    if (!vendor.isEmpty() && !product.isEmpty()) return {vendor, product};
    dir = QFileInfo(dir).path();
  }
  return {};
}

}  // namespace

QDBusConnection& ModemManagerBus() {
  static QDBusConnection bus = QDBusConnection::systemBus();
  return bus;
}

bool ModemManagerPresent() {
  const QDBusConnection& bus = ModemManagerBus();
  if (!bus.isConnected() || !bus.interface()) return false;
  return bus.interface()->isServiceRegistered(QString::fromLatin1(kService));
}

// The modems ModemManager knows, from its object manager: a{oa{sa{sv}}}, each modem
// object with the Modem interface's Ports property, a(su) of name and type.
QStringList ModemManagerPorts() {
  if (!ModemManagerPresent()) return {};
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kService), QStringLiteral("/org/freedesktop/ModemManager1"),
      QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("GetManagedObjects"));
  const QDBusMessage reply = ModemManagerBus().call(call, QDBus::Block, 1000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  QStringList ports;
  const QDBusArgument objects = reply.arguments().at(0).value<QDBusArgument>();
  objects.beginMap();
  while (!objects.atEnd()) {
    objects.beginMapEntry();
    QDBusObjectPath path;
    objects >> path;
    objects.beginMap();
    while (!objects.atEnd()) {
      objects.beginMapEntry();
      QString interface;
      QVariantMap properties;
      objects >> interface >> properties;
      objects.endMapEntry();
      if (interface != QStringLiteral("org.freedesktop.ModemManager1.Modem")) continue;
      const QDBusArgument list = properties.value(QStringLiteral("Ports")).value<QDBusArgument>();
      if (list.currentType() != QDBusArgument::ArrayType) continue;
      list.beginArray();
      while (!list.atEnd()) {
        QString name;
        uint type = 0;
        list.beginStructure();
        list >> name >> type;
        list.endStructure();
        ports << name;
      }
      list.endArray();
    }
    objects.endMap();
    objects.endMapEntry();
  }
  objects.endMap();
  return ports;
}

QString ModemManagerIgnoreRule(const std::string& device, const std::string& sysRoot) {
  const QString path = QString::fromStdString(device);
  const QString target = QFileInfo(path).canonicalFilePath();
  const QString ttyName = QFileInfo(target.isEmpty() ? path : target).fileName();
  const auto [vendor, product] = usbIds(ttyName, QString::fromStdString(sysRoot));
  const QString match = vendor.isEmpty()
                            ? QStringLiteral("KERNEL==\"%1\"").arg(ttyName)
                            : QStringLiteral("ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\"")
                                  .arg(vendor, product);
  return QStringLiteral("ACTION==\"add|change\", SUBSYSTEM==\"tty\", %1, ENV{ID_MM_DEVICE_IGNORE}=\"1\"")
      .arg(match);
}

QString ModemManagerBusyText(const std::string& device, const std::string& sysRoot) {
  const QString rule = ModemManagerIgnoreRule(device, sysRoot);
  return QStringLiteral(
             "%1 is held by ModemManager, the system service that takes over mobile-broadband "
             "modems. It opens fax modems too, and then no other program may use them.\n\n"
             "To let Brindle use this modem, tell ModemManager to leave it alone with this "
             "udev rule:\n\n%2\n\nTo install the rule, run in a terminal:\n\n"
             "echo '%2' | sudo tee %3\n"
             "sudo udevadm control --reload\n"
             "sudo systemctl restart ModemManager\n\n"
             "Then unplug the modem, plug it in again, and try once more.")
      .arg(QString::fromStdString(device), rule, QString::fromLatin1(kRulesFile));
}

}  // namespace windows
