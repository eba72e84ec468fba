// Block arithmetic and painting of the meter.
#include "windows/fxmeter.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>

namespace windows {

MeterLayout ComputeMeterLayout(int width, int min, int max, int position, int step) {
  MeterLayout m;
  step = std::max(step, 1);
  if (max <= min || position <= min) return m;
  const std::int64_t perRange = std::max(width - 3, 0) / step;
  m.blocks = int(std::int64_t(position - min) * perRange / (std::int64_t(max) - min) + 1);
  const int room = std::max(width - 4, 0);
  if (std::int64_t(m.blocks) * step > room) {
    m.overflow = true;
    m.blocks = room / step;
    m.partialWidth = room % step;
  }
  return m;
}

TFxMeter::TFxMeter(QWidget* parent) : QWidget(parent) {
  const QPalette& p = palette();
  BarColor = p.color(QPalette::Highlight);
  BevelColor1 = p.color(QPalette::Light);
  BevelColor2 = p.color(QPalette::Dark);
  resize(sizeHint());
}

void TFxMeter::SetMin(int v) {
  min_ = v;
  recalc(true);
}

void TFxMeter::SetMax(int v) {
  max_ = v;
  recalc(true);
}

void TFxMeter::SetStep(int v) {
  step_ = v;
  recalc(true);
}

void TFxMeter::SetPosition(int v) {
  position_ = v;
  recalc(false);
}

void TFxMeter::resizeEvent(QResizeEvent*) { recalc(true); }

void TFxMeter::recalc(bool force) {
  const MeterLayout next = ComputeMeterLayout(width(), min_, max_, position_, step_);
  const bool changed = next.blocks != layout_.blocks || next.overflow != layout_.overflow;
  layout_ = next;
  if (changed || force) update();
  if (changed && OnPosChange) OnPosChange(*this);
}

void TFxMeter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int right = width() - 1, bottom = height() - 1;
  const QColor& topLeft = BevelStyle == 0 ? BevelColor2 : BevelColor1;
  const QColor& bottomRight = BevelStyle == 0 ? BevelColor1 : BevelColor2;
  p.setPen(topLeft);
  p.drawLine(0, 0, right, 0);
  p.drawLine(0, 0, 0, bottom);
  p.setPen(bottomRight);
  p.drawLine(right, 0, right, bottom);
  p.drawLine(0, bottom, right, bottom);

  const int step = std::max(step_, 1);
  const int barHeight = height() - 4;
  if (barHeight <= 0) return;
  for (int i = 0; i < layout_.blocks; ++i)
    p.fillRect(i * step + 2, 2, step - 2, barHeight, BarColor);
  if (layout_.overflow && layout_.partialWidth > 0)
    p.fillRect(layout_.blocks * step + 2, 2, layout_.partialWidth, barHeight, BarColor);
}

}  // namespace windows
