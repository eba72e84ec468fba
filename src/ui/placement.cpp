// Window placement: stored in the settings file per window class and screen resolution.
#include "ui/placement.h"

#include "settings/appsettings.h"
#include "settings/inifile.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace ui {

namespace {

QPointer<QWidget>& mainFormStorage() {
  static QPointer<QWidget> form;
  return form;
}

QScreen* screenOf(const QWidget* w) {
  QScreen* s = w ? w->screen() : nullptr;
  return s ? s : QGuiApplication::primaryScreen();
}

int logicalDpiOf(const QWidget* w) {
  QScreen* s = screenOf(w);
  return s ? qRound(s->logicalDotsPerInch()) : 96;
}

QSize screenSizeOf(const QWidget* w) {
  QScreen* s = screenOf(w);
  return s ? s->geometry().size() : QSize(1024, 768);
}

std::string sectionFor(const QWidget* window, int logicalDpi) {
  return PlacementSectionName(WindowClassName(window), logicalDpi).toStdString();
}

}  // namespace

QString PlacementSectionName(const QString& className, int logicalDpi) {
  QString name = className + QStringLiteral("_Placement");
  if (logicalDpi > 96) name += QString::number(logicalDpi);
  return name;
}

QRect PullBackOntoScreen(const QRect& stored, int screenWidth, int screenHeight) {
  int left = stored.left(), top = stored.top();
  int right = stored.left() + stored.width(), bottom = stored.top() + stored.height();
  if (screenWidth < right) {
    left += screenWidth - right;
    right = screenWidth;
  }
  if (screenHeight < bottom) {
    top += screenHeight - bottom;
    bottom = screenHeight;
  }
  return QRect(left, top, right - left, bottom - top);
}

QString WindowClassName(const QWidget* window) {
  QString name = QString::fromLatin1(window->metaObject()->className());
  const int colon = name.lastIndexOf(QLatin1Char(':'));
  return colon >= 0 ? name.mid(colon + 1) : name;
}

void SetMainForm(QWidget* mainForm) { mainFormStorage() = mainForm; }

QWidget* MainForm() { return mainFormStorage().data(); }

void SaveFormPlacement(QWidget* window) { SaveFormPlacement(window, logicalDpiOf(window)); }

void RestoreFormPlacement(QWidget* window) { RestoreFormPlacement(window, logicalDpiOf(window)); }

void SaveFormPlacement(QWidget* window, int logicalDpi) {
  settings::IniFile ini(settings::SettingsFilePath());
  ini.load();
  const std::string section = sectionFor(window, logicalDpi);
  const QRect r =
      window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry();
  ini.writeInteger(section, "Left", r.left());
  ini.writeInteger(section, "Top", r.top());
  ini.writeInteger(section, "Right", r.left() + r.width());
  ini.writeInteger(section, "Bottom", r.top() + r.height());
  ini.writeBool(section, "Maximized", window->isMaximized());
  ini.save();
}

void RestoreFormPlacement(QWidget* window, int logicalDpi) {
  settings::IniFile ini(settings::SettingsFilePath());
  ini.load();
  const std::string section = sectionFor(window, logicalDpi);
  const int left = ini.readInteger(section, "Left", 0);
  const int top = ini.readInteger(section, "Top", 0);
  const int right = ini.readInteger(section, "Right", 0);
  const int bottom = ini.readInteger(section, "Bottom", 0);
  const bool maximized =
      ini.readBool(section, "Maximized", window->windowState().testFlag(Qt::WindowMaximized));
  if (bottom != 0) {
    const QSize screen = screenSizeOf(window);
    window->setGeometry(PullBackOntoScreen(QRect(left, top, right - left, bottom - top),
                                           screen.width(), screen.height()));
  } else {
    CenterFormDefault(window);
  }
  if (maximized) window->setWindowState(window->windowState() | Qt::WindowMaximized);
  SaveFormPlacement(window, logicalDpi);
}

void CenterFormDefault(QWidget* window) {
  // A window not shown yet gets the size its layout asks for when it is shown; centre it
  // at that size, not at the default size it has until then.
  if (!window->isVisible() && !window->testAttribute(Qt::WA_Resized)) window->adjustSize();
  const QSize screen = screenSizeOf(window);
  const QSize size = window->frameGeometry().size();
  QWidget* main = MainForm();
  const bool onScreen = WindowClassName(window).toUpper() == QStringLiteral("TMAINSCREEN") ||
                        !main || main == window || main->isMaximized();
  if (onScreen) {
    window->move((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2);
  } else {
    const QRect m = main->frameGeometry();
    window->move(m.left() + (m.width() - size.width()) / 2,
                 m.top() + (m.height() - size.height()) / 2);
  }
  const Qt::WindowFlags flags = window->windowFlags();
  if (flags.testFlag(Qt::WindowMaximizeButtonHint) && !flags.testFlag(Qt::WindowSystemMenuHint))
    window->setWindowFlag(Qt::WindowSystemMenuHint, true);
}

}  // namespace ui
