// The main window's small modal windows: the about box, the received-fax notes editor,
// the index rebuild window and the receive-mode notice.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace app {

// About box: caption "About Brindle", a picture, the version lines and "Ok".
class TSplashform : public QDialog {
  Q_OBJECT
 public:
  explicit TSplashform(QWidget* parent = nullptr);
  QPushButton* OkButton;
};

// Edits the notes of a received fax.
class TEditReceiveNotes : public QDialog {
  Q_OBJECT
 public:
  explicit TEditReceiveNotes(QWidget* parent = nullptr);
  QLabel* Descript;
  QLineEdit* Notes;
  QPushButton* OKButton;
  QPushButton* Cancelbutton;
};

// Shown while indexes are rebuilt. When it is first shown it runs the work it was given,
// showing the status line as the work reports progress, and then closes itself.
class TRebuildInd : public QDialog {
  Q_OBJECT
 public:
  using Work = std::function<void(TRebuildInd&)>;
  explicit TRebuildInd(Work work, QWidget* parent = nullptr);
  void ShowStatus(const QString& text);
  QLabel* WhatAmIDoing;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormActivate();
  Work work_;
  bool started_ = false;
};

// The always-on-top notice that the program is in receive mode.
class TStartingFaxForm : public QDialog {
  Q_OBJECT
 public:
  explicit TStartingFaxForm(QWidget* parent = nullptr);
  QWidget* ReadyPanel;
  QWidget* StartingPanel;
  QPushButton* okbutton;
};

}  // namespace app
