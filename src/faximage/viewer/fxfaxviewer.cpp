// The fax viewer control: page table, decoding on demand, the scaled page image, keys,
// marking with auto-scroll, copying and dropped files.
#include "faximage/viewer/fxfaxviewer.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <filesystem>

#include "faximage/errors.h"
#include "faximage/viewer/monoimage.h"

namespace faximage {

namespace {

// Shows the busy cursor for the life of the object; every path restores it.
class BusyCursor {
 public:
  explicit BusyCursor(const QCursor& c) { QGuiApplication::setOverrideCursor(c); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
};

}  // namespace

TFxFaxViewer::TFxFaxViewer(QWidget* parent) : QAbstractScrollArea(parent) {
  setAcceptDrops(true);
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::StyledPanel);
  viewport()->setAutoFillBackground(false);
  SetScrollSteps(8, 8);
  autoScroll_.setInterval(50);
  connect(&autoScroll_, &QTimer::timeout, this, [this] { autoScrollStep(); });
}

TFxFaxViewer::~TFxFaxViewer() = default;

int TFxFaxViewer::decode(int n, MonoBitmap& out) {
  UnpackSettings s;
  s.autoScale = autoScale_;
  if (WhitespaceCompression) {
    s.whitespaceFrom = WhitespaceFrom;
    s.whitespaceTo = WhitespaceTo;
  }
  BusyCursor busy(busyCursor_);
  int rc = assemblePageImage(reader_, unsigned(n), s, out);
  if (rc != ecOK) return rc;
  BrxPage p;
  if (reader_.page(unsigned(n), p) == ecOK) lastFlags_ = p.header.pageFlags;
  if (out.height > kMaxViewLines) {
    out.height = kMaxViewLines;
    out.bits.resize(std::size_t(out.stride) * kMaxViewLines);
  }
  if (rotation_) out = rotateQuarterTurns(out, rotation_);
  return ecOK;
}

int TFxFaxViewer::ensureDecoded(int n) {
  Page& p = pages_[std::size_t(n - 1)];
  if (p.bits) return ecOK;
  auto b = std::make_unique<MonoBitmap>();
  int rc = decode(n, *b);
  if (rc == ecOK) p.bits = std::move(b);
  return rc;
}

void TFxFaxViewer::freePages(int keep) {
  for (std::size_t i = 0; i < pages_.size(); ++i)
    if (int(i) + 1 != keep) pages_[i].bits.reset();
}

int TFxFaxViewer::DecodedPages() const {
  int n = 0;
  for (const Page& p : pages_) n += p.bits ? 1 : 0;
  return n;
}

void TFxFaxViewer::unload() {
  autoScroll_.stop();
  marking_ = false;
  fileName_.clear();
  reader_ = BrxReader();
  pages_.clear();
  current_ = 0;
  scaledW_ = scaledH_ = 0;
  image_ = QImage();
  mark_ = {};
  updateScrollRanges();
  viewport()->update();
}

int TFxFaxViewer::LoadFile(const std::string& name) {
  if (name.empty()) {
    unload();
    return ecOK;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return ecFileNotFound;
  BrxReader r;
  int rc = r.openFile(name);
  if (rc != ecOK) return rc;
  // From here the previous file is gone: a failure leaves no file loaded.
  unload();
  if (r.pageCount() == 0) return ecFaxBadFormat;
  reader_ = std::move(r);
  fileName_ = name;
  pages_.resize(std::size_t(reader_.pageCount()));
  rotation_ = 0;
  factors_ = scale_ = ViewScale{};
  for (int n = 1; n <= (wholeFax_ ? NumPages() : 1); ++n) {
    rc = ensureDecoded(n);
    if (rc != ecOK) {
      unload();
      return rc;
    }
  }
  current_ = 1;
  layoutPage();
  return ecOK;
}

void TFxFaxViewer::SetFileName(const std::string& name) {
  int rc = LoadFile(name);
  if (rc != ecOK) raiseFxError(rc);
}

void TFxFaxViewer::raiseError(int code) {
  // Errors inside the control go out as a notification once the current work is done.
  QTimer::singleShot(0, this, [this, code] {
    if (OnViewerError) OnViewerError(*this, code);
  });
}

void TFxFaxViewer::layoutPage() {
  if (!current_) return;
  if (!pages_[std::size_t(current_ - 1)].bits) {
    if (!wholeFax_) freePages();
    int rc = ensureDecoded(current_);
    if (rc != ecOK) {
      unload();
      raiseError(rc);
      return;
    }
  }
  const MonoBitmap& b = *pages_[std::size_t(current_ - 1)].bits;
  scaledW_ = scaleExtent(b.width, scale_.hMul, scale_.hDiv);
  scaledH_ = scaleExtent(b.height, scale_.vMul, scale_.vDiv);
  autoScroll_.stop();
  marking_ = false;
  mark_ = {};
  rebuildImage();
  updateScrollRanges();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  viewport()->update();
  if (OnPageChange) OnPageChange(*this);
}

void TFxFaxViewer::rebuildImage() {
  image_ = QImage();
  if (!current_ || !pages_[std::size_t(current_ - 1)].bits) return;
  const MonoBitmap& b = *pages_[std::size_t(current_ - 1)].bits;
  if (b.empty()) return;
  if (scale_.identity()) {
    image_ = ToQImage(b, fg_, bg_);
    return;
  }
  // A page shown smaller is shaded, so that photographs do not fill up with black.
  if (scaledW_ < b.width || scaledH_ < b.height) {
    image_ = ShadedQImage(b, scaledW_, scaledH_, fg_, bg_);
    return;
  }
  MonoBitmap scaled;
  if (scaleBitmap(b, scaledW_, scaledH_, scaled) == ecOK) image_ = ToQImage(scaled, fg_, bg_);
}

void TFxFaxViewer::updateScrollRanges() {
  const QSize client = viewport()->size();
  horizontalScrollBar()->setRange(0, scrollMaximum(scaledW_, client.width()));
  verticalScrollBar()->setRange(0, scrollMaximum(scaledH_, client.height()));
  horizontalScrollBar()->setPageStep(std::max(1, client.width()));
  verticalScrollBar()->setPageStep(std::max(1, client.height()));
}

int TFxFaxViewer::PageWidth() const {
  if (!current_ || !pages_[std::size_t(current_ - 1)].bits) return 0;
  return pages_[std::size_t(current_ - 1)].bits->width;
}

ViewRect TFxFaxViewer::PageDim() const {
  if (!current_ || !pages_[std::size_t(current_ - 1)].bits) return {};
  const MonoBitmap& b = *pages_[std::size_t(current_ - 1)].bits;
  return {0, 0, b.width, b.height};
}

void TFxFaxViewer::GotoPage(int n) {
  if (n == current_ || fileName_.empty()) return;
  if (n <= 0 || n > NumPages()) raiseFxError(ecBadArgument);
  current_ = n;
  layoutPage();
}

void TFxFaxViewer::FirstPage() { GotoPage(1); }
void TFxFaxViewer::LastPage() { GotoPage(NumPages()); }
void TFxFaxViewer::NextPage() {
  if (current_ && current_ < NumPages()) GotoPage(current_ + 1);
}
void TFxFaxViewer::PrevPage() {
  if (current_ > 1) GotoPage(current_ - 1);
}

void TFxFaxViewer::SetRotation(int r) {
  if (r < 0 || r > 3) raiseFxError(ecBadArgument);
  if (r == rotation_) return;
  const int turns = r - rotation_;
  for (Page& p : pages_)
    if (p.bits) *p.bits = rotateQuarterTurns(*p.bits, turns);
  rotation_ = r;
  layoutPage();
}

void TFxFaxViewer::applyScale(ViewScale s) {
  s = normaliseScale(s);
  const bool changed = s.hMul != scale_.hMul || s.hDiv != scale_.hDiv || s.vMul != scale_.vMul ||
                       s.vDiv != scale_.vDiv;
  scale_ = s;
  if (changed && current_ && updateDepth_ == 0) layoutPage();
}

void TFxFaxViewer::SetScaling(bool on) {
  scaling_ = on;
  applyScale(on ? factors_ : ViewScale{});
}

void TFxFaxViewer::SetHorizMult(unsigned v) {
  if (v) factors_.hMul = v;
  if (scaling_) applyScale(factors_);
}
void TFxFaxViewer::SetHorizDiv(unsigned v) {
  if (v) factors_.hDiv = v;
  if (scaling_) applyScale(factors_);
}
void TFxFaxViewer::SetVertMult(unsigned v) {
  if (v) factors_.vMul = v;
  if (scaling_) applyScale(factors_);
}
void TFxFaxViewer::SetVertDiv(unsigned v) {
  if (v) factors_.vDiv = v;
  if (scaling_) applyScale(factors_);
}

void TFxFaxViewer::BeginUpdate() { ++updateDepth_; }
void TFxFaxViewer::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) layoutPage();
}

