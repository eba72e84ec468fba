// Playing a wave file in the background: the arrival sound of a received fax and the
// Preferences' Play Now. Without an audio output, or without the file, nothing is heard
// and nothing is reported.
#pragma once

#include "ui/testseam.h"

#include <QString>

namespace ui {

// Starts playing the file once and returns at once; a relative name is taken from the
// program folder. False when the name is empty or names no file, or when there is no
// audio output.
bool PlayWaveFile(const QString& path);

// Tests learn here which existing file would be played, instead of hearing it.
Seam<void(const QString&)>& SoundRequests();

}  // namespace ui
