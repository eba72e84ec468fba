// One sound effect for the whole program, kept alive while it plays.
#include "ui/sound.h"

#include "settings/appsettings.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

namespace ui {

namespace {

// Owned by the application object, so that it outlives any window that starts a sound.
QSoundEffect* effect() {
  static QPointer<QSoundEffect> e;
  if (!e) e = new QSoundEffect(QCoreApplication::instance());
  return e;
}

}  // namespace

Seam<void(const QString&)>& SoundRequests() {
  static Seam<void(const QString&)> seam;
  return seam;
}

bool PlayWaveFile(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo file(QDir(QString::fromStdString(settings::ProgramDir())), path);
  if (!file.isFile()) return false;
  if (SoundRequests()) {
    SoundRequests()(file.absoluteFilePath());
    return true;
  }
  if (QMediaDevices::audioOutputs().isEmpty()) return false;
  QSoundEffect* e = effect();
  e->stop();
  e->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
  e->play();
  return true;
}

}  // namespace ui
