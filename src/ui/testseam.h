// The one way tests and scripted runs answer the program's modal questions instead of a
// person: every helper that opens a modal window (message box, font dialog, help window)
// owns a Seam; while a handler is installed there, the helper calls it instead.
#pragma once

#include <functional>
#include <utility>

namespace ui {

template <class Signature>
class Seam;

template <class R, class... Args>
class Seam<R(Args...)> {
 public:
  using Handler = std::function<R(Args...)>;
  // An empty handler restores the real window.
  void Install(Handler handler) { handler_ = std::move(handler); }
  explicit operator bool() const { return bool(handler_); }
  R operator()(Args... args) const { return handler_(std::forward<Args>(args)...); }

 private:
  Handler handler_;
};

}  // namespace ui
