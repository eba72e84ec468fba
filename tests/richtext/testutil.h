// Helpers shared by the rich-text tests: reading RTF text quickly and flattening a
// document model into plain text.
#pragma once

#include "richtext/codec/rtfdocument.h"
#include "richtext/codec/rtfreader.h"

#include "richtext/codec/rtfwriter.h"

#include <QString>

#include <ostream>
#include <string>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace richtext {
inline void PrintTo(const RtfDocument& d, std::ostream* os) { *os << WriteRtf(d); }
}  // namespace richtext

namespace richtext::test {

inline RtfDocument Read(const std::string& rtf) { return ReadRtf(rtf); }

// Paragraphs joined by '\n'; tabs as '\t', line breaks as '|', fields as <text>.
inline QString Flat(const RtfDocument& doc) {
  QString out;
  for (size_t i = 0; i < doc.paragraphs.size(); ++i) {
    if (i) out += '\n';
    for (const RtfInline& item : doc.paragraphs[i].items) {
      switch (item.kind) {
        case RtfInline::Kind::Text: out += QString::fromStdU16String(item.text); break;
        case RtfInline::Kind::Tab: out += '\t'; break;
        case RtfInline::Kind::LineBreak: out += '|'; break;
        case RtfInline::Kind::Field: out += '<' + QString::fromStdU16String(item.text) + '>'; break;
        case RtfInline::Kind::Picture: break;
      }
    }
  }
  return out;
}

// The first text item containing needle, or null.
inline const RtfInline* FindRun(const RtfDocument& doc, const QString& needle) {
  for (const RtfParagraph& p : doc.paragraphs)
    for (const RtfInline& item : p.items)
      if (item.kind == RtfInline::Kind::Text &&
          QString::fromStdU16String(item.text).contains(needle))
        return &item;
  return nullptr;
}

inline const RtfParagraph* FindParagraph(const RtfDocument& doc, const QString& needle) {
  for (const RtfParagraph& p : doc.paragraphs)
    for (const RtfInline& item : p.items)
      if (QString::fromStdU16String(item.text).contains(needle)) return &p;
  return nullptr;
}

}  // namespace richtext::test