void TFxFaxViewer::SetLoadWholeFax(bool on) {
  if (on == wholeFax_) return;
  wholeFax_ = on;
  if (!current_) return;
  if (!on) {
    freePages(current_);
    return;
  }
  for (int n = 1; n <= NumPages(); ++n) {
    int rc = ensureDecoded(n);
    if (rc != ecOK) {
      unload();
      raiseFxError(rc);
    }
  }
}

void TFxFaxViewer::SetFGColor(QColor c) {
  fg_ = c;
  SetInkColours(image_, fg_, bg_);
  viewport()->update();
}

void TFxFaxViewer::SetBGColor(QColor c) {
  bg_ = c;
  SetInkColours(image_, fg_, bg_);
  viewport()->update();
}

void TFxFaxViewer::SetScrollSteps(int horiz, int vert) {
  if (horiz > 0) horizontalScrollBar()->setSingleStep(horiz);
  if (vert > 0) verticalScrollBar()->setSingleStep(vert);
}

int TFxFaxViewer::SelectAll() { return Select({0, 0, scaledW_, scaledH_}); }

int TFxFaxViewer::Select(const ViewRect& r) {
  if (!current_) return ecNoImageLoaded;
  mark_ = markBetween(r.left, r.top, r.right, r.bottom, scaledW_, scaledH_);
  viewport()->update();
  return ecOK;
}

