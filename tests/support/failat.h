// A fault injector for tests: the n-th file change it is asked about fails the given way
// (the others proceed); installed for the lifetime of the object. With a path part, only
// changes to files whose path holds it count.
#pragma once

#include "base/faultinjection.h"

#include <string>
#include <utility>

namespace testutil {

class FailAt : public base::FaultInjector {
 public:
  FailAt(int n, Action action, std::string pathPart = {})
      : n_(n), action_(action), pathPart_(std::move(pathPart)) {
    base::setFaultInjector(this);
  }
  ~FailAt() override { base::setFaultInjector(nullptr); }
  Action before(const char*, const std::string& path) override {
    if (path.find(pathPart_) == std::string::npos) return Action::Proceed;
    return ++seen_ == n_ ? action_ : Action::Proceed;
  }

 private:
  int n_, seen_ = 0;
  Action action_;
  std::string pathPart_;
};

}  // namespace testutil
