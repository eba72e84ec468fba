// The fault-injection hook.
#include "base/faultinjection.h"

namespace base {

namespace {
FaultInjector* g_injector = nullptr;
bool g_crashed = false;  // after a simulated crash every change is dropped
}  // namespace

void setFaultInjector(FaultInjector* injector) {
  g_injector = injector;
  g_crashed = false;
}

FaultInjector::Action consultFaultInjector(const char* op, const std::string& path) {
  if (!g_injector) return FaultInjector::Action::Proceed;
  if (g_crashed) return FaultInjector::Action::Crash;
  auto a = g_injector->before(op, path);
  if (a == FaultInjector::Action::Crash) {
    g_crashed = true;
    throw SimulatedCrash{};
  }
  return a;
}

bool simulatedCrashHappened() { return g_crashed; }

}  // namespace base
