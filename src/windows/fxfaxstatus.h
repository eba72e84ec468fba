// TFxFaxStatus: the progress component a fax session reports to. It owns the "Fax Status"
// window, shows it when a session starts, refreshes it on every report and hides it at
// the end; the window's Cancel aborts the fax.
#pragma once

#include "faxengine/fax_component.h"
#include "windows/faxstatus.h"

#include <memory>

namespace windows {

// The values the window shows, read from a sender or receiver.
FaxStatusValues ReadStatusValues(faxengine::TFxCustomAbstractFax& fax);

class TFxFaxStatus : public faxengine::TFxAbstractFaxStatus {
 public:
  // The window belongs to `owner`, so that it takes input while the owner is modal.
  explicit TFxFaxStatus(QWidget* owner = nullptr);
  ~TFxFaxStatus() override;

  void CreateDisplay();
  void DestroyDisplay();
  void UpdateDisplay(bool first, bool last) override;
  TStandardFaxDisplay* Display() const { return display_.get(); }

 private:
  QWidget* owner_;
  std::unique_ptr<TStandardFaxDisplay> display_;
};

}  // namespace windows
