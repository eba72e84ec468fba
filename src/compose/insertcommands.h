// Inserting pictures and documents into a rich-text pane: Insert Picture, Insert
// Document (each page of a PDF or PostScript file a page-sized picture on a page of its
// own), files dropped on a pane, and the report of pictures that cannot be shown.
#pragma once

#include "ui/testseam.h"

#include <QString>

class QWidget;

namespace richtext {
class TRichText;
}

namespace compose {

// Tests and scripted runs choose the file here instead of a file dialog: the handler
// gets the caption and the name filter and returns a path, empty for Cancel.
ui::Seam<QString(const QString&, const QString&)>& OpenFileRequests();

// Asks for a picture file and inserts it at the caret, fitted to the page.
void InsertPictureAsking(richtext::TRichText* pane, QWidget* parent);
// Asks for a PDF, PostScript or picture file and inserts it.
void InsertDocumentAsking(richtext::TRichText* pane, QWidget* parent);

// Inserts every page of a PDF or PostScript file at the caret as a picture of the page at
// the resolution fax pages are painted at, each page after a page break, with progress
// and Cancel. All pages go in at once or none (Cancel, a damaged or protected file); a
// failure is reported naming the file and the reason. Returns whether pages went in.
bool InsertDocumentFile(richtext::TRichText* pane, const QString& path, QWidget* parent);

// Makes the pane take dropped and pasted PDF and PostScript files as documents (when
// documents is true) and report files it could not insert; pictures it takes itself.
void AcceptDroppedFiles(richtext::TRichText* pane, QWidget* parent, bool documents);

// "N pictures of this text cannot be shown ...": reported when the window is visible, at
// once, otherwise when it is next shown (call ReportPendingPictures from showEvent).
void WatchPicturesNotShown(richtext::TRichText* pane, QWidget* window);
void ReportPendingPictures(QWidget* window);

}  // namespace compose
