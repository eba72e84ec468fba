// A 1 = black bitmap as a QImage: the viewer's screen image, the clipboard block and the
// printed page all cross into Qt here.
#pragma once

#include <QColor>
#include <QImage>

#include "faximage/mono_bitmap.h"

namespace faximage {

// Two colours, pixel for pixel.
QImage ToQImage(const MonoBitmap& b, QColor black = Qt::black, QColor white = Qt::white);

// The bitmap shrunk to width x height for the screen, each pixel a shade between white and
// black after the share of black it covers: dithered photographs stay grey instead of
// turning into black blocks, and a one-pixel stroke still shows (the shade is the square
// root of the share, so a quarter of black gives a middle grey).
QImage ShadedQImage(const MonoBitmap& b, int width, int height, QColor black = Qt::black,
                    QColor white = Qt::white);

// Gives an image made by either function new colours for black and white.
void SetInkColours(QImage& image, QColor black, QColor white);

}  // namespace faximage
