// TFxFaxViewer: the fax viewer control. Shows one page of a BRX file at a time, scaled,
// rotated and scrolled; marks a block with the mouse and copies it; accepts a dropped file.
// The page rules live in view_geometry.h; this widget only holds the state and paints.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QCursor>
#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "faximage/brx_file.h"
#include "faximage/page_image.h"
#include "faximage/view_geometry.h"

namespace faximage {

class TFxFaxViewer : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TFxFaxViewer(QWidget* parent = nullptr);
  ~TFxFaxViewer() override;

  // Loads the file (an empty name unloads). Raises the engine's exception on failure and
  // then keeps whatever was shown before. Resets rotation and scale factors.
  void SetFileName(const std::string& name);
  const std::string& FileName() const { return fileName_; }
  // The same load without raising: 0 or the error code.
  int LoadFile(const std::string& name);

  int NumPages() const { return int(pages_.size()); }
  int ActivePage() const { return current_; }
  int PageWidth() const;
  ViewRect PageDim() const;  // the current unscaled page image; empty without a file
  unsigned PageFlags() const { return lastFlags_; }

  void GotoPage(int n);  // raises -1002 for 0 or beyond the page count
  void FirstPage();
  void LastPage();
  void NextPage();
  void PrevPage();

  int Rotation() const { return rotation_; }
  void SetRotation(int r);  // raises -1002 outside 0..3

  bool Scaling() const { return scaling_; }
  void SetScaling(bool on);
  unsigned HorizMult() const { return factors_.hMul; }
  unsigned HorizDiv() const { return factors_.hDiv; }
  unsigned VertMult() const { return factors_.vMul; }
  unsigned VertDiv() const { return factors_.vDiv; }
  void SetHorizMult(unsigned v);
  void SetHorizDiv(unsigned v);
  void SetVertMult(unsigned v);
  void SetVertDiv(unsigned v);
  void BeginUpdate();
  void EndUpdate();
  int ScaledWidth() const { return scaledW_; }
  int ScaledHeight() const { return scaledH_; }

  TAutoScaleMode AutoScaleMode() const { return autoScale_; }
  void SetAutoScaleMode(TAutoScaleMode m) { autoScale_ = m; }  // pages decoded afterwards
  bool WhitespaceCompression = false;
  unsigned WhitespaceFrom = 0;
  unsigned WhitespaceTo = 0;
  bool LoadWholeFax() const { return wholeFax_; }
  void SetLoadWholeFax(bool on);
  void SetBusyCursor(const QCursor& c) { busyCursor_ = c; }
  void SetFGColor(QColor c);
  void SetBGColor(QColor c);
  void SetScrollSteps(int horiz, int vert);  // 0 keeps a step

  // The marked block in scaled page coordinates.
  int SelectAll();
  int Select(const ViewRect& r);
  ViewRect Mark() const { return mark_; }
  int Copy();  // to the clipboard: 0, -8050 without a page, -8051 without a mark

  // Page n (1 = black) as a bitmap the caller owns; nullptr for a page that does not exist
  // or cannot be decoded (the latter also raises OnViewerError).
  std::unique_ptr<MonoBitmap> GetBitmap(int n);
  // Pages whose bitmaps are held now (bounded: the current page, or all in whole-fax mode).
  int DecodedPages() const;

  std::function<void(TFxFaxViewer&)> OnPageChange;
  std::function<void(TFxFaxViewer&, int code)> OnViewerError;
  std::function<void(TFxFaxViewer&, const std::string& fileName)> OnDropFile;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void scrollContentsBy(int, int) override { viewport()->update(); }
  void keyPressEvent(QKeyEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void dragEnterEvent(QDragEnterEvent*) override;
  void dropEvent(QDropEvent*) override;

 private:
  struct Page {
    std::unique_ptr<MonoBitmap> bits;  // 1 = black, already rotated
  };
  int decode(int n, MonoBitmap& out);
  int ensureDecoded(int n);
  void freePages(int keep = 0);
  void unload();
  void layoutPage();
  void rebuildImage();
  void updateScrollRanges();
  void raiseError(int code);
  void applyScale(ViewScale s);
  void autoScrollStep();
  QPoint pagePoint(QPoint client) const;
  void moveMark(QPoint pagePt);

  std::string fileName_;
  BrxReader reader_;
  std::vector<Page> pages_;
  int current_ = 0;
  int rotation_ = 0;
  unsigned lastFlags_ = 0;
  bool scaling_ = false;
  ViewScale factors_;  // the published factors
  ViewScale scale_;    // the factors in force
  int updateDepth_ = 0;
  TAutoScaleMode autoScale_ = TAutoScaleMode::asDoubleHeight;
  bool wholeFax_ = false;
  QCursor busyCursor_;
  QColor fg_ = Qt::black, bg_ = Qt::white;
  int scaledW_ = 0, scaledH_ = 0;
  QImage image_;  // the scaled current page, rebuilt only when the page or scale changes
  ViewRect mark_;
  bool marking_ = false;
  QPoint anchor_, pointer_;
  QTimer autoScroll_;
};

}  // namespace faximage