int TFxFaxViewer::Copy() {
  if (!current_ || !pages_[std::size_t(current_ - 1)].bits) return ecNoImageLoaded;
  if (mark_.empty()) return ecNoBlockMarked;
  const MonoBitmap& page = *pages_[std::size_t(current_ - 1)].bits;
  ViewRect src{unscaleExtent(mark_.left, scale_.hMul, scale_.hDiv),
               unscaleExtent(mark_.top, scale_.vMul, scale_.vDiv),
               unscaleExtent(mark_.right, scale_.hMul, scale_.hDiv),
               unscaleExtent(mark_.bottom, scale_.vMul, scale_.vDiv)};
  src = markBetween(src.left, src.top, src.right, src.bottom, page.width, page.height);
  MonoBitmap block = cropBitmap(page, src);
  if (block.width != mark_.width() || block.height != mark_.height()) {
    MonoBitmap scaled;
    int rc = scaleBitmap(block, mark_.width(), mark_.height(), scaled);
    if (rc != ecOK) return rc;
    block = std::move(scaled);
  }
  QApplication::clipboard()->setImage(ToQImage(block, Qt::black, Qt::white));
  return ecOK;
}

std::unique_ptr<MonoBitmap> TFxFaxViewer::GetBitmap(int n) {
  if (n <= 0 || n > NumPages()) return nullptr;
  if (const Page& p = pages_[std::size_t(n - 1)]; p.bits)
    return std::make_unique<MonoBitmap>(*p.bits);
  auto b = std::make_unique<MonoBitmap>();
  int rc = decode(n, *b);
  if (rc != ecOK) {
    raiseError(rc);
    return nullptr;
  }
  return b;
}

void TFxFaxViewer::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), bg_);
  if (image_.isNull()) return;
  const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const QRect visible = QRect(scroll, viewport()->size()).intersected(image_.rect());
  p.drawImage(visible.topLeft() - scroll, image_, visible);
  if (!mark_.empty()) {
    p.setCompositionMode(QPainter::CompositionMode_Difference);
    p.fillRect(QRect(mark_.left, mark_.top, mark_.width(), mark_.height()).translated(-scroll),
               Qt::white);
  }
}

