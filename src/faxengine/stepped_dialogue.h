// What every class dialogue keeps of its state machine: the step it is in, the names its
// steps are logged by, and the one place the step changes.
#pragma once

#include <cstddef>
#include <span>

#include "faxengine/fax_machine.h"

namespace faxengine {

// `Base` is SendDialogue or ReceiveDialogue; `StepT` the dialogue's own enum of steps.
template <class Base, class StepT>
class SteppedDialogue : public Base {
 public:
  using Step = StepT;

  // `who` starts every step line in the session log ("class 1: ..."); `names` holds a
  // name for each step, in the enum's order, and outlives the dialogue.
  template <class Machine>
  SteppedDialogue(Machine& m, const char* who, Step first, std::span<const char* const> names)
      : Base(m), step_(first), who_(who), names_(names) {}

  const char* stepName() const override { return nameOf(step_); }
  Step step() const { return step_; }

 protected:
  // Moves to `to` and logs "who: from -> to"; staying in the same step logs nothing.
  void setStep(Step to) {
    changeStep(this->m_, who_, step_, to, [this](Step s) { return nameOf(s); });
  }

  Step step_;

 private:
  const char* nameOf(Step s) const {
    auto i = static_cast<std::size_t>(s);
    return i < names_.size() ? names_[i] : "?";
  }

  const char* who_;
  std::span<const char* const> names_;
};

// A dialogue's step names, checked at compile time to hold one name for each step up to
// `Last`, the enum's last.
template <auto Last, std::size_t N>
constexpr std::span<const char* const> stepNames(const char* const (&names)[N]) {
  static_assert(N == static_cast<std::size_t>(Last) + 1, "one name for each step");
  return names;
}

}  // namespace faxengine
