// Units between twips and Qt's text layout. Block margins are laid out in device
// pixels, so the pane keeps each paragraph's exact twips in block properties and
// derives the pixel margins for the zoom in use; tab stops and line heights are laid
// out in pixels of the default resolution (Qt scales those itself).
#pragma once

#include "richtext/codec/rtfdocument.h"

#include <QTextBlockFormat>

class QTextDocument;

namespace richtext {

// Pixels per inch of the layout when no paint device is set (the screen's).
double LayoutDpi();
inline double TwipsToLayout(double twips) { return twips * LayoutDpi() / 1440.0; }
inline int LayoutToTwips(double px) { return int(qRound(px * 1440.0 / LayoutDpi())); }

// Paragraph properties of a block format; margins in pixels are read at scale
// (zoom / 100) when the block carries no twips of its own.
RtfParaFormat ParaFormatOf(const QTextBlockFormat& format, double scale);
// Writes props into format: twips properties plus pixel margins at scale.
void SetParaFormat(QTextBlockFormat& format, const RtfParaFormat& props, double scale);
// Rewrites every block's pixel margins from scale `from` to scale `to`; no undo step.
void RescaleParagraphs(QTextDocument& doc, double from, double to);

}  // namespace richtext
