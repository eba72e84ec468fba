// Adapter between the RTF document model and QTextDocument.
#pragma once

#include "richtext/codec/rtfdocument.h"
#include "richtext/document/richtypes.h"

#include <QByteArray>
#include <QTextCharFormat>

#include <optional>

class QTextDocument;

namespace richtext {

// Replaces doc's content with the model. scale is the pane's zoom / 100 (margins are
// laid out in device pixels). Returns how many pictures could not be decoded (they show
// as empty frames).
int ModelToDocument(const RtfDocument& model, QTextDocument& doc, double scale);
RtfDocument DocumentToModel(const QTextDocument& doc, double scale);

// Reads RTF into doc (malformed input loads what is readable) and returns the page
// layout the RTF gives, if it gives one, and how many pictures could not be decoded.
std::optional<PageLayout> LoadRtfInto(QTextDocument& doc, const QByteArray& rtf, double scale,
                                      int* picturesNotShown = nullptr);

// Reads a whole RTF file: 0, or the file error code (kErrFileNotFound, kErrFileRead).
int ReadRtfFile(const QString& path, QByteArray& out);

QTextCharFormat CharFormatOf(const RtfCharProps& props);
RtfCharProps CharPropsOf(const QTextCharFormat& format, const QFont& defaultFont);

}  // namespace richtext
