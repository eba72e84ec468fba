// A fault injector for tests: the n-th file change it is asked about fails the given way
// (the others proceed); installed for the lifetime of the object.
#pragma once

#include "base/faultinjection.h"

#include <string>

namespace testutil {

class FailAt : public base::FaultInjector {
 public:
  FailAt(int n, Action action) : n_(n), action_(action) { base::setFaultInjector(this); }
  ~FailAt() override { base::setFaultInjector(nullptr); }
  Action before(const char*, const std::string&) override {
    return ++seen_ == n_ ? action_ : Action::Proceed;
  }

 private:
  int n_, seen_ = 0;
  Action action_;
};

}  // namespace testutil
