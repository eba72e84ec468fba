// A style that waits 1200 ms before a tool tip, and an application-wide filter that
// swallows tool-tip requests while hints are off.
#include "ui/hints.h"

#include <QApplication>
#include <QEvent>
#include <QProxyStyle>

namespace ui {

namespace {

class HintStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == QStyle::SH_ToolTip_WakeUpDelay) return 1200;
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

class HintFilter : public QObject {
 public:
  bool on = true;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!on && event->type() == QEvent::ToolTip) return true;
    return QObject::eventFilter(watched, event);
  }
};

HintFilter* filter() {
  static HintFilter* f = [] {
    auto* h = new HintFilter;
    h->setParent(qApp);
    qApp->installEventFilter(h);
    if (!dynamic_cast<HintStyle*>(QApplication::style())) QApplication::setStyle(new HintStyle);
    return h;
  }();
  return f;
}

}  // namespace

void InstallHints(bool on) { filter()->on = on; }

}  // namespace ui
