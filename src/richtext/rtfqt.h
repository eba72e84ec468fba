// Adapter between the RTF document model and QTextDocument.
#pragma once

#include "richtext/rtfdocument.h"

#include <QTextCharFormat>

class QTextDocument;

namespace richtext {

// Replaces doc's content with the model. scale is the pane's zoom / 100 (margins are
// laid out in device pixels).
void ModelToDocument(const RtfDocument& model, QTextDocument& doc, double scale);
RtfDocument DocumentToModel(const QTextDocument& doc, double scale);

QTextCharFormat CharFormatOf(const RtfCharProps& props);
RtfCharProps CharPropsOf(const QTextCharFormat& format, const QFont& defaultFont);

}  // namespace richtext
