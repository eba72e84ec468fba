// The frame the modem search and the fax-class probe share: a dialog without border icons
// that starts its work once, right after it first shows, lists lines of results above a
// summary, and shows its Ok button only when the work is done. While the work runs it
// holds the port, so Escape and the window manager's close only beep.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace windows {

class TModemWorkForm : public QDialog {
  Q_OBJECT
 public:
  QPushButton* OkButton;

  bool Working() const { return working_; }
  // Runs once when the window first shows.
  virtual void FormActivate() = 0;
  void OkButtonClick();

 protected:
  TModemWorkForm(const char* name, const QString& caption, QWidget* parent);
  // A named result line (or heading), added below the ones before.
  QLabel* addLine(const char* name, const QString& text, bool indented);
  // The summary below the lines, then the hidden Ok button; sizes the window.
  QLabel* finishLayout(const char* summaryName, const QString& text, int minHeight);
  // Shows Ok, gives the window its final caption and beeps: the work is over.
  void workDone(const QString& caption);

  void showEvent(QShowEvent* event) override;
  void reject() override;

  bool working_ = false;

 private:
  QVBoxLayout* layout_;
  bool activated_ = false;
};

}  // namespace windows
