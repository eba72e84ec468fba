// Notifications through org.freedesktop.Notifications: Notify is called without waiting
// for the answer, and the id it returns ties a later ActionInvoked to the fax file.
#include "app/mainwindow/arrivalnotice.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace app {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// "default" is what a click on the notice itself does; "view" is its button.
const QString kDefaultAction = QStringLiteral("default");
const QString kViewAction = QStringLiteral("view");
}  // namespace

QString ArrivalNoticeText(const QString& caller, int pages) {
  const QString from = caller.trimmed().isEmpty() ? QStringLiteral("an unknown sender")
                                                  : caller.trimmed();
  const QString count = pages == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pages);
  return QStringLiteral("From %1, %2").arg(from, count);
}

FaxArrivalNotifier::FaxArrivalNotifier(std::function<void(const QString&)> openFile,
                                       QDBusConnection bus, QObject* parent)
    : QObject(parent), openFile_(std::move(openFile)), bus_(std::move(bus)) {
  if (!bus_.isConnected()) return;
  bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
               SLOT(actionInvoked(uint, QString)));
  bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
               SLOT(notificationClosed(uint, uint)));
}

void FaxArrivalNotifier::Notify(const QString& file, const QString& caller, int pages) {
  if (!bus_.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                     QStringLiteral("Notify"));
  const QStringList actions{kDefaultAction, QStringLiteral("View fax"), kViewAction,
                            QStringLiteral("View fax")};
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("brindle"));
  hints.insert(QStringLiteral("category"), QStringLiteral("transfer.complete"));
  call << QStringLiteral("Brindle") << uint(0) << QStringLiteral("brindle")
       << QStringLiteral("Fax received") << ArrivalNoticeText(caller, pages) << actions << hints
       << int(-1);
  // No service (none runs, or the bus cannot start one): the call fails and is dropped.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, file](QDBusPendingCallWatcher* w) {
    const QDBusPendingReply<uint> reply = *w;
    if (!reply.isError()) files_.insert(reply.value(), file);
    w->deleteLater();
  });
}

void FaxArrivalNotifier::actionInvoked(uint id, const QString& action) {
  const auto it = files_.constFind(id);
  if (it == files_.constEnd() || (action != kDefaultAction && action != kViewAction)) return;
  const QString file = *it;
  if (openFile_) openFile_(file);
}

void FaxArrivalNotifier::notificationClosed(uint id, uint) { files_.remove(id); }

}  // namespace app
