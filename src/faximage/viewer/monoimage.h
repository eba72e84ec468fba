// A 1 = black bitmap as a two-colour QImage: the viewer's screen image, the clipboard
// block and the printed page all cross into Qt here.
#pragma once

#include <QColor>
#include <QImage>

#include "faximage/mono_bitmap.h"

namespace faximage {

QImage ToQImage(const MonoBitmap& b, QColor black = Qt::black, QColor white = Qt::white);

}  // namespace faximage
