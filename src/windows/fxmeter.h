// TFxMeter: a bar of separate blocks showing a position between Min and Max, drawn in a
// bevelled frame. The block arithmetic is a plain function so it can be checked alone.
#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

namespace windows {

struct MeterLayout {
  int blocks = 0;         // whole blocks shown
  bool overflow = false;  // the blocks reach the right edge; a partial block follows
  int partialWidth = 0;   // width of that partial block
  bool operator==(const MeterLayout&) const = default;
};

// The blocks a meter of `width` pixels shows. A step below 1 counts as 1; with Max not
// above Min nothing is shown (both are divisors).
MeterLayout ComputeMeterLayout(int width, int min, int max, int position, int step);

class TFxMeter : public QWidget {
  Q_OBJECT
 public:
  explicit TFxMeter(QWidget* parent = nullptr);

  QColor BarColor, BevelColor1, BevelColor2;
  int BevelStyle = 0;  // 0 lowered, 1 raised
  // Raised when the number of blocks or the overflow state changes.
  std::function<void(TFxMeter&)> OnPosChange;

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  int Step() const { return step_; }
  void SetMin(int v);
  void SetMax(int v);
  void SetPosition(int v);
  void SetStep(int v);
  const MeterLayout& Layout() const { return layout_; }

  QSize sizeHint() const override { return {150, 16}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Works out the blocks again; repaints when they changed or when forced.
  void recalc(bool force);

  int min_ = 0, max_ = 100, position_ = 0, step_ = 8;
  MeterLayout layout_;
};

}  // namespace windows
