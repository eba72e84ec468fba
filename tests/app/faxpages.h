// Helpers of the fax assembly tests: outgoing records with rich text, and pages of a fax
// file compared with what the editor itself paints for the same page.
#pragma once

#include "faximage/mono_bitmap.h"
#include "richtext/richtext.h"

#include <QImage>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace testutil {

// RTF texts of the tests.
std::string Rtf(const std::string& body);  // Arial 12 pt around body
std::string CoverRtf();                    // one page
std::string ThreePageRtf();                // three pages, by page breaks
std::string LongRtf(int paragraphs);       // as many pages as the text needs

// Appends an outgoing record holding cover and document RTF (the table made when missing).
void AddOutgoingWithText(const std::string& subject, const std::string& dateSent,
                         const std::string& cover, const std::string& doc);

// An editor holding the RTF, laid out the way fax assembly lays it out.
std::unique_ptr<richtext::TRichText> EditorWith(const std::string& rtf);

// What the editor paints for each of its pages into a fax page image (index 1 black).
std::vector<QImage> PaintedPages(richtext::TRichText& editor);

// Page n of a fax file, decoded (1 = black); empty when it cannot be read.
faximage::MonoBitmap DecodedPage(const std::string& faxFile, unsigned n);

// Pixels of the decoded page that differ from the painted page, which sits 50 pixels from
// the left of the fax line; the black bottom-right corner pixel of every page is left out.
// A decoded page of the wrong size counts as all different.
long DifferingPixels(const faximage::MonoBitmap& decoded, const QImage& painted);
long BlackPixels(const QImage& painted);

// Files of the program folder whose names start with the prefix.
std::vector<std::string> FilesStartingWith(const std::string& prefix);

}  // namespace testutil