void TFxFaxViewer::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  updateScrollRanges();
}

void TFxFaxViewer::keyPressEvent(QKeyEvent* e) {
  if (marking_) return;
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  auto homeBoth = [&] {
    h->setValue(0);
    v->setValue(0);
  };
  const int mult = ctrl ? 10 : 1;
  switch (e->key()) {
    case Qt::Key_PageUp: ctrl ? v->setValue(0) : PrevPage(); break;
    case Qt::Key_PageDown: ctrl ? v->setValue(v->maximum()) : NextPage(); break;
    case Qt::Key_Home:
      if (!ctrl)
        h->setValue(0);
      else if (current_ == 1)
        homeBoth();
      else
        FirstPage();
      break;
    case Qt::Key_End:
      if (!ctrl)
        h->setValue(h->maximum());
      else if (current_ == NumPages())
        homeBoth();
      else
        LastPage();
      break;
    case Qt::Key_Left: h->setValue(h->value() - mult * h->singleStep()); break;
    case Qt::Key_Right: h->setValue(h->value() + mult * h->singleStep()); break;
    case Qt::Key_Up: v->setValue(v->value() - mult * v->singleStep()); break;
    case Qt::Key_Down: v->setValue(v->value() + mult * v->singleStep()); break;
    default: QAbstractScrollArea::keyPressEvent(e); return;
  }
  e->accept();
}

QPoint TFxFaxViewer::pagePoint(QPoint client) const {
  return client + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void TFxFaxViewer::moveMark(QPoint pagePt) {
  mark_ = markBetween(anchor_.x(), anchor_.y(), pagePt.x(), pagePt.y(), scaledW_, scaledH_);
  viewport()->update();
}

void TFxFaxViewer::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !current_ || marking_) return;
  mark_ = {};
  marking_ = true;
  anchor_ = pagePoint(e->position().toPoint());
  viewport()->update();
}

void TFxFaxViewer::mouseMoveEvent(QMouseEvent* e) {
  if (!marking_) return;
  pointer_ = e->position().toPoint();
  if (viewport()->rect().contains(pointer_)) {
    autoScroll_.stop();
    moveMark(pagePoint(pointer_));
  } else if (!autoScroll_.isActive()) {
    autoScrollStep();
    autoScroll_.start();
  }
}

void TFxFaxViewer::autoScrollStep() {
  const QRect client = viewport()->rect();
  auto stepFor = [](int outside, int step) { return outside > 20 ? 2 * step : step; };
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  if (pointer_.x() < client.left())
    h->setValue(h->value() - stepFor(client.left() - pointer_.x(), h->singleStep()));
  else if (pointer_.x() > client.right())
    h->setValue(h->value() + stepFor(pointer_.x() - client.right(), h->singleStep()));
  if (pointer_.y() < client.top())
    v->setValue(v->value() - stepFor(client.top() - pointer_.y(), v->singleStep()));
  else if (pointer_.y() > client.bottom())
    v->setValue(v->value() + stepFor(pointer_.y() - client.bottom(), v->singleStep()));
  const QPoint inside(std::clamp(pointer_.x(), client.left(), client.right()),
                      std::clamp(pointer_.y(), client.top(), client.bottom()));
  moveMark(pagePoint(inside));
}

void TFxFaxViewer::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !marking_) return;
  marking_ = false;
  autoScroll_.stop();
  if (mark_.empty()) mark_ = {};
  viewport()->update();
}

void TFxFaxViewer::dragEnterEvent(QDragEnterEvent* e) {
  const auto urls = e->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile()) e->acceptProposedAction();
}

void TFxFaxViewer::dropEvent(QDropEvent* e) {
  const auto urls = e->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  const std::string name = urls.first().toLocalFile().toStdString();
  e->acceptProposedAction();
  const int rc = LoadFile(name);
  if (rc != ecOK) {
    raiseError(rc);
    return;
  }
  if (OnDropFile) OnDropFile(*this, name);
}

}  // namespace faximage
